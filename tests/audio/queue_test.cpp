#include "audio/queue.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

namespace tunedeck {
namespace {

// The first row of `path` found by reading every row.
int firstbyreading(const PlayQueue& q, const std::string& path) {
    for (int r = 0; r < q.playlistcount; ++r)
        if (q.playlist[static_cast<std::size_t>(r)].path == path) return r;
    return -1;
}

::testing::AssertionResult lookupagrees(const PlayQueue& q, const std::set<std::string>& paths) {
    for (const std::string& path : paths) {
        const int expected = firstbyreading(q, path);
        if (q.firstrow(path) != expected)
            return ::testing::AssertionFailure()
                   << path << ": " << q.firstrow(path) << " instead of " << expected;
    }
    return ::testing::AssertionSuccess();
}

// Random appends, erases, moves and clears, over few paths (many repeats) and over many (the
// table grows and its runs are broken up by erases): the first row of every path is always the
// one reading the rows gives.
TEST(QueueLookup, FirstRowsFollowEveryEdit) {
    for (const int distinct : {12, 6000}) {
        std::mt19937 random(distinct);
        PlayQueue q;
        std::set<std::string> paths;
        for (int step = 0; step < 20000; ++step) {
            const int what = static_cast<int>(random() % 100);
            if (what < 55 || q.playlistcount < 2) {
                const std::string path = "/music/" + std::to_string(random() % distinct) + ".mp3";
                paths.insert(path);
                q.append("name", path);
            } else if (what < 80) {
                q.erase(static_cast<int>(random() % static_cast<unsigned>(q.playlistcount)));
            } else if (what < 99) {
                const auto count = static_cast<unsigned>(q.playlistcount);
                q.move(static_cast<int>(random() % count), static_cast<int>(random() % count));
            } else {
                q.clear();
            }
            if (step % 97 == 0 || distinct < 100) {
                ASSERT_TRUE(lookupagrees(q, paths)) << step;
            }
        }
        EXPECT_TRUE(lookupagrees(q, paths));
    }
}

}  // namespace
}  // namespace tunedeck
