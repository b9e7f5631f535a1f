#include "platform/screen/tick.h"

namespace tunedeck {

int TickDeadline::timeout(uint64_t now) const {
    if (now >= next_) return 0;
    return static_cast<int>(next_ - now);
}

bool TickDeadline::due(uint64_t now) {
    if (now < next_) return false;
    next_ += interval_;
    if (next_ <= now) next_ = now + interval_;
    return true;
}

}  // namespace tunedeck
