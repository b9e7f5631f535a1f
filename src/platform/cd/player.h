// Digital playback of a disc: a reader thread fills a ring of samples from the drive, and the
// output (SDL's device or a pipe, as the settings name it) plays it, one period at a time on its
// own thread. The position is what has been handed to the output, not what the reader has read
// ahead. Public functions are for the UI thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/gainramp.h"
#include "platform/audio/outputdevice.h"
#include "platform/audio/ringbuffer.h"
#include "platform/cd/drive.h"
#include "platform/cd/toc.h"

namespace tunedeck::cd {

enum class PlayState { Stopped, Playing, Paused };

class Player : private SampleSource {
  public:
    // `drive` must outlive the player; `output` names where the sound goes.
    explicit Player(Drive& drive, OutputTarget output = {});
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Plays the ranges in order (see Toc::audioranges); opens the output on first use.
    // Throws CdError(OutputSetting) when the settings name an output that cannot be used,
    // CdError(AudioOutput) when the sound card cannot be opened.
    void play(std::vector<AudioRange> ranges);
    void pause();
    void resume();
    void stop();
    void seek(int64_t frame);  // stops and moves
    // The linear gain the disc plays at (the volume); changes are ramped.
    void setvolume(float gain) { volume_.store(gain, std::memory_order_release); }
    int64_t position() const { return outpos_.load(std::memory_order_acquire); }
    PlayState state();

  private:
    bool fill(uint8_t* out, std::size_t bytes) noexcept override;
    void readerloop() noexcept;
    bool readchunk(std::unique_lock<std::mutex>& lock, std::vector<int16_t>& buffer);
    bool nextrange();
    void halt();  // expects the output's lock and mutex_
    void startoutput();

    Drive& drive_;
    const OutputTarget target_;

    // The reader's state: guarded by mutex_, which the output thread never takes.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<AudioRange> ranges_;
    size_t rangeindex_ = 0;
    int64_t readpos_ = 0;      // frame of the next sample the reader reads
    uint64_t generation_ = 0;  // bumped when a stop or a new play discards what is in flight
    bool quit_ = false;

    // Shared with the output thread, which only reads the ring, advances outpos_ and ends a
    // play that has run out. The UI thread changes them while holding the output's lock (and
    // mutex_), so that one period of the output sees one consistent state; the reader writes
    // the ring and the reading's end under mutex_.
    RingBuffer ring_;
    std::atomic<int64_t> outpos_{0};   // frame of the next sample the output takes
    std::atomic<bool> active_{false};  // playing or paused
    std::atomic<bool> paused_{false};
    std::atomic<bool> readerdone_{false};  // the last range is wholly in the ring
    std::atomic<float> volume_{1.0f};
    GainRamp ramp_;  // output thread only

    std::thread reader_;
    std::unique_ptr<OutputDevice> output_;  // last: closed before the state it reads goes
};

}  // namespace tunedeck::cd
