#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "browse/playlist.h"
#include "browse/scan.h"
#include "settings/settings.h"
#include "tests/browse/tree.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

namespace fs = std::filesystem;
using fixtures::TempDir;
using testing::touch;

// Records what the walk asks of the player; the real engine is exercised in browser_test.
struct RecordingPlayer {
    bool active = false;
    int failures = 0;  // the first `failures` starts fail
    std::vector<std::string> started;
    std::vector<int> queuedatstart;
    const PlayQueue* queue = nullptr;

    ScanPlayer player() {
        return {[this] { return active; },
                [this](const std::string& path) {
                    started.push_back(path);
                    queuedatstart.push_back(queue->playlistcount);
                    if (static_cast<int>(started.size()) <= failures) return true;
                    active = true;
                    return false;
                }};
    }
};

std::vector<std::string> queued(const PlayQueue& queue, const std::string& base) {
    std::vector<std::string> out;
    for (int i = 0; i < queue.playlistcount; ++i) {
        const std::string& path = queue.playlist[i].path;
        out.push_back(path.starts_with(base) ? path.substr(base.size()) : path);
    }
    return out;
}

class Scan : public ::testing::Test {
  protected:
    // True when the walk met music of any format.
    bool run(const std::string& folder, std::string_view formats = Settings{}.scanformats) {
        recorder.queue = &queue;
        return scanfolders(folders, queue, folder, {root(), 0}, ScanFormats(formats),
                           recorder.player());
    }
    std::string root() const { return tmp.path().string(); }

    TempDir tmp;
    FolderLists folders;
    PlayQueue queue;
    RecordingPlayer recorder;
};

TEST_F(Scan, QueuesDepthFirstAndStartsAfterTheFirstFolderWithMusic) {
    touch(tmp / "a.mp3");
    touch(tmp / "b" / "c.mp3");
    touch(tmp / "b" / "d" / "e.MP3");
    touch(tmp / "b" / "x.wma");
    touch(tmp / "b" / "y.wav");
    touch(tmp / "b" / "list.m3u");
    touch(tmp / "b" / "list.m3u8");
    touch(tmp / "f" / "g.Mp3");
    for (const char* ext : {"flac", "ogg", "OGA", "opus", "m4a", "Aac"})
        touch(tmp / "n" / (std::string("t.") + ext));
    folders.setpath("/");
    EXPECT_TRUE(run(root()));
    EXPECT_EQ(
        queued(queue, root()),
        (std::vector<std::string>{"/b/d/e.MP3", "/b/c.mp3", "/f/g.Mp3", "/n/t.Aac", "/n/t.flac",
                                  "/n/t.m4a", "/n/t.OGA", "/n/t.ogg", "/n/t.opus", "/a.mp3"}));
    EXPECT_EQ(queue.playlist[0].name, "e");
    EXPECT_EQ(recorder.started, std::vector<std::string>{root() + "/b/d/e.MP3"});
    EXPECT_EQ(recorder.queuedatstart, std::vector<int>{1});
    EXPECT_EQ(folders.Dirs().path(), root());
}

// The formats setting picks what is queued; music left out still counts as music found, so
// that start-up can tell a library of other formats from one without music.
TEST_F(Scan, QueuesOnlyTheGivenFormatsAndReportsMusicLeftOut) {
    touch(tmp / "x.wav");
    touch(tmp / "d" / "y.wma");
    touch(tmp / "d" / "z.flac");
    touch(tmp / "d" / "p.m3u");
    EXPECT_TRUE(run(root()));
    EXPECT_EQ(queued(queue, root()), std::vector<std::string>{"/d/z.flac"});

    queue.clear();
    EXPECT_TRUE(run(root(), "  WAV\t.wma m3u m3u8 bogus "));
    EXPECT_EQ(queued(queue, root()), (std::vector<std::string>{"/d/y.wma", "/x.wav"}));

    queue.clear();
    recorder.started.clear();
    EXPECT_TRUE(run(root(), ""));
    EXPECT_EQ(queue.playlistcount, 0);
    EXPECT_TRUE(recorder.started.empty());
}

TEST_F(Scan, FailuresGoOnToTheNextRowEachTriedOnceAndNoneStartingLeavesThePosition) {
    touch(tmp / "a" / "1.mp3");
    touch(tmp / "b" / "empty.wav");
    for (const char* name : {"2.mp3", "3.mp3", "4.mp3"}) touch(tmp / "c" / name);
    recorder.failures = 3;
    run(root());
    EXPECT_EQ(recorder.started,
              (std::vector<std::string>{root() + "/a/1.mp3", root() + "/c/2.mp3",
                                        root() + "/c/3.mp3", root() + "/c/4.mp3"}));
    EXPECT_EQ(queue.playlistpos, 3);

    queue.clear();  // none starting leaves the position at the start
    recorder = RecordingPlayer{};
    recorder.failures = 99;
    run(root());
    EXPECT_EQ(recorder.started.size(), 4U);
    EXPECT_EQ(queue.playlistpos, 0);
}

TEST_F(Scan, ActiveStreamIsLeftPlaying) {
    touch(tmp / "a.mp3");
    recorder.active = true;
    run(root());
    EXPECT_EQ(queue.playlistcount, 1);
    EXPECT_TRUE(recorder.started.empty());
}

TEST_F(Scan, LinksBackIntoTheTreeAreWalkedOnce) {
    touch(tmp / "a" / "b" / "song.mp3");
    fs::create_directory_symlink(".", tmp / "a" / "self");
    fs::create_directory_symlink("../..", tmp / "a" / "b" / "up");
    fs::create_directory_symlink("b", tmp / "a" / "again");
    run(root());
    // "again" reaches b by another road while b is not on the walk path: that is no loop.
    EXPECT_EQ(queued(queue, root()),
              (std::vector<std::string>{"/a/again/song.mp3", "/a/b/song.mp3"}));
}

TEST_F(Scan, WalksATreeThreeHundredLevelsDeep) {
    fs::path deep = tmp.path();
    for (int i = 0; i < 300; ++i) deep /= "d";
    touch(deep / "bottom.mp3");
    touch(tmp / "top.mp3");
    run(root());
    ASSERT_EQ(queue.playlistcount, 2);
    EXPECT_EQ(queue.playlist[0].path, (deep / "bottom.mp3").string());
    EXPECT_EQ(queue.playlist[1].path, root() + "/top.mp3");
}

TEST_F(Scan, StopsOnceTheQueueIsFull) {
    for (int i = 0; i < 2100; ++i) touch(tmp / "a" / ("s" + std::to_string(10000 + i) + ".mp3"));
    touch(tmp / "b" / "late.mp3");
    run(root());
    EXPECT_EQ(queue.playlistcount, kQueueRows);
    EXPECT_EQ(queue.playlist[2000].path, root() + "/a/s12000.mp3");
    EXPECT_EQ(folders.Dirs().path(), root());
}

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
