// The screen saver's timeline, counted in ticks since the last key press. Pure logic: the
// application applies the returned step to the screen elements.
#pragma once

#include <cstdint>
#include <random>

namespace tunedeck {

struct SaverCounters {
    int16_t idlecount = 0;  // ticks since the last key press; stays at its maximum
    int16_t movecount = 0;  // ticks since the saver text last moved
};

struct SaverStep {
    bool restore = false;   // normal screen: status labels shown, cover and text hidden
    bool blank = false;     // black cover in front, status labels hidden
    bool movetext = false;  // show the three-line text at a new place
};

// Advances the counters by one tick and says what the screen must do, in that order.
SaverStep advancesaver(SaverCounters& counters, int savertime);

// Where the saver text goes next, in twips: x in [1, width/2], y in [1, height-1000].
struct SaverPlace {
    int64_t x = 1;
    int64_t y = 1;
};
SaverPlace saverplace(std::mt19937& random, int64_t width, int64_t height);

}  // namespace tunedeck
