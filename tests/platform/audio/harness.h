// Shared by the engine tests: an engine playing into SDL's disk driver inside a temporary
// folder, and a stand-in for the UI loop that pumps events and dispatches end notifications.
#pragma once

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/audio/bass.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::testing {

namespace fx = tunedeck::fixtures;

// Output goes to `dir/out.raw`; `realtime` keeps SDL's pace (needed wherever gaps matter).
inline std::string diskoutput(const fx::TempDir& dir, bool realtime) {
    const std::string file = (dir / "out.raw").string();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    if (realtime) {
        unsetenv("SDL_DISKAUDIODELAY");
    } else {
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    }
    return file;
}

// Runs the UI loop until `done` holds or `limit` passes; true when `done` held.
inline bool pumpuntil(AudioLibrary& bass, const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, 5)) BASS_DispatchSyncEvent(bass, event);
    }
    return true;
}

inline void pumpfor(AudioLibrary& bass, std::chrono::milliseconds time) {
    pumpuntil(
        bass, [] { return false; }, time);
}

// Started the way the application starts the library.
inline bool startlibrary(AudioLibrary& bass) {
    return BASS_Init(bass, -1, 44100, 25u << 16, nullptr) && BASS_Start(bass);
}

}  // namespace tunedeck::testing
