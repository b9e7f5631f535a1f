// The fast paths of the lists: folding each name once for sorting, ASCII extension matching and
// reading a folder in one pass must give exactly what the per-comparison rules give.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/folders/folderlists.h"
#include "platform/folders/text.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

namespace fs = std::filesystem;

// Names that stress the ordering: case pairs, prefixes, accented letters in both cases,
// invalid bytes (which sort after every code point), and a name that is only an invalid byte.
const std::vector<std::string> kNames = {"abc",
                                         "ABC",
                                         "ab",
                                         "abcd",
                                         "Ab\xFF",
                                         "ab\xFF",
                                         "ab\xC3\xA9",
                                         "AB\xC3\x89",
                                         "\xC3\xA9t\xC3\xA9",
                                         "\xC3\x89T\xC3\x89",
                                         "\xFF",
                                         "\xFE",
                                         "Zeta",
                                         "zeta",
                                         "\xE2\x84\xAA"
                                         "elvin",
                                         "kelvin",
                                         "",
                                         "a\xC3",
                                         "\xD0\x96\xD0\xB0",
                                         "\xD0\xB6\xD0\x90",
                                         "10",
                                         "9",
                                         "_x",
                                         "[x"};

TEST(SortKey, OrdersExactlyAsTheCaselessComparison) {
    std::vector<std::string> byrule = kNames;
    std::sort(byrule.begin(), byrule.end(),
              [](const std::string& a, const std::string& b) { return caselessless(a, b); });
    std::vector<std::string> bykey = kNames;
    std::sort(bykey.begin(), bykey.end(), [](const std::string& a, const std::string& b) {
        const auto ka = caselesskey(a), kb = caselesskey(b);
        return ka != kb ? ka < kb : a < b;
    });
    EXPECT_EQ(bykey, byrule);
}

TEST(SortKey, ExtensionMatchIgnoresAsciiCaseOnly) {
    EXPECT_TRUE(endswithcaseless("song.MP3", ".mp3"));
    EXPECT_TRUE(endswithcaseless("song.Mp3", ".mP3"));
    EXPECT_FALSE(endswithcaseless("mp3", ".mp3"));
    EXPECT_FALSE(endswithcaseless("song.mp4", ".mp3"));
    // KELVIN SIGN lowers to 'k' but fills three bytes: it does not end a name in "k".
    EXPECT_FALSE(endswithcaseless("mar\xE2\x84\xAA", "ark"));
    EXPECT_FALSE(
        endswithcaseless("x\xFF"
                         "p3",
                         "mp3"));
    // A non-ASCII suffix still compares per code point.
    EXPECT_TRUE(endswithcaseless("caf\xC3\x89", "\xC3\xA9"));
}

TEST(SortKey, OnePassListingFollowsLinksAndSkipsBrokenOnes) {
    fixtures::TempDir tmp;
    fs::create_directories(tmp / "real" / "Sub");
    std::ofstream(tmp / "real" / "song.mp3").put('x');
    fs::create_directory_symlink(tmp / "real" / "Sub", tmp / "real" / "linkdir");
    fs::create_symlink(tmp / "real" / "song.mp3", tmp / "real" / "link.MP3");
    fs::create_symlink(tmp / "nowhere.mp3", tmp / "real" / "broken.mp3");
    fs::create_symlink(tmp / "nowhere", tmp / "real" / "brokendir");
    ASSERT_EQ(mkfifo((tmp / "real" / "pipe.mp3").c_str(), 0600), 0);
    FolderLists lists;
    lists.setpath((tmp / "real").string());
    ASSERT_EQ(lists.Dirs().listcount(), 2);
    EXPECT_EQ(lists.Dirs().list(0), (tmp / "real" / "linkdir").string());
    EXPECT_EQ(lists.Dirs().list(1), (tmp / "real" / "Sub").string());
    ASSERT_EQ(lists.Files().listcount(), 2);
    EXPECT_EQ(lists.Files().list(0), "link.MP3");
    EXPECT_EQ(lists.Files().list(1), "song.mp3");
    EXPECT_EQ(lists.Files().path(), lists.Dirs().path());
}

}  // namespace
}  // namespace tunedeck
