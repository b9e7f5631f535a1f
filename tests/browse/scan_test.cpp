#include "browse/scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace tunedeck
