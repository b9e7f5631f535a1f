// Bounds blocking FFmpeg I/O: a call gives up when its deadline passes or when another thread
// asks the owner to stop. Handed to FFmpeg as its AVIOInterruptCB. Thread-safe.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

extern "C" {
#include <libavformat/avio.h>
}

namespace tunedeck {

class IoWatch {
  public:
    using Clock = std::chrono::steady_clock;

    // Starts a new deadline `limit` from now (decoder or opening thread).
    void arm(Clock::duration limit);
    // Makes every later or pending I/O call give up (any thread).
    void abort() { aborted_.store(true); }
    // Also gives up once `stop` is set, from the owner's side (before any I/O; `stop` outlives
    // this object).
    void follow(const std::atomic<bool>* stop) { followed_ = stop; }
    bool aborted() const { return aborted_.load() || (followed_ && followed_->load()); }
    bool expired() const;
    // Valid while this object lives.
    AVIOInterruptCB callback();

  private:
    static int interrupt(void* self);
    std::atomic<bool> aborted_{false};
    std::atomic<int64_t> deadline_{INT64_MAX};  // steady clock ticks
    const std::atomic<bool>* followed_ = nullptr;
};

}  // namespace tunedeck
