// The UI thread's wait for its next event. Video drivers that wait for events themselves (X11,
// Wayland) are waited on as SDL does it. On the others (offscreen, KMS/DRM, or no video at all)
// SDL's own wait looks for events every millisecond; there this wait sleeps until another
// thread pushes an event (the audio engine's notifications, the remote's keys) and pumps SDL's
// own sources (keyboards, quit signals) every kPumpInterval, so that keys still act within
// 30 ms. Construct it on the UI thread once the video subsystem, if any, is up; wait() is for
// the UI thread only.
#pragma once

#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tunedeck {

class EventWait {
  public:
    static constexpr auto kPumpInterval = std::chrono::milliseconds(25);

    EventWait();
    ~EventWait() noexcept;
    EventWait(const EventWait&) = delete;
    EventWait& operator=(const EventWait&) = delete;

    // Waits up to `ms` milliseconds for an event; true with `event` filled when one came.
    bool wait(SDL_Event& event, int ms);
    // True when the video driver's own wait is used.
    bool native() const { return native_; }

  private:
    // Any thread pushing an event, before SDL queues it.
    static int SDLCALL onpush(void* self, SDL_Event* event);
    bool sleep(std::chrono::steady_clock::time_point until);

    const bool native_;
    std::mutex mutex_;
    std::condition_variable pushed_;
    bool pending_ = false;  // an event was pushed since the queue was last looked at
};

}  // namespace tunedeck
