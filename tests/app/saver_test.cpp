#include "app/saver.h"

#include <gtest/gtest.h>

#include <vector>

namespace tunedeck {
namespace {

struct Timeline {
    std::vector<int> blanks, moves, restores;
};

// Runs `ticks` ticks after a key press and records at which tick (1-based) each step happens.
Timeline run(int16_t savertime, int ticks) {
    SaverCounters counters;  // a key press leaves idlecount at 0
    Timeline timeline;
    for (int tick = 1; tick <= ticks; ++tick) {
        const SaverStep step = advancesaver(counters, savertime);
        if (step.restore) timeline.restores.push_back(tick);
        if (step.blank) timeline.blanks.push_back(tick);
        if (step.movetext) timeline.moves.push_back(tick);
    }
    return timeline;
}

TEST(Saver, SixtyTicksBlackThenTextAtTwoThenEverySixth) {
    const Timeline timeline = run(60, 80);
    EXPECT_EQ(timeline.restores, std::vector<int>({1}));
    EXPECT_EQ(timeline.blanks, std::vector<int>({60}));
    EXPECT_EQ(timeline.moves, std::vector<int>({62, 68, 74, 80}));
}

TEST(Saver, OneTickRestoresAndBlanksInTheSameTick) {
    const Timeline timeline = run(1, 3);
    EXPECT_EQ(timeline.restores, std::vector<int>({1}));
    EXPECT_EQ(timeline.blanks, std::vector<int>({1}));
    EXPECT_EQ(timeline.moves, std::vector<int>({3}));
}

TEST(Saver, ZeroNeverBlanksButStillCounts) {
    SaverCounters counters;
    for (int tick = 0; tick < 500; ++tick) {
        const SaverStep step = advancesaver(counters, 0);
        EXPECT_FALSE(step.blank);
        EXPECT_FALSE(step.movetext);
    }
    EXPECT_EQ(counters.idlecount, 500);
}

TEST(Saver, IdleCountStopsAtItsMaximumAndTheTextKeepsMoving) {
    SaverCounters counters;
    counters.idlecount = 32766;
    counters.movecount = 0;
    int moves = 0;
    for (int tick = 0; tick < 12; ++tick) moves += advancesaver(counters, 60).movetext ? 1 : 0;
    EXPECT_EQ(counters.idlecount, 32767);
    EXPECT_EQ(moves, 2);
}

TEST(Saver, TextPlaceStaysOnTheScreen) {
    std::mt19937 random;
    for (int i = 0; i < 1000; ++i) {
        const SaverPlace place = saverplace(random, 15360, 11520);
        EXPECT_GE(place.x, 1);
        EXPECT_LE(place.x, 7680);
        EXPECT_GE(place.y, 1);
        EXPECT_LE(place.y, 10520);
    }
}

}  // namespace
}  // namespace tunedeck
