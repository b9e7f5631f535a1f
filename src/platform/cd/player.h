// Digital playback of a disc: a reader thread fills a ring of samples from the drive, SDL's
// audio callback plays it. The position is what has been handed to the output, not what the
// reader has read ahead. Public functions are for the UI thread.
#pragma once

#include <SDL.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/cd/drive.h"
#include "platform/cd/ringbuffer.h"
#include "platform/cd/sdloutput.h"
#include "platform/cd/toc.h"

namespace tunedeck::cd {

enum class PlayState { Stopped, Playing, Paused };

class Player {
  public:
    explicit Player(Drive& drive);  // `drive` must outlive the player
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Plays the ranges in order (see Toc::audioranges); opens the output on first use.
    // Throws CdError(AudioOutput) when the output cannot be opened.
    void play(std::vector<AudioRange> ranges);
    void pause();
    void resume();
    void stop();
    void seek(int64_t frame);  // stops and moves
    int64_t position();
    PlayState state();

  private:
    static void SDLCALL callback(void* self, Uint8* stream, int bytes);
    void fill(int16_t* out, size_t samples);
    void readerloop() noexcept;
    bool readchunk(std::unique_lock<std::mutex>& lock, std::vector<int16_t>& buffer);
    bool nextrange();
    void halt();  // expects mutex_
    void startoutput();

    Drive& drive_;
    std::mutex mutex_;  // guards everything below but the thread and the output
    std::condition_variable wake_;
    SampleRing ring_;
    std::vector<AudioRange> ranges_;
    size_t rangeindex_ = 0;
    int64_t outpos_ = 0;       // frame of the next sample the output takes
    int64_t readpos_ = 0;      // frame of the next sample the reader reads
    uint64_t generation_ = 0;  // bumped when a stop or a new play discards what is in flight
    bool active_ = false;      // playing or paused
    bool paused_ = false;
    bool readerdone_ = false;  // the last range is fully read
    bool quit_ = false;

    std::thread reader_;
    std::optional<SdlAudioOutput> output_;  // last: closed before the state it reads goes
};

}  // namespace tunedeck::cd
