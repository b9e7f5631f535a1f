#include "platform/screen/eventwait.h"

#include <algorithm>
#include <string_view>

namespace tunedeck {

namespace {

using Clock = std::chrono::steady_clock;

// A pushed event is in the queue a moment after the push is announced; a look that came too
// early looks again this soon rather than a pump interval later.
constexpr auto kRecheck = std::chrono::milliseconds(1);

bool drivercanwait() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) return false;
    const std::string_view name(driver);
    return name == "x11" || name == "wayland";
}

}  // namespace

EventWait::EventWait() : native_(drivercanwait()) {
    if (!native_) SDL_AddEventWatch(&EventWait::onpush, this);
}

EventWait::~EventWait() noexcept {
    // Returns once no push is calling onpush().
    if (!native_) SDL_DelEventWatch(&EventWait::onpush, this);
}

int SDLCALL EventWait::onpush(void* self, SDL_Event* event) {
    // SDL marks the end of each look at the queue with an event of its own, taken out again.
    if (event->type == SDL_POLLSENTINEL) return 0;
    auto* wait = static_cast<EventWait*>(self);
    {
        std::lock_guard lock(wait->mutex_);
        wait->pending_ = true;
    }
    wait->pushed_.notify_one();
    return 0;  // ignored for watches
}

// Sleeps until a push or `until`; true when woken by a push.
bool EventWait::sleep(Clock::time_point until) {
    std::unique_lock lock(mutex_);
    return pushed_.wait_until(lock, until, [this] { return pending_; });
}

bool EventWait::wait(SDL_Event& event, int ms) {
    if (native_) return SDL_WaitEventTimeout(&event, ms) != 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(ms, 0));
    bool afterpush = false;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            pending_ = false;
        }
        if (SDL_PollEvent(&event) != 0) return true;  // pumps SDL's own sources too
        const auto now = Clock::now();
        if (now >= deadline) return false;
        afterpush = sleep(std::min(deadline, now + (afterpush ? kRecheck : kPumpInterval)));
    }
}

}  // namespace tunedeck
