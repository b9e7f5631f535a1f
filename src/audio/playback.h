// File playback over the play queue: start one file, advance at the end of a stream.
// UI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "audio/queue.h"
#include "platform/audio/bass.h"

namespace tunedeck {

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

    AudioLibrary& bass() { return bass_; }
    PlayQueue& queue() { return queue_; }

  private:
    AudioLibrary& bass_;
    PlayQueue& queue_;
};

}  // namespace tunedeck
