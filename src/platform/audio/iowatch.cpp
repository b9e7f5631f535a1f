#include "platform/audio/iowatch.h"

namespace tunedeck {

void IoWatch::arm(Clock::duration limit) {
    deadline_.store((Clock::now() + limit).time_since_epoch().count());
}

bool IoWatch::expired() const {
    return Clock::now().time_since_epoch().count() > deadline_.load();
}

int IoWatch::interrupt(void* self) {
    const auto& watch = *static_cast<const IoWatch*>(self);
    return watch.aborted() || watch.expired() ? 1 : 0;
}

AVIOInterruptCB IoWatch::callback() {
    return AVIOInterruptCB{&IoWatch::interrupt, this};
}

}  // namespace tunedeck
