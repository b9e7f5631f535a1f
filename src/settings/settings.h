// The settings file settings.ini beside the program, read through the INI access class.
// UI thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "settings/inifile.h"

namespace tunedeck {

// The numeric settings, the switches and the scan's formats, read once at start-up. A switch
// is on only when the file says 1.
struct Settings {
    int perpage = 11;
    bool rendercover = true;
    bool showletters = true;
    bool fixnames = false;
    int color1r = 7;  // colour components, 0..255
    int color1g = 18;
    int color1b = 143;
    int color2r = 68;
    int color2g = 74;
    int color2b = 147;
    int coverx = 0;
    int covery = 0;
    int savertime = 0;  // ticks without a key before the screen blanks; 0 = never
    // [system] resume: the queue, the place in it and the folder shown are saved as they change
    // and restored at the next start in file mode.
    bool resume = false;
    // [system] scanformats: the extensions of the music files the folder scan queues.
    std::string scanformats = "mp3 flac ogg oga opus m4a aac";
    // [audio] volume: 0 (silent) to 100 (full, the sound unchanged), kept across restarts.
    int volume = 100;
};

// How files are levelled to an even loudness: [audio] replaygain, preamp and measure.
enum class GainMode { Auto, Track, Album, Off };
struct LevelSettings {
    GainMode mode = GainMode::Auto;
    double preampdb = 0;  // added to every gain the tags give, -15..+15 dB
    // [audio] measure: files without tags are measured in the background and levelled by it.
    bool measure = true;
};

// Folder of the running executable (from /proc/self/exe), never the working directory.
std::filesystem::path applicationfolder();

// Reads settings from files in one application folder. The application passes
// applicationfolder(); tests pass a temporary folder.
class SettingsReader {
  public:
    explicit SettingsReader(std::filesystem::path appfolder);

    const std::filesystem::path& appfolder() const { return appfolder_; }
    // Full path of a settings file in the application folder ("" means settings.ini).
    std::string settingsfile(std::string_view file = {}) const;

    std::string readsetting(std::string_view file, std::string_view section, std::string_view key,
                            std::string_view deflt);
    Settings loadsettings();
    // Where the sound goes, "[audio] output" as written: empty for the sound card, or
    // "pipe:<path>". Read once, at start-up.
    std::string audio_output();
    // What the CD layer opens, "[cd] device" as written: empty for the system's first drive,
    // "none", a device path or a disc image. Read once, at start-up.
    std::string cd_device();
    // The music root, read anew at every call: a leading ~ or $HOME expanded, a relative path
    // taken from the application folder, in the folder list's normal form. Empty when the
    // setting is present but empty: no music folder.
    std::string rootpath();
    // [audio] replaygain (auto, track, album or off; anything else is auto), [audio] preamp and
    // [audio] measure (1 on, the default; 0 off).
    LevelSettings levelsettings();
    // Writes [audio] volume, so that the next start plays as loud. False when it failed.
    bool savevolume(int volume);

  private:
    std::filesystem::path appfolder_;
    std::optional<cInifile> inifile_;  // created at the first read, kept for the run
};

}  // namespace tunedeck
