// Shared by the engine benchmarks: the output on SDL's disk driver in a temporary folder and a
// UI loop that dispatches the engine's events.
#pragma once

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "platform/audio/bass.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::bench {

using Clock = std::chrono::steady_clock;

inline double millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

inline void diskoutput(const fixtures::TempDir& dir, bool realtime) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (dir / "out.raw").c_str(), 1);
    if (realtime) {
        unsetenv("SDL_DISKAUDIODELAY");
    } else {
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    }
}

inline void pumpuntil(AudioLibrary& bass, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done() && std::chrono::steady_clock::now() < end) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, 2)) BASS_DispatchSyncEvent(bass, event);
    }
}

inline void figure(const char* what, double value, const char* unit, const char* reference,
                   double refvalue) {
    std::printf("%-40s %10.3f %s   %s %10.3f %s   ratio %.2f\n", what, value, unit, reference,
                refvalue, unit, refvalue != 0 ? value / refvalue : 0.0);
}

}  // namespace tunedeck::bench
