#include "commands/queueedit.h"

#include <gtest/gtest.h>

#include "commands/mcireply.h"

namespace tunedeck {
namespace {

TEST(QueueEdit, RemovingAnEntryBeforeThePlayingOneKeepsPosOnIt) {
    PlayQueue queue;
    for (const char* path : {"/0", "/1", "/2"}) queue.append(path, path);
    queue.playlistpos = 1;
    removequeued(queue, findqueued(queue, "/0"));
    EXPECT_EQ(queue.playlistcount, 2);
    EXPECT_EQ(queue.playlist[queue.playlistpos][1], "/1");
    removequeued(queue, 1);  // after the playing entry
    EXPECT_EQ(queue.playlistpos, 0);
    EXPECT_EQ(findqueued(queue, "/2"), -1);
    EXPECT_FALSE(queue.takenout);
}

// The entry playing taken out: its name stays what plays, and the position stands before the
// entry that followed it, also when that was the first; further removals keep that.
TEST(QueueEdit, TakingOutThePlayingEntryKeepsItsNameAndTheEntryAfterItNext) {
    PlayQueue queue;
    for (const char* path : {"/0", "/1", "/2", "/3"}) queue.append(path, path);
    queue.playlistpos = 0;
    removequeued(queue, 0);
    EXPECT_EQ(queue.playlistpos, -1);
    EXPECT_EQ(queue.currentname(), "/0");
    removequeued(queue, 1);  // "/2", after the gap
    EXPECT_EQ(queue.playlistpos, -1);
    queue.playlistpos = 1;  // "/3" plays
    queue.takenout.reset();
    removequeued(queue, 1);
    removequeued(queue, 0);  // "/1", before the gap
    EXPECT_EQ(queue.playlistpos, -1);
    EXPECT_EQ(queue.playlistcount, 0);
    EXPECT_EQ(queue.currentname(), "/3");
    BrowseState listing;
    listing.itemcount = 1;
    listing.items[1] = {"/4", "/4", kKindPlayable};
    queuelisting(queue, listing);  // new entries follow the file that still plays
    EXPECT_EQ(queue.playlistpos, -1);
    queue.clear();
    EXPECT_FALSE(queue.takenout);
}

TEST(McIReply, NumbersFromTheFirstCharactersAndUnreadableReplies) {
    EXPECT_EQ(replynumber("12", 2), 12);
    EXPECT_EQ(replynumber(std::string_view("9\0"
                                           "7",
                                           3),
                          2),
              9);
    EXPECT_EQ(replynumber("", 2), std::nullopt);
    EXPECT_EQ(replynumber("tr", 2), std::nullopt);
    EXPECT_EQ(replyint32("-4000"), -4000);
    EXPECT_EQ(replyint32("99999999999"), std::nullopt);
    EXPECT_EQ(replyprefix(std::string_view("paused\0g", 8), 7), "paused");
}

}  // namespace
}  // namespace tunedeck
