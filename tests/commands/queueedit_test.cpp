#include "commands/queueedit.h"

#include <gtest/gtest.h>

#include <string>

namespace tunedeck {
namespace {

// Entries before the one playing move the position up with it; the entry playing taken out
// keeps its name as what plays, and the position stands before the entry that followed it (-1
// for the first), through further removals and additions.
TEST(QueueEdit, RemovalsKeepThePositionOnWhatPlaysAndWhatFollows) {
    PlayQueue queue;
    for (const char* path : {"/0", "/1", "/2", "/3", "/4"}) queue.append(path, path);
    queue.playlistpos = 1;
    removequeued(queue, findqueued(queue, "/0"));
    removequeued(queue, findqueued(queue, "/3"));  // after the playing entry
    EXPECT_EQ(queue.playlistpos, 0);
    EXPECT_FALSE(queue.takenout);
    removequeued(queue, 0);  // "/1", playing
    EXPECT_EQ(queue.playlistpos, -1);
    EXPECT_EQ(queue.currentname(), "/1");
    removequeued(queue, 1);  // "/4", after the gap
    EXPECT_EQ(queue.playlistpos, -1);
    EXPECT_EQ(queue.playlist[0].path, "/2");
    queue.playlistpos = 0;  // "/2" plays
    queue.takenout.reset();
    removequeued(queue, 0);
    EXPECT_EQ(queue.playlistcount, 0);
    EXPECT_EQ(queue.currentname(), "/2");
    BrowseState listing;
    listing.items.append({"/5", "/5", ItemKind::Playable});
    queuelisting(queue, listing);  // new entries follow the file that still plays
    EXPECT_EQ(queue.playlistpos, -1);
    queue.clear();
    EXPECT_FALSE(queue.takenout);
}

std::string order(const PlayQueue& queue) {
    std::string text;
    for (int i = 0; i < queue.playlistcount; ++i) text += queue.playlist[i].path.substr(1);
    return text;
}

// Moving entries keeps the position on what plays, whichever way the entries cross it; with
// the playing entry taken out, the position stays just before the entry that was to follow.
TEST(QueueEdit, MovesKeepThePositionOnWhatPlaysAndWhatFollows) {
    PlayQueue queue;
    for (const char* path : {"/0", "/1", "/2", "/3", "/4"}) queue.append(path, path);
    queue.playlistpos = 2;
    movequeued(queue, 2, 4);  // the playing entry to the end
    EXPECT_EQ(order(queue), "01342");
    EXPECT_EQ(queue.playlistpos, 4);
    movequeued(queue, 0, 4);  // one before it to after it
    EXPECT_EQ(order(queue), "13420");
    EXPECT_EQ(queue.playlistpos, 3);
    movequeued(queue, 4, 0);  // one after it to before it
    EXPECT_EQ(order(queue), "01342");
    EXPECT_EQ(queue.playlistpos, 4);
    movequeued(queue, 1, 1);
    EXPECT_EQ(order(queue), "01342");
    movequeued(queue, -1, 2);  // outside the queue: nothing moves
    movequeued(queue, 0, 5);
    EXPECT_EQ(order(queue), "01342");

    queue.playlistpos = 1;  // "1" plays, and is taken out: "3" is to follow
    removequeued(queue, 1);
    EXPECT_EQ(order(queue), "0342");
    EXPECT_EQ(queue.playlistpos, 0);
    movequeued(queue, 1, 3);  // "3" to the end: the gap goes with it
    EXPECT_EQ(order(queue), "0423");
    EXPECT_EQ(queue.playlistpos, 2);
    EXPECT_EQ(queue.currentname(), "/1");
    movequeued(queue, 3, 0);  // and to the front
    EXPECT_EQ(order(queue), "3042");
    EXPECT_EQ(queue.playlistpos, -1);
}

// The queue's lookup from a path to its first row follows moves, also for a path queued twice
// and for rows a move does not reach.
TEST(QueueEdit, MovesKeepEachPathsFirstRow) {
    PlayQueue queue;
    for (const char* path : {"/a", "/b", "/a", "/c", "/b", "/d"}) queue.append(path, path);
    const auto agrees = [&queue] {
        for (int row = 0; row < queue.playlistcount; ++row) {
            const std::string& path = queue.playlist[static_cast<std::size_t>(row)].path;
            int first = 0;
            while (queue.playlist[static_cast<std::size_t>(first)].path != path) ++first;
            if (queue.firstrow(path) != first) return false;
        }
        return true;
    };
    for (const auto& [from, to] : {std::pair{0, 5}, {4, 1}, {2, 3}, {5, 0}, {3, 3}, {1, 4}}) {
        movequeued(queue, from, to);
        ASSERT_TRUE(agrees()) << from << " -> " << to << ": " << order(queue);
    }
    removequeued(queue, 0);
    EXPECT_TRUE(agrees()) << order(queue);
}

}  // namespace
}  // namespace tunedeck
