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

std::vector<std::string> filesof(const FolderLists& lists) {
    std::vector<std::string> out;
    for (int i = 0; i < lists.Files().listcount(); ++i) out.push_back(lists.Files().list(i));
    return out;
}

std::vector<std::string> dirsof(const FolderLists& lists) {
    std::vector<std::string> out;
    for (int i = 0; i < lists.Dirs().listcount(); ++i) out.push_back(lists.Dirs().list(i));
    return out;
}

TEST(FolderLists, OrdersWithoutRegardToCaseThenByRawBytes) {
    TempDir tmp;
    for (const char* name : {"b.mp3", "a.mp3", "A.mp3", "C.wav",
                             "\xC3\xA9"
                             "clair.mp3",
                             "\xC3\x89mile.mp3", "f.mp3"})
        touch(tmp / name);
    FolderLists lists;
    lists.setpath(tmp.path().string());
    const std::vector<std::string> expected = {"A.mp3",
                                               "a.mp3",
                                               "b.mp3",
                                               "C.wav",
                                               "f.mp3",
                                               "\xC3\xA9"
                                               "clair.mp3",
                                               "\xC3\x89mile.mp3"};
    EXPECT_EQ(filesof(lists), expected);
}

TEST(FolderLists, ListsOnlyVisibleMatchingRegularFilesFollowingLinks) {
    TempDir tmp;
    for (const char* name : {"one.MP3", "two.Wma", "three.wav", "list.m3u", "notes.txt",
                             ".hidden.mp3", "mp3", "x.mp3.bak"})
        touch(tmp / name);
    fs::create_directory(tmp / "folder.mp3");
    fs::create_directory(tmp / ".git");
    fs::create_directory(tmp / "Sub");
    fs::create_symlink("one.MP3", tmp / "link.mp3");
    fs::create_symlink("missing.mp3", tmp / "broken.mp3");
    fs::create_directory_symlink("Sub", tmp / "linkdir");
    ASSERT_EQ(mkfifo((tmp / "pipe.mp3").c_str(), 0600), 0);

    FolderLists lists;
    lists.setpath(tmp.path().string());
    const std::vector<std::string> files = {"link.mp3", "list.m3u", "one.MP3", "three.wav",
                                            "two.Wma"};
    EXPECT_EQ(filesof(lists), files);
    const std::string base = tmp.path().string();
    const std::vector<std::string> dirs = {base + "/folder.mp3", base + "/linkdir", base + "/Sub"};
    EXPECT_EQ(dirsof(lists), dirs);
}

TEST(FolderLists, KeepsPathsInNormalForm) {
    TempDir tmp;
    fs::create_directories(tmp / "a" / "b");
    const std::string base = tmp.path().string();
    FolderLists lists;
    lists.setpath(base + "/a/./b/../");
    EXPECT_EQ(lists.Dirs().path(), base + "/a");
    EXPECT_EQ(lists.Files().path(), base + "/a");
    EXPECT_EQ(dirsof(lists), std::vector<std::string>{base + "/a/b"});

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

TEST(FolderLists, ListsAFolderOfFiveThousandFiles) {
    TempDir tmp;
    for (int i = 4999; i >= 0; --i) touch(tmp / ("Track " + std::to_string(i) + ".mp3"));
    FolderLists lists;
    lists.setpath(tmp.path().string());
    ASSERT_EQ(lists.Files().listcount(), 5000);
    for (int i = 1; i < 5000; ++i)
        ASSERT_TRUE(caselessless(lists.Files().list(i - 1), lists.Files().list(i))) << i;
}

TEST(Text, MapsCasePerCodePointAndKeepsInvalidBytes) {
    EXPECT_EQ(toupperutf8("\xC3\xA9t\xC3\xA9 \xD0\xB6"), "\xC3\x89T\xC3\x89 \xD0\x96");
    EXPECT_EQ(tolowerutf8("AB\xFF"
                          "C"),
              "ab\xFF"
              "c");
    EXPECT_EQ(firstcharupper("\xC3\xA9x"), "\xC3\x89");
    EXPECT_EQ(firstcharupper("\xFFx"), "\xEF\xBF\xBD");
    EXPECT_EQ(tovalidutf8("a\xC3(b\xE2\x82"), "a\xEF\xBF\xBD(b\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(windows1252toutf8("It\x92s caf\xE9 \x80"),
              "It\xE2\x80\x99s caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_FALSE(isvalidutf8("\xED\xA0\x80"));  // an encoded surrogate
    EXPECT_FALSE(isvalidutf8("\xC0\xAF"));      // an overlong form
}

}  // namespace
}  // namespace tunedeck
