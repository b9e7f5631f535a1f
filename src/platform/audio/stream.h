// One playing file or station: a decoder thread fills a ring buffer from its source that the
// audio callback empties. The decoder runs ahead of the output by at most the ring's size; once
// it has reached the end of the source, everything that is left of the stream sits in the ring.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/ringbuffer.h"
#include "platform/audio/source.h"

namespace tunedeck {

class Stream {
  public:
    // Starts decoding at once. `onending` runs once on the decoder thread when decoding has
    // reached the end and the output has begun playing the stream, so that what is left of it
    // is at most the ring's length (not when the stream is destroyed first). It must only post
    // a message. `start`: where in the file the decoder begins (output bytes), so that
    // positions and the length count from the file's start. The first blocks of a file are
    // decoded on the caller's thread; a live source is read on the decoder thread only.
    Stream(std::unique_ptr<Source> source, std::size_t bufferbytes, std::function<void()> onending,
           uint64_t start = 0);
    // Stops the decoder thread (interrupting a pending read) and waits for it.
    ~Stream();
    // Asks the decoder thread to stop without waiting for it (any thread); finished() tells
    // when destroying the stream no longer waits.
    void requeststop();
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Audio thread: copies up to `count` bytes of the stream out, advancing its position.
    std::size_t pull(uint8_t* dest, std::size_t count);
    // Audio thread: nothing is left in the ring.
    bool drained() const { return ring_.size() == 0; }
    // Any thread: the ending notification has been raised.
    bool endingraised() const { return endingraised_.load(std::memory_order_acquire); }
    // The audio callback has handed the stream's last byte to the device.
    void markplayedout() { playedout_.store(true, std::memory_order_release); }

    // Any thread.
    bool decoded() const { return decoded_.load(std::memory_order_acquire); }
    bool playedout() const { return playedout_.load(std::memory_order_acquire); }
    uint64_t position() const { return position_.load(std::memory_order_acquire); }
    // Exact once decoded; until then the container's figure.
    uint64_t length() const;
    // The linear gain its samples play at (1: as decoded).
    float gain() const { return gain_.load(std::memory_order_acquire); }
    void setgain(float gain) { gain_.store(gain, std::memory_order_release); }
    // What the file's tags say of its loudness.
    const LoudnessTags& loudness() const { return source_->loudness(); }
    bool live() const { return live_; }

  private:
    void prefill() noexcept;
    void run() noexcept;
    void runsource() noexcept;
    void decodeall();
    bool push(const std::vector<uint8_t>& block);
    std::chrono::microseconds refillwait() const;
    bool waitforoutput();

    std::unique_ptr<Source> source_;
    const bool live_;
    RingBuffer ring_;
    std::function<void()> onending_;
    const uint64_t expected_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> decoded_{false};
    std::atomic<bool> playedout_{false};
    std::atomic<bool> reached_{false};  // the output has pulled from this stream
    std::atomic<bool> endingraised_{false};
    std::atomic<bool> finished_{false};  // the decoder thread has returned
    std::atomic<uint64_t> position_{0};
    std::atomic<uint64_t> produced_{0};
    std::atomic<float> gain_{1.0f};
    std::mutex mutex_;
    std::condition_variable wake_;
    // Set before the thread starts, then used by it alone.
    std::vector<uint8_t> pending_;  // first block's bytes that did not fit in the ring
    bool prefillended_ = false;
    std::thread thread_;  // last: starts after everything it uses
};

}  // namespace tunedeck
