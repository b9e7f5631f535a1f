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

// Paths of every shape the queue meets: in a folder, in the root folder, without any folder
// (a station's address counts its last slash), folders that are prefixes of one another.
std::string pathof(unsigned n) {
    switch (n % 6) {
        case 0:
            return "/music/a/" + std::to_string(n) + ".mp3";
        case 1:
            return "/music/ab/" + std::to_string(n) + ".mp3";
        case 2:
            return "/" + std::to_string(n);
        case 3:
            return std::to_string(n);
        case 4:
            return "http://radio.example/stream" + std::to_string(n);
        default:
            return "/music/a/" + std::string(300, 'x') + "/" + std::to_string(n) + ".flac";
    }
}

// Random puts (over rows and past the last), erases, moves and clears, against a vector of
// entries: every row's name and path read back whole, and only its own path is its path, also
// after the text no row needs any more was dropped.
TEST(QueueRows, EveryRowKeepsItsNameAndPathThroughEditsAndTidying) {
    std::mt19937 random(7);
    QueueRows rows;
    std::vector<QueueEntry> model;
    for (int step = 0; step < 30000; ++step) {
        const unsigned what = random() % 100;
        const unsigned n = random() % 5000;
        const QueueEntry entry{"name " + std::to_string(n) + std::string(n % 7, '\xc3'), pathof(n)};
        if (what < 5 && !model.empty()) {  // a row's own name, read from the rows
            const std::size_t from = random() % model.size();
            rows.put(model.size(), rows.name(from), entry.path);
            model.push_back({model[from].name, entry.path});
        } else if (what < 50 || model.size() < 2) {
            rows.put(model.size(), entry.name, entry.path);
            model.push_back(entry);
        } else if (what < 75) {
            const std::size_t row = random() % model.size();
            rows.put(row, entry.name, entry.path);
            model[row] = entry;
        } else if (what < 88) {
            const std::size_t row = random() % model.size();
            rows.erase(row);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(row));
        } else if (what < 97) {
            const std::size_t from = random() % model.size(), to = random() % model.size();
            rows.move(from, to);
            const QueueEntry moved = model[from];
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(from));
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(to), moved);
        } else if (what < 99) {  // every third row left out, from a random one on
            const std::size_t phase = random() % 3;
            rows.keeponly([&](std::size_t row) { return row % 3 != phase; });
            std::vector<QueueEntry> kept;
            for (std::size_t row = 0; row < model.size(); ++row)
                if (row % 3 != phase) kept.push_back(model[row]);
            model = std::move(kept);
        } else {
            rows.clear();
            model.clear();
        }
        if (step % 101 != 0) continue;
        ASSERT_EQ(rows.size(), model.size());
        ASSERT_EQ(rows.entries(model.size()), model) << step;
        for (std::size_t row = 0; row < model.size(); ++row) {
            ASSERT_TRUE(rows.haspath(row, model[row].path));
            const std::string& other = model[(row + 1) % model.size()].path;
            ASSERT_EQ(rows.haspath(row, other), other == model[row].path) << other;
            std::string unslashed = model[row].path;
            const std::size_t slash = unslashed.rfind('/');
            if (slash == std::string::npos) continue;
            unslashed[slash] = '_';
            ASSERT_FALSE(rows.haspath(row, unslashed)) << unslashed;
        }
    }
}

}  // namespace
}  // namespace tunedeck
