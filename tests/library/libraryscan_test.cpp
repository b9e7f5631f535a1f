// The library scan on its worker thread, taken on the test's thread as the UI thread takes it:
// the queue it builds against the walk done at once, and what clearing, restarting and
// stopping the queue do to a scan under way.
#include "library/libraryscan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "browse/tree.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

namespace fs = std::filesystem;
using testing::touch;

// The worker's wake-ups, as a condition the test thread waits on.
struct Wakeups {
    std::mutex lock;
    std::condition_variable changed;
    int count = 0;

    std::function<bool()> callback() {
        return [this] {
            std::lock_guard<std::mutex> guard(lock);
            ++count;
            changed.notify_all();
            return true;
        };
    }
    void wait(int seen) {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait_for(guard, std::chrono::seconds(10), [&] { return count > seen; });
    }
};

struct FakePlayer {
    bool active = false;
    std::vector<std::string> started;
    ScanPlayer player() {
        return {[this] { return active; },
                [this](const std::string& path) {
                    started.push_back(path);
                    active = true;
                    return false;
                }};
    }
};

std::vector<std::string> paths(const PlayQueue& queue) {
    std::vector<std::string> out;
    for (int i = 0; i < queue.playlistcount; ++i) out.push_back(queue.playlist[i].path);
    return out;
}

class LibraryScanTest : public ::testing::Test {
  protected:
    LibraryScanTest() : scan(queue, player.player(), wakeups.callback()) {}

    // Takes batches as they are handed over until the walk has ended.
    void drain() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (scan.running() && std::chrono::steady_clock::now() < deadline) {
            int seen = 0;
            {
                std::lock_guard<std::mutex> guard(wakeups.lock);
                seen = wakeups.count;
            }
            scan.take();
            if (scan.running()) wakeups.wait(seen);
        }
    }
    void start(bool queueing = true) {
        scan.start(root(), {root(), 0}, ScanFormats("mp3 flac"), queueing);
    }
    std::string root() const { return tmp.path().string(); }
    // The queue the whole scan at once gives for the tree: the walk's order to match.
    PlayQueue walkedatonce() {
        PlayQueue reference;
        FolderLists folders;
        FakePlayer refplayer;
        EXPECT_TRUE(scanfolders(folders, reference, root(), {root(), 0}, ScanFormats("mp3 flac"),
                                refplayer.player()));
        return reference;
    }

    // A tree with nested folders, files of other formats, a loop of links and a dangling one.
    void maketree() {
        for (int a = 0; a < 30; ++a)
            for (int b = 0; b < 3; ++b)
                for (const char* file : {"1.mp3", "2.flac", "3.wav", "list.m3u"})
                    touch(tmp / ("artist" + std::to_string(a)) / ("album" + std::to_string(b)) /
                          file);
        for (int i = 0; i < 500; ++i) touch(tmp / "flat" / ("s" + std::to_string(i) + ".mp3"));
        touch(tmp / "top.mp3");
        fs::create_directory_symlink("..", tmp / "artist1" / "up");
        fs::create_directory_symlink(tmp / "gone", tmp / "dangling");
    }

    fixtures::TempDir tmp;
    PlayQueue queue;
    FakePlayer player;
    Wakeups wakeups;
    LibraryScan scan;
};

TEST_F(LibraryScanTest, QueuesInTheOrderOfTheWalkDoneAtOnceAndStartsTheFirstFile) {
    maketree();
    start();
    EXPECT_TRUE(queue.growing);
    drain();
    const PlayQueue reference = walkedatonce();
    ASSERT_GT(reference.playlistcount, 600);
    EXPECT_EQ(paths(queue), paths(reference));
    EXPECT_EQ(queue.playlist[0].name, reference.playlist[0].name);
    EXPECT_EQ(player.started, std::vector<std::string>{reference.playlist[0].path});
    EXPECT_FALSE(queue.growing);
}

// Clearing the queue while the walk goes on ends what it adds: nothing reappears, and the
// queue the user builds afterwards stays theirs.
TEST_F(LibraryScanTest, ClearingTheQueueDropsTheScansLaterEntries) {
    maketree();
    start();
    queue.clear();
    queue.append("mine", "/mine.mp3");
    drain();
    EXPECT_EQ(paths(queue), std::vector<std::string>{"/mine.mp3"});
    EXPECT_TRUE(player.started.empty());
}

TEST_F(LibraryScanTest, StartingAgainEndsTheScanBeforeAndQueuesTheTreeOnce) {
    maketree();
    start();
    scan.take();
    queue.clear();
    start();
    drain();
    const PlayQueue reference = walkedatonce();
    EXPECT_EQ(paths(queue), paths(reference));
}

// Started from the caller's lists, the walk takes the root as they list it (start-up has just
// read it for the first screen) and reads every folder below it.
TEST_F(LibraryScanTest, AWalkFromTheCallersListsTakesTheRootAsTheyListIt) {
    maketree();
    FolderLists listed;
    listed.setpath(root());
    touch(tmp / "aaa" / "later.mp3");             // a root folder the lists do not hold
    touch(tmp / "artist0" / "album0" / "x.mp3");  // a file below the root, read by the walk
    scan.start(listed, {root(), 0}, ScanFormats("mp3 flac"), true);
    drain();
    const PlayQueue reference = walkedatonce();
    std::vector<std::string> expected = paths(reference);
    ASSERT_EQ(expected.front(), (tmp / "aaa" / "later.mp3").string());
    expected.erase(expected.begin());
    EXPECT_EQ(paths(queue), expected);
    EXPECT_NE(std::find(expected.begin(), expected.end(),
                        (tmp / "artist0" / "album0" / "x.mp3").string()),
              expected.end());
}

TEST_F(LibraryScanTest, AScanThatDoesNotQueueLeavesTheQueueAlone) {
    maketree();
    queue.append("restored", "/restored.mp3");
    queue.playlistpos = 0;
    start(false);
    EXPECT_FALSE(queue.growing);
    drain();
    EXPECT_EQ(paths(queue), std::vector<std::string>{"/restored.mp3"});
    EXPECT_TRUE(player.started.empty());
}

// Stopping hands nothing more over, and a stopped or destroyed scan never waits for its walk.
TEST_F(LibraryScanTest, StoppingEndsTheScanAtOnce) {
    maketree();
    start();
    scan.stop();
    EXPECT_FALSE(scan.running());
    EXPECT_EQ(scan.take().queued, 0);
    EXPECT_EQ(queue.playlistcount, 0);
    EXPECT_FALSE(queue.growing);
}

// Nothing under the root, or no root: the walk ends and says it met no music.
TEST_F(LibraryScanTest, AnEmptyOrMissingRootEndsWithoutMusic) {
    touch(tmp / "sub" / "notes.txt");
    start();
    EXPECT_EQ(scan.waitformusic(std::chrono::seconds(30)), std::optional<bool>(false));
    scan.start((tmp / "missing").string(), {root(), 0}, ScanFormats("mp3"), true);
    EXPECT_EQ(scan.waitformusic(std::chrono::seconds(30)), std::optional<bool>(false));
    touch(tmp / "sub" / "a.wav");  // music of a format not queued is still music
    start();
    EXPECT_EQ(scan.waitformusic(std::chrono::seconds(30)), std::optional<bool>(true));
}

}  // namespace
}  // namespace tunedeck
