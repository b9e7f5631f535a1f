#include "platform/folders/folderlists.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/folders/text.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

namespace fs = std::filesystem;
using fixtures::TempDir;

void touch(const fs::path& file) {
    std::ofstream(file, std::ios::binary).put('x');
}

// Every name of one list, Files() or Dirs(), in order.
template <typename List>
std::vector<std::string> namesof(const List& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.listcount(); ++i) out.push_back(list.list(i));
    return out;
}

// The order a reader expects: letters first, then accents, then case; Nordic and Polish letters
// beside their base letters; digits by value. Names equal to the collation (canonically equal,
// or differing only in bytes that are not UTF-8) are ordered by their raw bytes.
TEST(FolderLists, OrdersAsPeopleReadThenByRawBytes) {
    const std::vector<std::string> expected = {
        "abba.mp3",    "Abba.mp3",     "ABBA.mp3",   "Åsa.mp3",   "Cafe\u0301.mp3", "Café.mp3",
        "Caf\xE9.mp3", "Caf\xEA.mp3",  "Eagles.mp3", "Émile.mp3", "Emma.mp3",       "Eric.mp3",
        "Lars.mp3",    "Lucy.mp3",     "Łukasz.mp3", "Oslo.mp3",  "Øystein.mp3",    "Ozzy.mp3",
        "Track 2.mp3", "Track 10.mp3", "Zulu.mp3"};
    TempDir tmp;
    for (auto name = expected.rbegin(); name != expected.rend(); ++name) touch(tmp / *name);
    FolderLists lists;
    lists.setpath(tmp.path().string());
    EXPECT_EQ(namesof(lists.Files()), expected);
}

TEST(FolderLists, ListsOnlyVisibleMatchingRegularFilesFollowingLinks) {
    TempDir tmp;
    for (const char* name :
         {"one.MP3", "two.Wma", "three.wav", "list.m3u", "notes.txt", ".hidden.mp3", "mp3",
          "x.mp3.bak", "a.Flac", "b.ogg", "c.OGA", "d.opus", "e.m4a", "f.AAC", "g.m3u8", "h.PLS",
          "book.m4b", "y.flac.part"})
        touch(tmp / name);
    fs::create_directory(tmp / "folder.mp3");
    fs::create_directory(tmp / ".git");
    fs::create_directory(tmp / "Sub");
    fs::create_symlink("one.MP3", tmp / "link.mp3");
    fs::create_symlink("missing.mp3", tmp / "broken.mp3");
    fs::create_directory_symlink("Sub", tmp / "linkdir");
    fs::create_directory_symlink("nowhere", tmp / "brokendir");
    ASSERT_EQ(mkfifo((tmp / "pipe.mp3").c_str(), 0600), 0);

    FolderLists lists;
    lists.setpath(tmp.path().string());
    const std::vector<std::string> files = {
        "a.Flac", "b.ogg",    "c.OGA",    "d.opus",  "e.m4a",     "f.AAC",  "g.m3u8",
        "h.PLS",  "link.mp3", "list.m3u", "one.MP3", "three.wav", "two.Wma"};
    EXPECT_EQ(namesof(lists.Files()), files);
    const std::string base = tmp.path().string();
    const std::vector<std::string> dirs = {base + "/folder.mp3", base + "/linkdir", base + "/Sub"};
    EXPECT_EQ(namesof(lists.Dirs()), dirs);
}

TEST(FolderLists, KeepsPathsInNormalForm) {
    TempDir tmp;
    fs::create_directories(tmp / "a" / "b");
    const std::string base = tmp.path().string();
    FolderLists lists;
    lists.setpath(base + "/a/./b/../");
    EXPECT_EQ(lists.Dirs().path(), base + "/a");
    EXPECT_EQ(lists.Files().path(), base + "/a");
    EXPECT_EQ(namesof(lists.Dirs()), std::vector<std::string>{base + "/a/b"});

    lists.setpath("/");
    EXPECT_EQ(lists.Dirs().path(), "/");
    EXPECT_FALSE(lists.Dirs().list(0).starts_with("//"));

    EXPECT_EQ(normalfolderpath("relative/x/"), (fs::current_path() / "relative/x").string());
}

TEST(FolderLists, FolderThatCannotBeListedGivesEmptyLists) {
    TempDir tmp;
    touch(tmp / "plain");
    fs::create_directory(tmp / "gone");
    touch(tmp / "gone" / "song.mp3");
    FolderLists lists;
    lists.setpath((tmp / "gone").string());
    EXPECT_EQ(lists.Files().listcount(), 1);
    for (const fs::path& path : {tmp / "missing", tmp / "plain", tmp / "plain" / "below"}) {
        lists.setpath(path.string());
        EXPECT_EQ(lists.Dirs().path(), path.string());
        EXPECT_EQ(lists.Dirs().listcount(), 0);
        EXPECT_EQ(lists.Files().listcount(), 0) << path;
        EXPECT_EQ(lists.Files().list(0), "");
        EXPECT_EQ(lists.Dirs().list(-1), "");
    }
}

TEST(FolderLists, UnreadableFolderGivesEmptyLists) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not hide a folder from root";
    TempDir tmp;
    fs::create_directory(tmp / "locked");
    touch(tmp / "locked" / "a.mp3");
    fs::permissions(tmp / "locked", fs::perms::none);
    FolderLists lists;
    lists.setpath((tmp / "locked").string());
    EXPECT_EQ(lists.Files().listcount(), 0);
    fs::permissions(tmp / "locked", fs::perms::owner_all);
}

TEST(Text, MapsCasePerCodePointKeepsInvalidBytesAndMatchesExtensionsInAnyAsciiCase) {
    EXPECT_EQ(toupperutf8("\xC3\xA9t\xC3\xA9 \xD0\xB6"), "\xC3\x89T\xC3\x89 \xD0\x96");
    EXPECT_EQ(tolowerutf8(std::string("AB\xFF") + "C"), std::string("ab\xFF") + "c");
    EXPECT_EQ(tovalidutf8("a\xC3(b\xE2\x82"), "a\xEF\xBF\xBD(b\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(windows1252toutf8("It\x92s caf\xE9 \x80"),
              "It\xE2\x80\x99s caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_FALSE(isvalidutf8("\xED\xA0\x80"));  // an encoded surrogate
    EXPECT_FALSE(isvalidutf8("\xC0\xAF"));      // an overlong form

    // An extension matches in any ASCII case only.
    EXPECT_TRUE(endswithcaseless("song.MP3", ".mp3"));
    EXPECT_TRUE(endswithcaseless("song.Mp3", ".mP3"));
    EXPECT_FALSE(endswithcaseless("mp3", ".mp3"));
    EXPECT_FALSE(endswithcaseless("song.mp4", ".mp3"));
    // KELVIN SIGN lowers to 'k' but fills three bytes: it does not end a name in "k".
    EXPECT_FALSE(endswithcaseless("mar\xE2\x84\xAA", "ark"));
    EXPECT_FALSE(endswithcaseless(std::string("x\xFF") + "p3", "mp3"));
    // A non-ASCII suffix still compares per code point.
    EXPECT_TRUE(endswithcaseless("caf\xC3\x89", "\xC3\xA9"));
}

}  // namespace
}  // namespace tunedeck
