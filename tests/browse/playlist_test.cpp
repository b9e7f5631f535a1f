#include "browse/playlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/browse/tree.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using fixtures::TempDir;
using testing::touch;
using testing::writefile;

std::vector<std::string> paths(const PlayQueue& queue) {
    std::vector<std::string> out;
    for (int i = 0; i < queue.playlistcount; ++i) out.push_back(queue.playlist[i].path);
    return out;
}

class Playlist : public ::testing::Test {
  protected:
    void load(const std::string& text) {
        writefile(listfile(), text);
        loadplaylistfile(queue, listfile(), {"/nowhere", 1});
    }
    std::string listfile() const { return (tmp / "lists" / "party.m3u").string(); }
    std::string lists() const { return (tmp / "lists").string(); }

    TempDir tmp;
    PlayQueue queue;
};

// Each line beside the file it names, or "" when it names none. Files exist for every line, so
// a line skipped names nothing by its kind, not by chance: "C:" is a real folder name here.
TEST_F(Playlist, ResolvesEachKindOfLine) {
    const std::string elsewhere = (tmp / "else where").string();
    const std::vector<std::pair<std::string, std::string>> lines = {
        {"#EXTM3U", ""},
        {"#EXTINF:215,Some Title", ""},
        {"songs\\a_song.mp3", "songs/a_song.mp3"},
        {"songs/a_song.mp3", "songs/a_song.mp3"},
        {"Live: Part 1.mp3", "Live: Part 1.mp3"},
        {" #blank first.mp3", " #blank first.mp3"},
        {elsewhere + "/b.mp3", elsewhere + "/b.mp3"},
        {"file://" + (tmp / "else%20where" / "b%2Bc%zz.mp3").string(), elsewhere + "/b+c%zz.mp3"},
        {"FILE://localhost" + elsewhere + "/b.mp3", elsewhere + "/b.mp3"},
        {"file://server" + elsewhere + "/b.mp3", ""},
        {"C:\\x.mp3", ""},
        {"c:/x.mp3", ""},
        {"\\\\server\\share\\x.mp3", ""},
        {".secret.mp3", ""},
        {"songs", ""},
        {"", ""},
        {"missing.mp3", ""}};
    for (const char* file : {"songs/a_song.mp3", "Live: Part 1.mp3", " #blank first.mp3",
                             "C:/x.mp3", "c:/x.mp3", ".secret.mp3"})
        touch(tmp / "lists" / file);
    touch(elsewhere + "/b.mp3");
    touch(elsewhere + "/b+c%zz.mp3");
    std::string text;
    std::vector<std::string> expected;
    for (const auto& [line, file] : lines) {
        text += line + "\r\n";
        if (!file.empty()) expected.push_back(file.front() == '/' ? file : lists() + "/" + file);
    }
    load(text);
    EXPECT_EQ(paths(queue), expected);
    EXPECT_EQ(queue.playlist[0].name, "A Song");
    EXPECT_EQ(queue.playlist[2].name, "Live: Part 1");
}

TEST_F(Playlist, AllLineEndsGiveTheSameQueue) {
    for (const char* name : {"one.mp3", "two.wav", "three.mp3"}) touch(tmp / "lists" / name);
    // Loading replaces a longer queue; rows past the new count keep their text.
    for (int i = 0; i < 10; ++i) queue.append("old", "old" + std::to_string(i));
    const std::vector<std::string> expected = {lists() + "/one.mp3", lists() + "/two.wav",
                                               lists() + "/three.mp3"};
    for (const std::string text :
         {"one.mp3\ntwo.wav\nthree.mp3\n", "one.mp3\rtwo.wav\rthree.mp3",
          "one.mp3\r\ntwo.wav\r\nthree.mp3\r\n", "\xEF\xBB\xBFone.mp3\r\ntwo.wav\rthree.mp3\n",
          "#EXTM3U\none.mp3\n\n#x\r\ntwo.wav\r\rthree.mp3"}) {
        load(text);
        EXPECT_EQ(paths(queue), expected) << text;
        EXPECT_EQ(queue.playlistpos, 0);
    }
    EXPECT_EQ(queue.playlist[3].path, "old3");
}

// A line that is not UTF-8 names a file with those very bytes, or else is read as Windows-1252
// (0x92 is a right quote there, a control code in Latin-1).
TEST_F(Playlist, ReadsLinesThatAreNotUtf8AsWindows1252) {
    touch(tmp / "lists" / "It’s Over.mp3");
    touch(tmp / "lists" / "café.mp3");
    touch(tmp / "lists" / "raw\xE9.mp3");
    load("It\x92s Over.mp3\ncaf\xE9.mp3\nraw\xE9.mp3\n");
    EXPECT_EQ(paths(queue),
              (std::vector<std::string>{lists() + "/It\xE2\x80\x99s Over.mp3",
                                        lists() + "/café.mp3", lists() + "/raw\xE9.mp3"}));
    EXPECT_EQ(queue.playlist[2].name, "Raw\xEF\xBF\xBD");
}

TEST_F(Playlist, TakesAtMostTheQueuesRowsFromALongPlaylist) {
    touch(tmp / "lists" / "same.mp3");
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "same.mp3\r\n";
    load(text);
    EXPECT_EQ(queue.playlistcount, kQueueRows);
    EXPECT_EQ(queue.playlist[2000].path, lists() + "/same.mp3");
}

TEST_F(Playlist, SkipsOverlongLinesAndSurvivesBinaryFilesAndFilesThatCannotBeRead) {
    touch(tmp / "lists" / "ok.mp3");
    load(std::string(kMaxPlaylistLine + 1, 'x') + "\nok.mp3\n" + std::string("a\0b.mp3\n", 8));
    EXPECT_EQ(paths(queue), std::vector<std::string>{lists() + "/ok.mp3"});

    fixtures::writerandombytes(listfile(), 1 << 20, 7);
    loadplaylistfile(queue, listfile(), {"/", 0});
    EXPECT_EQ(queue.playlistcount, 0);

    // A file that cannot be read gives an empty queue.
    queue.append("old", "old");
    loadplaylistfile(queue, (tmp / "absent.m3u").string(), {"/", 0});
    EXPECT_EQ(queue.playlistcount, 0);
    touch(tmp / "dir.m3u" / "x");
    loadplaylistfile(queue, (tmp / "dir.m3u").string(), {"/", 0});
    EXPECT_EQ(queue.playlistcount, 0);
}

}  // namespace
}  // namespace tunedeck
