#include "commands/queueedit.h"

#include <gtest/gtest.h>

#include "commands/mcireply.h"

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
    EXPECT_EQ(queue.playlist[0][1], "/2");
    queue.playlistpos = 0;  // "/2" plays
    queue.takenout.reset();
    removequeued(queue, 0);
    EXPECT_EQ(queue.playlistcount, 0);
    EXPECT_EQ(queue.currentname(), "/2");
    BrowseState listing;
    listing.itemcount = 1;
    listing.items[1] = {"/5", "/5", kKindPlayable};
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
