// The library index on its own: what a walk adds, where a match lies, ids of an earlier walk,
// and a worker of an earlier walk that still reports.
#include "library/libraryindex.h"

#include <gtest/gtest.h>

namespace tunedeck {
namespace {

std::vector<std::string> names(const std::vector<SearchMatch>& matches) {
    std::vector<std::string> out;
    for (const SearchMatch& m : matches) out.push_back(m.name);
    return out;
}

void add(LibraryIndex& index, uint32_t walk, const std::string& folder,
         const std::vector<std::string>& files) {
    index.add(walk, WalkedFolder{folder, files});
}

TEST(LibraryIndex, LocatesFilesInTheirFolderAndFoldersAsThemselves) {
    LibraryIndex index;
    const uint32_t walk = index.begin("/m", {"/m", false});
    add(index, walk, "/m/Abba/Gold", {"Waterloo.mp3", "cover.m3u", "SOS.flac"});
    add(index, walk, "/m/Abba", {});
    add(index, walk, "/m", {"Top.mp3"});
    EXPECT_EQ(index.size(),
              5U);  // Abba, Gold, two songs, Top: the playlist and the root are not in
    index.finish(walk);
    const auto songs = index.search("s");  // "SOS" only: a word must begin with it
    ASSERT_EQ(names(songs), std::vector<std::string>{"SOS"});
    EXPECT_EQ(songs[0].folder, "Gold");
    const auto where = index.locate(songs[0].id);
    ASSERT_TRUE(where);
    EXPECT_EQ(where->kind, IndexKind::File);
    EXPECT_EQ(where->folder, "/m/Abba/Gold");
    EXPECT_EQ(where->target, "/m/Abba/Gold/SOS.flac");
    const auto gold = index.search("gold", 1);
    ASSERT_EQ(gold.size(), 1U);
    EXPECT_EQ(gold[0].kind, IndexKind::Folder);
    EXPECT_EQ(gold[0].folder, "Abba");
    EXPECT_EQ(index.locate(gold[0].id)->folder, "/m/Abba/Gold");
    EXPECT_EQ(index.locate(gold[0].id)->target, "");
    const auto top = index.search("top");
    ASSERT_EQ(top.size(), 1U);
    EXPECT_EQ(top[0].folder, "");
    EXPECT_EQ(index.locate(top[0].id)->folder, "/m");
}

// A new walk makes the ids of the last one unknown, and what a worker of the last walk still
// reports is not added.
TEST(LibraryIndex, AnEarlierWalkNeitherOpensNorAdds) {
    LibraryIndex index;
    const uint32_t first = index.begin("/", {"/", false});
    add(index, first, "/a", {"one.mp3"});
    const auto old = index.search("one");
    ASSERT_EQ(old.size(), 1U);
    const uint32_t second = index.begin("/", {"/", false});
    EXPECT_FALSE(index.locate(old[0].id));
    add(index, first, "/b", {"late.mp3"});
    add(index, second, "/a", {"one.mp3"});
    EXPECT_TRUE(index.search("late").empty());
    const auto fresh = index.search("one");
    ASSERT_EQ(fresh.size(), 1U);
    EXPECT_NE(fresh[0].id, old[0].id);
    EXPECT_EQ(index.locate(fresh[0].id)->target, "/a/one.mp3");
    EXPECT_FALSE(index.locate(fresh[0].id + 1000));
}

// Before the walk has ended the order is by the search form; after, by collation (numbers by
// their value). Accents and case never matter, nor punctuation between words.
TEST(LibraryIndex, RanksByCollationOnceTheWalkHasEnded) {
    LibraryIndex index;
    const uint32_t walk = index.begin("/m", {"/m", false});
    add(index, walk, "/m/x", {"Track 10.mp3", "track 9.mp3", "TRÄCK 2.mp3", "Rock-n-Track.mp3"});
    EXPECT_EQ(names(index.search("track")).size(), 4U);
    index.finish(walk);
    EXPECT_EQ(names(index.search("tráck")),
              (std::vector<std::string>{"Rock-n-Track", "TRÄCK 2", "track 9", "Track 10"}));
    EXPECT_EQ(names(index.search("n track")), std::vector<std::string>{"Rock-n-Track"});
    EXPECT_TRUE(index.search("rack").empty());
    EXPECT_TRUE(index.search(" ,;").empty());
}

}  // namespace
}  // namespace tunedeck
