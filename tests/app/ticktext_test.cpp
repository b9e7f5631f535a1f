#include "app/ticktext.h"

#include <gtest/gtest.h>

#include <clocale>

namespace tunedeck {
namespace {

TEST(TickText, SecondsRoundHalfToEvenAndNeverWrap) {
    EXPECT_EQ(wholeseconds(65.4), 65);
    EXPECT_EQ(wholeseconds(64.5), 64);
    EXPECT_EQ(wholeseconds(65.5), 66);
    EXPECT_EQ(wholeseconds(-3.0), 0);
    EXPECT_EQ(wholeseconds(40000.0), 40000);  // past 16 bits
}

TEST(TickText, MinutesAndSecondsKeepTwoDigitsAndGrowPastNinetyNine) {
    EXPECT_EQ(playtimes(65, 180), "01:05 / 03:00");
    EXPECT_EQ(minutesseconds(0), "00:00");
    EXPECT_EQ(minutesseconds(6000), "100:00");
    EXPECT_EQ(minutesseconds(40000), "666:40");
}

PlayQueue queueof(std::initializer_list<const char*> names) {
    PlayQueue queue;
    for (const char* name : names) queue.append(name, std::string("/m/") + name + ".mp3");
    return queue;
}

TEST(TickText, QueueLineNamesTheNextEntryOrTheEnd) {
    PlayQueue queue = queueof({"One", "Two", "Three"});
    queue.playlistpos = 0;
    EXPECT_EQ(queueline(queue), "Playlist Item 1 of 3 (Next: Two)");
    queue.playlistpos = 2;
    EXPECT_EQ(queueline(queue),
              "Playlist Item 3 of 3 (Next: Nothing. Playlist Completed. Playback will Stop.)");
    EXPECT_EQ(queueline(PlayQueue{}), "");
}

TEST(TickText, QueueLineAtAFullQueueStaysInsideTheTable) {
    PlayQueue queue;
    while (queue.append("x", "/x.mp3")) {
    }
    queue.playlistpos = kQueueRows - 1;
    EXPECT_EQ(queueline(queue),
              "Playlist Item 2001 of 2001 (Next: Nothing. Playlist Completed. "
              "Playback will Stop.)");
}

TEST(TickText, CdPositionFieldsAndUnreadableReplies) {
    const auto position = parsecdposition("03:01:15:40");
    ASSERT_TRUE(position.has_value());
    EXPECT_EQ(position->track, 3);
    EXPECT_EQ(position->minutes, 1);
    EXPECT_EQ(position->seconds, 15);
    EXPECT_FALSE(parsecdposition("").has_value());
    EXPECT_FALSE(parsecdposition("03:01").has_value());
    EXPECT_FALSE(parsecdposition("xx:01:15:40").has_value());
}

TEST(TickText, ClockUsesTheLocaleFormats) {
    std::setlocale(LC_TIME, "C");
    // 2024-03-05 14:07:09 UTC, shown in local time; only the shape is checked.
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(clocktext(1709647629), "03/05/24 - 14:07:09");
}

}  // namespace
}  // namespace tunedeck
