// File playback over the play queue: start one file, advance at the end of a stream, and what
// the stream created last is doing. The system's one way to the audio library's channels.
// UI thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "audio/loudnessscan.h"
#include "audio/queue.h"
#include "platform/audio/bass.h"
#include "settings/settings.h"

namespace tunedeck {

enum class PlayState { Stopped, Playing, Paused };

class Playback {
  public:
    Playback(AudioLibrary& bass, PlayQueue& queue) : bass_(bass), queue_(queue) {}

    // Starts a file, or a station when `path` is an http:// or https:// address; true when it
    // could not be started. A station starts at once and connects while it plays silence; one
    // that never answers ends like a file, and the queue moves on.
    bool playfile(const std::string& path);
    // Starts a file `seconds` into it (from its start when the file is shorter than that now);
    // true when it could not be started.
    bool playfileat(const std::string& path, double seconds);
    // Starts queue row `row`, and when it does not start the rows after it in direction `step`
    // (+1 or -1), going round the ends when `wrap`, until one starts or every row has been tried
    // once. playlistpos follows the rows tried and stays on the one that starts; when none
    // starts it goes back to `row`, and the result is true.
    bool playfrom(int row, int step, bool wrap);
    // End-of-stream procedure: moves to the next playable queue entry or stops (at the queue's
    // start, or past its end while the queue is growing).
    void streamend(HSYNC sync, DWORD channel, DWORD data, DWORD user);
    HSYNC setsync(DWORD channel, DWORD type, DWORD param, SYNCPROC proc, DWORD user);
    // Runs the end-of-stream procedure an event of the library carries; false for any other.
    bool dispatch(const SDL_Event& event);

    // The stream created last.
    PlayState state();
    // Playing or paused.
    bool active() { return state() != PlayState::Stopped; }
    // Seconds played, and the whole length in seconds (0 for a station, which has none).
    double elapsed();
    double length();
    // The stream created last is a station's; what it is doing and the title it sends.
    bool live() { return livestatus().has_value(); }
    std::optional<LiveStatus> livestatus();
    // Moves the stream created last to `seconds` into its file; it keeps its state (a playing
    // one plays on from there, its end still advancing the queue). False when it could not: no
    // stream, a station, a place past the end, or the file no longer readable (the stream then
    // plays on where it was).
    bool seek(double seconds);
    void pause();
    void resume();
    void stop();

    // Shutdown: stops the output and frees the stream and the library. Every result is ignored:
    // in CD mode the library was never started.
    void shutdown();

    // How files are levelled from the next one started on.
    void setlevelling(const LevelSettings& level) { level_ = level; }
    const LevelSettings& levelling() const { return level_; }
    // Starts the background measurement of loudness with its cache at `cachefile` (as
    // levelling().measure says), or puts `scan` in its place (tests).
    void measure(const std::filesystem::path& cachefile);
    void measure(std::unique_ptr<LoudnessScan> scan);
    LoudnessScan* loudnessscan() { return levels_.get(); }
    // Hands the background measurement the queue from the entry after the one playing on,
    // when it changed since last time. Cheap when it did not: for each start and each tick.
    void followqueue();

    // The path of the file started last.
    const std::string& playingpath() const { return playing_; }
    AudioLibrary& bass() { return bass_; }
    PlayQueue& queue() { return queue_; }

  private:
    // Where the queue stood when it was last handed to the measurement.
    struct Followed {
        uint64_t generation = 0;
        int count = -1;
        int pos = 0;
        bool operator==(const Followed&) const = default;
    };

    void level(HSTREAM stream, const std::string& path);
    float unmeasuredgain(const std::string& path, int row, const LoudnessTags& tags) const;

    AudioLibrary& bass_;
    PlayQueue& queue_;
    LevelSettings level_;
    std::string playing_;
    // The file levelled last and its gain: a file not yet measured on the same album plays at it.
    std::string levelledpath_;
    float levelledgain_ = 1.0f;
    Followed followed_;
    std::unique_ptr<LoudnessScan> levels_;
};

}  // namespace tunedeck
