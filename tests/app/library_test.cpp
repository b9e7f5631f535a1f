// A household's library through the whole jukebox: 45,000 files (1,000 artists of 4 albums of
// 10 tracks, and 5,000 singles in one folder), queued whole at start-up in walk order, keys
// answered while the scan runs, and what C, Space, a playlist and X do to a scan under way.
// The tree is made once, of hard links, and shared by the tests.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>

#include "commands/keycodes.h"
#include "harness.h"

namespace tunedeck::testing {
namespace {

// A plain recursive walk over the folder lists: each folder's subfolders, then its MP3 files.
// Paths as they lie below `root`.
void simplewalk(const std::string& root, const std::string& folder, std::vector<std::string>& out) {
    FolderLists lists;
    lists.setpath(folder);
    std::vector<std::string> subfolders;
    for (int i = 0; i < lists.Dirs().listcount(); ++i) subfolders.push_back(lists.Dirs().list(i));
    std::vector<std::string> files;
    for (int i = 0; i < lists.Files().listcount(); ++i)
        if (lists.Files().list(i).ends_with(".mp3"))
            files.push_back(lists.Dirs().path().substr(root.size()) + "/" + lists.Files().list(i));
    for (const std::string& sub : subfolders) simplewalk(root, sub, out);
    out.insert(out.end(), files.begin(), files.end());
}

// The queue's paths as they lie below `root`.
std::vector<std::string> queuedpaths(const PlayQueue& queue, const fs::path& root) {
    std::vector<std::string> out;
    for (int i = 0; i < queue.playlistcount; ++i)
        out.push_back(queue.playlist[i].path.substr(root.string().size()));
    return out;
}

class BigLibrary : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        tree = std::make_unique<fx::TempDir>();
        fx::writetone(*tree / "tone.mp3", fx::AudioFormat::Mp3, fx::Tone{440.0, 20.0});
        fx::linklibrary(*tree / "music", *tree / "tone.mp3", {1000, 4, 10, 5000});
        // A playlist beside the first album's tracks, listed first among them.
        std::ofstream(*tree / "music" / "Artist 0000" / "Album 1" / "mix.m3u")
            << "Track 01.mp3\nTrack 02.mp3\n";
        expected = std::make_unique<std::vector<std::string>>();
    }
    static void TearDownTestSuite() {
        tree.reset();
        expected.reset();
    }

    // The jukebox on the shared tree, its start-up scan finished.
    Application& start() {
        fs::remove(h.root());
        fs::create_directory_symlink(*tree / "music", h.root());
        h.writesettings("none", "showletters=0\nperpage=11");
        Application& app = h.start();
        if (expected->empty()) simplewalk(h.root().string(), h.root().string(), *expected);
        return app;
    }
    // A key handled at once, without letting the scan finish.
    void key(int16_t code) {
        h.app->keydown(code);
        h.app->pump();
    }

    static std::unique_ptr<fx::TempDir> tree;
    static std::unique_ptr<std::vector<std::string>> expected;  // the walk's order
    Harness h{true};
};

std::unique_ptr<fx::TempDir> BigLibrary::tree;
std::unique_ptr<std::vector<std::string>> BigLibrary::expected;

TEST_F(BigLibrary, TheStartUpQueueHoldsEveryFileInTheOrderOfADepthFirstWalk) {
    Application& app = start();
    ASSERT_TRUE(h.loaded);
    ASSERT_EQ(expected->size(), 45000U);
    EXPECT_EQ(queuedpaths(app.queue(), h.root()), *expected);
    EXPECT_EQ(app.queue().playlist[0].name, "Track 01");
    EXPECT_EQ(h.active(), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(app.queue().playlistpos, 0);
    app.Timer1_Timer();
    EXPECT_TRUE(app.form().lblPlaylist.caption.starts_with("Playlist Item 1 of 45000 (Next: "))
        << app.form().lblPlaylist.caption;
}

// Keys move the highlight while the scan Space started goes on; the scan still queues the
// whole tree once.
TEST_F(BigLibrary, KeysAreAnsweredWhileTheScanRuns) {
    Application& app = start();
    ASSERT_TRUE(h.loaded);
    app.keydown(kKeySpace);
    const auto frames = app.screen().framecount();
    for (int i = 0; i < 5; ++i) {
        app.keydown(kKeyDown);
        if (i == 0) {
            EXPECT_TRUE(app.scanning());
        }
        app.pump();
        EXPECT_EQ(app.browse().row, i + 2);
    }
    EXPECT_GT(app.screen().framecount(), frames);
    h.settle();
    EXPECT_EQ(queuedpaths(app.queue(), h.root()), *expected);
}

// C during the scan empties the queue for good: the scan's later entries do not come back.
TEST_F(BigLibrary, ClearDuringTheScanKeepsTheQueueEmpty) {
    Application& app = start();
    ASSERT_TRUE(h.loaded);
    key(kKeySpace);
    ASSERT_TRUE(app.scanning());
    key(kKeyC);
    h.settle();
    EXPECT_EQ(app.queue().playlistcount, 0);
    EXPECT_FALSE(app.queue().growing);
}

// Space during the scan starts it over: the tree is queued once, from its start.
TEST_F(BigLibrary, SpaceDuringTheScanStartsItOver) {
    Application& app = start();
    ASSERT_TRUE(h.loaded);
    key(kKeySpace);
    for (int i = 0; i < 3; ++i) app.waitfor(5);
    key(kKeySpace);
    h.settle();
    EXPECT_EQ(queuedpaths(app.queue(), h.root()), *expected);
}

// Enter on a playlist during the scan: the playlist is the queue, and stays so.
TEST_F(BigLibrary, APlaylistChosenDuringTheScanReplacesTheQueue) {
    Application& app = start();
    ASSERT_TRUE(h.loaded);
    key(kKeyEnter);  // Artist 0000
    key(kKeyEnter);  // Album 1
    ASSERT_EQ(app.browse().highlighted(11)->label, "mix");
    key(kKeySpace);
    ASSERT_TRUE(app.scanning());
    key(kKeyEnter);
    h.settle();
    EXPECT_EQ(queuedpaths(app.queue(), h.root()),
              (std::vector<std::string>{"/Artist 0000/Album 1/Track 01.mp3",
                                        "/Artist 0000/Album 1/Track 02.mp3"}));
}

// X during the scan ends the program at once; the scan is not waited for.
TEST_F(BigLibrary, ExitDuringTheScanEndsWithoutWaiting) {
    Application& app = start();
    ASSERT_TRUE(h.loaded);
    key(kKeySpace);
    ASSERT_TRUE(app.scanning());
    const auto before = std::chrono::steady_clock::now();
    key(kKeyX);
    EXPECT_TRUE(app.ended());
    EXPECT_EQ(app.exitstatus(), 0);
    h.app.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
}

}  // namespace
}  // namespace tunedeck::testing
