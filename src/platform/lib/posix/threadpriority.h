// The scheduling weight and the name of the calling thread.
#pragma once

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tunedeck {

// Gives the calling thread a lower priority (nice 10) than the rest of the process, so that
// background work yields the processor to the event loop and the audio on a busy or single
// core. Best effort: a refusal changes nothing.
inline void lowerthreadpriority() {
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
}

// Lets the calling thread run only when nothing else wants the processor (SCHED_IDLE), for work
// that may take any time as long as it never holds anything else up; where that is refused, the
// lowest nice level. Best effort.
inline void idlethreadpriority() {
    const sched_param param{};
    if (::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &param) == 0) return;
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
}

// Names the calling thread (at most 15 bytes) as tools such as top, perf and /proc show it.
inline void namethread(const char* name) {
    (void)::pthread_setname_np(::pthread_self(), name);
}

}  // namespace tunedeck
