#include "commands/queueedit.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tunedeck
