// File playback over the play queue: start one file, advance at the end of a stream, and what
// the stream created last is doing. The system's one way to the audio library's channels.
// UI thread only.
#pragma once

#include <string>

#include "audio/queue.h"
#include "platform/audio/bass.h"

namespace tunedeck {

enum class PlayState { Stopped, Playing, Paused };

class Playback {
  public:
    Playback(AudioLibrary& bass, PlayQueue& queue) : bass_(bass), queue_(queue) {}

    // Starts a file; true when it could not be started.
    bool playfile(const std::string& path);
    // Starts queue row `row`, and when it does not start the rows after it in direction `step`
    // (+1 or -1), going round the ends when `wrap`, until one starts or every row has been tried
    // once. playlistpos follows the rows tried and stays on the one that starts; when none
    // starts it goes back to `row`, and the result is true.
    bool playfrom(int row, int step, bool wrap);
    // End-of-stream procedure: moves to the next playable queue entry or stops.
    void streamend(HSYNC sync, DWORD channel, DWORD data, DWORD user);
    HSYNC setsync(DWORD channel, DWORD type, DWORD param, SYNCPROC proc, DWORD user);
    // Runs the end-of-stream procedure an event of the library carries; false for any other.
    bool dispatch(const SDL_Event& event);

    // The stream created last.
    PlayState state();
    // Playing or paused.
    bool active() { return state() != PlayState::Stopped; }
    // Seconds played, and the whole length in seconds.
    double elapsed();
    double length();
    // Moves the stream created last to `seconds` into its file; it keeps its state (a playing
    // one plays on from there, its end still advancing the queue). False when it could not: no
    // stream, a place past the end, or the file no longer readable (the stream then plays on
    // where it was).
    bool seek(double seconds);
    void pause();
    void resume();
    void stop();

    // Shutdown: stops the output and frees the stream and the library. Every result is ignored:
    // in CD mode the library was never started.
    void shutdown();

    // The file of the stream created last; empty when none was.
    const std::string& path() const { return path_; }

    AudioLibrary& bass() { return bass_; }
    PlayQueue& queue() { return queue_; }

  private:
    AudioLibrary& bass_;
    PlayQueue& queue_;
    std::string path_;
};

}  // namespace tunedeck
