// The once-a-second timer as a deadline in the event loop: the loop waits at most
// timeout() milliseconds for an event and asks due() whether the tick should run now.
// Times are SDL_GetTicks64 milliseconds, passed in so that the timer is testable.
#pragma once

#include <cstdint>

namespace tunedeck {

class TickDeadline {
  public:
    explicit TickDeadline(uint64_t now, uint64_t intervalms = 1000)
        : interval_(intervalms), next_(now + intervalms) {}

    // Milliseconds to wait for an event before the next tick (0 when it is due).
    int timeout(uint64_t now) const;
    // True once per elapsed interval. A loop that fell behind runs one tick, not a burst,
    // and the next one comes a full interval later.
    bool due(uint64_t now);

  private:
    uint64_t interval_;
    uint64_t next_;
};

}  // namespace tunedeck
