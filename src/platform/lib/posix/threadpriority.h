// The scheduling weight of the calling thread.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

namespace tunedeck {

// Gives the calling thread a lower priority (nice 10) than the rest of the process, so that
// background work yields the processor to the event loop and the audio on a busy or single
// core. Best effort: a refusal changes nothing.
inline void lowerthreadpriority() {
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
}

}  // namespace tunedeck
