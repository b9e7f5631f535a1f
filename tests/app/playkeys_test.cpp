// Playback and queue keys in file mode, with the real engine on SDL's disk driver, and the road
// of one key press from Right on a file to the end of that file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "harness.h"

namespace tunedeck::testing {
namespace {

namespace fs = std::filesystem;

class FileKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"a", "b", "c"}) h.tone(std::string(name) + ".mp3", 20.0);
        // Real time: the keys must meet a stream that is still playing, however slow the build.
        unsetenv("SDL_DISKAUDIODELAY");
        h.writesettings("none");
        h.start();
        ASSERT_TRUE(h.loaded) << h.app->endreason();
    }
    PlayQueue& queue() { return h.app->queue(); }
    Harness h;
};

TEST_F(FileKeys, NextAndPreviousWrapAndPlayPauseStopMoveTheStream) {
    queue().playlistpos = 2;
    h.press(SDLK_n);
    EXPECT_EQ(queue().playlistpos, 0);
    h.press(SDLK_p);
    EXPECT_EQ(queue().playlistpos, 2);
    h.press(SDLK_l);
    EXPECT_EQ(h.active(), BASS_ACTIVE_PAUSED);
    h.app->Timer1_Timer();
    EXPECT_EQ(h.app->form().lblState.caption, "Paused");
    EXPECT_EQ(h.app->form().lblTrack.caption, "c");
    h.press(SDLK_l);
    EXPECT_EQ(h.active(), BASS_ACTIVE_PLAYING);
    h.press(SDLK_s);
    EXPECT_EQ(h.active(), BASS_ACTIVE_STOPPED);
    h.press(SDLK_l);  // stopped: the highlighted file plays, the queue is untouched
    EXPECT_EQ(h.active(), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(queue().playlistcount, 3);
}

TEST_F(FileKeys, EnterJumpsToAQueuedFileOrPlaysAnUnqueuedOneAlone) {
    h.app->browse().row = 3;
    h.press(SDLK_RETURN);
    EXPECT_EQ(queue().playlistpos, 2);
    h.press(SDLK_RIGHT);  // take c out: it keeps playing, the position stays inside the queue
    EXPECT_EQ(queue().playlistcount, 2);
    EXPECT_EQ(queue().playlistpos, 1);
    EXPECT_EQ(h.active(), BASS_ACTIVE_PLAYING);
    h.press(SDLK_p);  // the entry before c
    h.app->Timer1_Timer();
    EXPECT_EQ(h.app->form().lblTrack.caption, "b");
    h.press(SDLK_RETURN);  // c is not queued: the queue empties and c plays alone
    EXPECT_EQ(queue().playlistcount, 0);
    EXPECT_EQ(queue().playlistpos, 1);
    EXPECT_EQ(h.active(), BASS_ACTIVE_PLAYING);
}

TEST_F(FileKeys, QueueingTheListingGoesOnPastTwoThousandEntries) {
    h.press(SDLK_c);
    EXPECT_EQ(h.active(), BASS_ACTIVE_PLAYING);  // clearing never touches playback
    h.press(SDLK_a);
    h.press(SDLK_a);
    ASSERT_EQ(queue().playlistcount, 6);
    EXPECT_EQ(queue().playlist[3].path, (h.root() / "a.mp3").string());
    while (queue().playlistcount < 2001) h.app->keydown(65);
    EXPECT_EQ(queue().playlistcount, 2001);
    h.press(SDLK_a);
    EXPECT_EQ(queue().playlistcount, 2004);
    EXPECT_EQ(queue().playlist[2003].path, (h.root() / "c.mp3").string());
}

// Queue 1 to 5 with 1, 3 and 5 unplayable (empty, a single byte, zeros): the start-up queue and
// every way of choosing an entry go on to the next one that plays, in its own direction, and stops
// only when none does (or none exists).
class UnplayableEntries : public ::testing::Test {
  protected:
    void SetUp() override {
        unsetenv("SDL_DISKAUDIODELAY");
        const std::string unplayable[] = {"", "\xff", std::string(65536, '\0')};
        for (const int n : {1, 3, 5})
            std::ofstream(h.root() / (std::to_string(n) + ".mp3"), std::ios::binary)
                << unplayable[n / 2];
        for (const char* name : {"2.mp3", "4.mp3"}) h.tone(name, 20.0);
        std::ofstream(h.root() / "good.m3u") << "5.mp3\n3.mp3\n4.mp3\n";
        std::ofstream(h.root() / "none.m3u") << "1.mp3\n3.mp3\n";
        std::ofstream(h.root() / "gone.m3u") << "missing1.mp3\nmissing2.mp3\n";
        h.writesettings("none");
        h.start();
        ASSERT_TRUE(h.loaded) << h.app->endreason();
    }
    void enteron(const std::string& name) {
        const BrowseState& b = h.app->browse();
        for (int t = 1; t <= b.itemcount(); ++t)
            if (b.items.at(t).target == (h.root() / name).string()) h.app->browse().row = t;
        h.press(SDLK_RETURN);
    }
    int pos() { return h.app->queue().playlistpos; }
    Harness h;
};

TEST_F(UnplayableEntries, EachWayOfChoosingGoesOnToTheNextEntryThatPlays) {
    EXPECT_EQ(pos(), 1);
    EXPECT_EQ(h.active(), BASS_ACTIVE_PLAYING);
    h.app->Timer1_Timer();
    EXPECT_EQ(h.app->form().lblTrack.caption, "2");
    h.press(SDLK_n);
    EXPECT_EQ(pos(), 3);
    h.press(SDLK_n);  // 5, round the end, 1
    EXPECT_EQ(pos(), 1);
    h.press(SDLK_p);  // 1, round the start, 5
    EXPECT_EQ(pos(), 3);
    enteron("1.mp3");
    EXPECT_EQ(pos(), 1);
    EXPECT_EQ(h.active(), BASS_ACTIVE_PLAYING);
    enteron("good.m3u");
    EXPECT_EQ(h.app->queue().playlistcount, 3);
    EXPECT_EQ(pos(), 2);
    EXPECT_EQ(h.active(), BASS_ACTIVE_PLAYING);
    enteron("none.m3u");
    EXPECT_EQ(pos(), 0);
    EXPECT_EQ(h.active(), BASS_ACTIVE_STOPPED);
    h.press(SDLK_n);
    EXPECT_EQ(pos(), 1);  // where N went first
    EXPECT_EQ(h.active(), BASS_ACTIVE_STOPPED);
    const uint32_t stream = h.app->queue().stream;
    enteron("gone.m3u");  // names no file at all: an empty queue, nothing played
    EXPECT_EQ(h.app->queue().playlistcount, 0);
    EXPECT_EQ(h.app->queue().stream, stream);
    EXPECT_EQ(h.active(), BASS_ACTIVE_STOPPED);
}

TEST(Road, RightOnAFileOfAnEmptyQueueQueuesPlaysAndEnds) {
    Harness h;
    unsetenv("SDL_DISKAUDIODELAY");  // real time, so that a tick sees the file playing
    h.tone("a.mp3", 3.0);
    h.tone("b.mp3", 0.3);
    h.writesettings("none");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded) << app.endreason();
    h.press(SDLK_c);
    h.press(SDLK_s);
    ASSERT_EQ(app.queue().playlistcount, 0);
    app.Timer1_Timer();
    EXPECT_EQ(app.form().lblPlaylist.caption, "");  // an empty queue has no queue line

    app.saver().idlecount = 9;
    h.press(SDLK_RIGHT);
    EXPECT_EQ(app.saver().idlecount, 0);
    ASSERT_EQ(app.queue().playlistcount, 1);
    EXPECT_EQ(app.queue().playlistpos, 0);
    EXPECT_EQ(app.queue().playlist[0].path, (h.root() / "a.mp3").string());
    EXPECT_EQ(app.cues().lastcue(), (h.dir.path() / "playlistadd.wav").string());
    EXPECT_EQ(app.form().lblItem.get(1)->caption, "a (1)");
    EXPECT_EQ(h.active(), BASS_ACTIVE_PLAYING);

    app.Timer1_Timer();
    EXPECT_EQ(app.form().lblState.caption, "00:00 / 00:03");
    EXPECT_EQ(app.form().lblTrack.caption, "a");
    EXPECT_EQ(app.form().lblPlaylist.caption,
              "Playlist Item 1 of 1 (Next: Nothing. Playlist Completed. Playback will Stop.)");

    ASSERT_TRUE(h.waituntil([&] { return h.active() == BASS_ACTIVE_STOPPED; }));
    app.Timer1_Timer();
    EXPECT_EQ(app.queue().playlistpos, 0);
    EXPECT_EQ(app.form().lblState.caption, "Stop");
    EXPECT_EQ(app.form().lblTrack.caption, "");
}

// The last entry, playing, is taken out and then ends: the queue has played to its end, so P
// wraps from its start to the last entry, and the queue line counts from its first entry.
TEST(QueueEnd, PreviousAfterATakenOutLastEntryEndedPlaysTheLastEntry) {
    Harness h(true);
    for (const char* name : {"a", "b", "c"}) h.tone(std::string(name) + ".mp3", 1.0);
    h.writesettings("none");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded) << app.endreason();
    app.browse().row = 3;
    h.press(SDLK_RETURN);
    ASSERT_EQ(app.queue().playlistpos, 2);
    h.press(SDLK_RIGHT);  // c taken out while it plays
    ASSERT_EQ(app.queue().playlistcount, 2);
    ASSERT_TRUE(h.waituntil([&] { return h.active() == BASS_ACTIVE_STOPPED; }));
    app.Timer1_Timer();
    EXPECT_EQ(app.form().lblPlaylist.caption, "Playlist Item 1 of 2 (Next: b)");
    h.press(SDLK_p);
    EXPECT_EQ(app.queue().playlistpos, 1);
    app.Timer1_Timer();
    EXPECT_EQ(app.form().lblTrack.caption, "b");
}

}  // namespace
}  // namespace tunedeck::testing
