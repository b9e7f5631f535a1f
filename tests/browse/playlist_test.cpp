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
    for (int i = 0; i < queue.playlistcount; ++i) out.push_back(queue.playlist[i][1]);
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

TEST_F(Playlist, ResolvesRelativeAndFullPathsAndSkipsComments) {
    touch(tmp / "lists" / "songs" / "a_song.mp3");
    touch(tmp / "elsewhere" / "b.mp3");
    const std::string full = (tmp / "elsewhere" / "b.mp3").string();
    load("#EXTM3U\r\n#EXTINF:215,Some Title\r\nsongs\\a_song.mp3\r\n" + full + "\r\n\r\n" +
         "missing.mp3\r\nsongs\r\nsongs/a_song.mp3");
    EXPECT_EQ(paths(queue), (std::vector<std::string>{lists() + "/songs/a_song.mp3", full,
                                                      lists() + "/songs/a_song.mp3"}));
    EXPECT_EQ(queue.playlist[0][0], "A Song");
    EXPECT_EQ(queue.playlist[1][0], "B");
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
    EXPECT_EQ(queue.playlist[3][1], "old3");
}

TEST_F(Playlist, SkipsFoldersHiddenFilesAndLinesWithAColonThatNameNothing) {
    touch(tmp / "lists" / ".secret.mp3");
    touch(tmp / "lists" / "live: part 1.mp3");
    load(".secret.mp3\nlive: part 1.mp3\n\\\\server\\share\\x.mp3\n");
    EXPECT_EQ(queue.playlistcount, 0);
}

TEST_F(Playlist, TriesLatinOneWhenALineIsNotUtf8) {
    touch(tmp / "lists" / "caf\xC3\xA9.mp3");
    touch(tmp / "lists" / "raw\xE9.mp3");
    load("caf\xE9.mp3\nraw\xE9.mp3\n");
    EXPECT_EQ(paths(queue),
              (std::vector<std::string>{lists() + "/caf\xC3\xA9.mp3", lists() + "/raw\xE9.mp3"}));
    EXPECT_EQ(queue.playlist[1][0], "Raw\xEF\xBF\xBD");
}

TEST_F(Playlist, TakesAtMostTheQueuesRowsFromALongPlaylist) {
    touch(tmp / "lists" / "same.mp3");
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "same.mp3\r\n";
    load(text);
    EXPECT_EQ(queue.playlistcount, kQueueRows);
    EXPECT_EQ(queue.playlist[2000][1], lists() + "/same.mp3");
}

TEST_F(Playlist, SkipsOverlongLinesAndSurvivesBinaryFiles) {
    touch(tmp / "lists" / "ok.mp3");
    load(std::string(kMaxPlaylistLine + 1, 'x') + "\nok.mp3\n" + std::string("a\0b.mp3\n", 8));
    EXPECT_EQ(paths(queue), std::vector<std::string>{lists() + "/ok.mp3"});

    fixtures::writerandombytes(listfile(), 1 << 20, 7);
    loadplaylistfile(queue, listfile(), {"/", 0});
    EXPECT_EQ(queue.playlistcount, 0);
}

TEST_F(Playlist, FileThatCannotBeReadGivesAnEmptyQueue) {
    queue.append("old", "old");
    loadplaylistfile(queue, (tmp / "absent.m3u").string(), {"/", 0});
    EXPECT_EQ(queue.playlistcount, 0);
    touch(tmp / "dir.m3u" / "x");
    loadplaylistfile(queue, (tmp / "dir.m3u").string(), {"/", 0});
    EXPECT_EQ(queue.playlistcount, 0);
}

}  // namespace
}  // namespace tunedeck
