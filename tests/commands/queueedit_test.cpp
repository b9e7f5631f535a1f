#include "commands/queueedit.h"

#include <gtest/gtest.h>

#include <memory>

#include "commands/mcireply.h"

namespace tunedeck {
namespace {

PlayQueue queueof(int n) {
    PlayQueue queue;
    for (int i = 0; i < n; ++i) queue.append("e" + std::to_string(i), "/m/" + std::to_string(i));
    return queue;
}

TEST(QueueEdit, RemovingAnEntryBeforeThePlayingOneKeepsPosOnIt) {
    PlayQueue queue = queueof(4);
    queue.playlistpos = 1;
    removequeued(queue, 0);
    EXPECT_EQ(queue.playlistcount, 3);
    EXPECT_EQ(queue.playlist[0][1], "/m/1");
    EXPECT_EQ(queue.playlist[2][1], "/m/3");
    EXPECT_EQ(queue.playlistpos, 0);
    EXPECT_EQ(queue.playlist[queue.playlistpos][1], "/m/1");
}

TEST(QueueEdit, RemovingTheLastOrALaterEntryLeavesPos) {
    PlayQueue queue = queueof(3);
    queue.playlistpos = 1;
    removequeued(queue, 2);
    EXPECT_EQ(queue.playlistcount, 2);
    EXPECT_EQ(queue.playlistpos, 1);
    removequeued(queue, 7);  // outside the queue: nothing
    EXPECT_EQ(queue.playlistcount, 2);
}

TEST(QueueEdit, FindMatchesExactPathsInsideTheQueueOnly) {
    PlayQueue queue = queueof(2);
    queue.playlist[2] = {"stale", "/m/stale"};  // left from earlier use
    EXPECT_EQ(findqueued(queue, "/m/1"), 1);
    EXPECT_EQ(findqueued(queue, "/M/1"), -1);
    EXPECT_EQ(findqueued(queue, "/m/stale"), -1);
}

TEST(QueueEdit, QueueListingTakesPlayableEntriesInOrderAndStopsWhenFull) {
    auto browse = std::make_unique<BrowseState>();
    browse->items[1] = {"Folder", "/m/f", kKindFolder};
    browse->items[2] = {"a", "/m/a.mp3", kKindPlayable};
    browse->items[3] = {"list", "/m/l.m3u", kKindPlaylist};
    browse->items[4] = {"b", "/m/b.wav", kKindPlayable};
    browse->itemcount = 4;
    auto queue = std::make_unique<PlayQueue>();
    queue->playlistpos = 5;  // stale from an emptied queue
    EXPECT_EQ(queuelisting(*queue, *browse), 2);
    EXPECT_EQ(queue->playlistpos, 0);
    EXPECT_EQ(queuelisting(*queue, *browse), 2);  // queued a second time
    ASSERT_EQ(queue->playlistcount, 4);
    EXPECT_EQ(queue->playlist[3][1], "/m/b.wav");

    *queue = queueof(kQueueRows - 1);
    queue->playlistpos = 7;
    EXPECT_EQ(queuelisting(*queue, *browse), 1);
    EXPECT_EQ(queue->playlistcount, kQueueRows);
    EXPECT_EQ(queue->playlistpos, 7);
}

TEST(McIReply, CountsAndTrackNumbersFromTheFirstTwoCharacters) {
    EXPECT_EQ(replynumber("12", 2), 12);
    EXPECT_EQ(replynumber(std::string_view("9\0"
                                           "7",
                                           3),
                          2),
              9);
    EXPECT_EQ(replynumber("03:01:15:40", 2), 3);
    EXPECT_EQ(replynumber("", 2), std::nullopt);
    EXPECT_EQ(replynumber("tr", 2), std::nullopt);
    EXPECT_EQ(replyint32("-4000"), -4000);
    EXPECT_EQ(replyint32("99999999999"), std::nullopt);
    EXPECT_EQ(replyprefix("playing", 7), "playing");
    EXPECT_EQ(replyprefix("not ready", 7), "not rea");
    EXPECT_EQ(replyprefix(std::string_view("paused\0g", 8), 7), "paused");
}

}  // namespace
}  // namespace tunedeck
