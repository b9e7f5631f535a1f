// Sound cues: every key command names its outcome by the path of a .wav file in the
// application folder. Nothing is played or read; the last cue is kept so that a caller (and a
// test) can tell what the command decided.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tunedeck {

inline constexpr std::string_view kCueClick = "/click.wav";
inline constexpr std::string_view kCueBang = "/bang.wav";
inline constexpr std::string_view kCueBack = "/back.wav";
inline constexpr std::string_view kCueSelect = "/select.wav";
inline constexpr std::string_view kCuePlaylistAdd = "/playlistadd.wav";

class SoundCues {
  public:
    explicit SoundCues(std::filesystem::path appfolder) : appfolder_(std::move(appfolder)) {}

    // Passes the cue literal joined to the application folder.
    void soundcue(std::string_view literal);

    const std::string& lastcue() const { return lastcue_; }
    // The literal part of the last cue ("/click.wav"), empty when none was given yet.
    std::string lastliteral() const;
    void forget() { lastcue_.clear(); }

  private:
    std::filesystem::path appfolder_;
    std::string lastcue_;
};

}  // namespace tunedeck
