#include "app/ticktext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "app/saver.h"

namespace tunedeck {
namespace {

TEST(TickText, TimesRoundHalfToEvenKeepTwoDigitsAndNeverWrap) {
    EXPECT_EQ(playtimes(wholeseconds(65.4), wholeseconds(180.0)), "01:05 / 03:00");
    EXPECT_EQ(wholeseconds(64.5), 64);
    EXPECT_EQ(wholeseconds(65.5), 66);
    EXPECT_EQ(minutesseconds(wholeseconds(40000.0)), "666:40");  // past 16 bits
    EXPECT_EQ(wholeseconds(-3.0), 0);
}

TEST(TickText, QueueLineNamesTheNextEntryOrTheEnd) {
    PlayQueue queue;
    for (const char* name : {"One", "Two", "Three"}) queue.append(name, name);
    EXPECT_EQ(queueline(queue), "Playlist Item 1 of 3 (Next: Two)");
    queue.playlistpos = 2;
    EXPECT_EQ(queueline(queue),
              "Playlist Item 3 of 3 (Next: Nothing. Playlist Completed. Playback will Stop.)");
    EXPECT_EQ(queueline(PlayQueue{}), "");
}

TEST(TickText, CdPositionAndClock) {
    EXPECT_EQ(cdelapsed(CdPosition{3, 1, 15}), "01:15");
    std::setlocale(LC_TIME, "C");
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(clocktext(1709647629), "03/05/24 - 14:07:09");
}

// Ticks after a key press (1-based) at which the screen blanks and the text moves.
std::pair<std::vector<int>, std::vector<int>> timeline(int16_t savertime, int ticks) {
    SaverCounters counters;
    std::pair<std::vector<int>, std::vector<int>> seen;
    for (int tick = 1; tick <= ticks; ++tick) {
        const SaverStep step = advancesaver(counters, savertime);
        EXPECT_EQ(step.restore, tick == 1);
        if (step.blank) seen.first.push_back(tick);
        if (step.movetext) seen.second.push_back(tick);
    }
    return seen;
}

TEST(Saver, TimelinesForSixtyOneZeroAndTheLargestSettingWhereTheCountStops) {
    EXPECT_EQ(timeline(60, 80),
              std::make_pair(std::vector<int>{60}, std::vector<int>{62, 68, 74, 80}));
    EXPECT_EQ(timeline(1, 3), std::make_pair(std::vector<int>{1}, std::vector<int>{3}));
    EXPECT_EQ(timeline(0, 300), std::make_pair(std::vector<int>{}, std::vector<int>{}));
    // The counter stops at 32767, where this saver starts: it must still show and move its text.
    EXPECT_EQ(timeline(32767, 32780),
              std::make_pair(std::vector<int>{32767}, std::vector<int>{32769, 32775}));

    // The idle count stops at its maximum and the text keeps moving.
    SaverCounters counters{32766, 0};
    int moves = 0;
    for (int tick = 0; tick < 12; ++tick) moves += advancesaver(counters, 60).movetext ? 1 : 0;
    EXPECT_EQ(counters.idlecount, 32767);
    EXPECT_EQ(moves, 2);
}

}  // namespace
}  // namespace tunedeck
