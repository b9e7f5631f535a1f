// Playback and queue keys in file mode, with the real engine on SDL's disk driver.
#include <gtest/gtest.h>

#include <fstream>

#include "harness.h"

namespace tunedeck::testing {
namespace {

class FileKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"a", "b", "c"}) h.tone(std::string(name) + ".mp3", 440, 20.0);
        h.writesettings("none", "showletters=0");
        h.start();
        ASSERT_TRUE(h.loaded) << h.app->endreason();
        ASSERT_EQ(queue().playlistcount, 3);
    }
    PlayQueue& queue() { return h.app->queue(); }
    DWORD active() { return BASS_ChannelIsActive(h.app->bass(), queue().stream); }
    std::string playing() { return queue().playlist[queue().playlistpos][1]; }
    Harness h;
};

TEST_F(FileKeys, NextAndPreviousWrapAroundTheQueue) {
    queue().playlistpos = 2;
    h.press(SDLK_n);
    EXPECT_EQ(queue().playlistpos, 0);
    EXPECT_NE(active(), BASS_ACTIVE_STOPPED);
    h.press(SDLK_p);
    EXPECT_EQ(queue().playlistpos, 2);
    h.press(SDLK_c);
    h.press(SDLK_RIGHT);  // a one-entry queue
    h.press(SDLK_n);
    EXPECT_EQ(queue().playlistpos, 0);
}

TEST_F(FileKeys, PlayPauseAndStopMoveTheStreamBetweenItsStates) {
    ASSERT_EQ(active(), BASS_ACTIVE_PLAYING);
    h.press(SDLK_l);
    EXPECT_EQ(active(), BASS_ACTIVE_PAUSED);
    h.app->Timer1_Timer();
    EXPECT_EQ(h.app->form().lblState.caption, "Paused");
    EXPECT_EQ(h.app->form().lblTrack.caption, "a");
    h.press(SDLK_l);
    EXPECT_EQ(active(), BASS_ACTIVE_PLAYING);
    h.press(SDLK_s);
    EXPECT_EQ(active(), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(queue().playlistcount, 3);
    h.app->Timer1_Timer();
    EXPECT_EQ(h.app->form().lblState.caption, "Stop");
    h.app->browse().row = 2;
    h.press(SDLK_l);  // stopped: plays the highlighted file without queueing it
    EXPECT_EQ(active(), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(queue().playlistcount, 3);
}

TEST_F(FileKeys, EnterJumpsToAQueuedFileOrPlaysAnUnqueuedOneAlone) {
    h.app->browse().row = 3;
    h.press(SDLK_RETURN);
    EXPECT_EQ(queue().playlistpos, 2);
    EXPECT_EQ(active(), BASS_ACTIVE_PLAYING);
    h.press(SDLK_RIGHT);  // take c out again: c stays playing
    EXPECT_EQ(queue().playlistcount, 2);
    h.press(SDLK_RETURN);  // c is not queued now: the queue empties, c plays alone
    EXPECT_EQ(queue().playlistcount, 0);
    EXPECT_EQ(queue().playlistpos, 2);  // left as it was
    EXPECT_EQ(active(), BASS_ACTIVE_PLAYING);
    h.app->Timer1_Timer();
    EXPECT_EQ(h.app->form().lblPlaylist.caption, "");
}

TEST_F(FileKeys, RemovingAnEarlierEntryKeepsTheQueueLineOnThePlayingEntry) {
    h.press(SDLK_n);  // b plays
    ASSERT_EQ(queue().playlistpos, 1);
    h.press(SDLK_RIGHT);  // row 1 is a: take it out
    EXPECT_EQ(queue().playlistcount, 2);
    EXPECT_EQ(queue().playlistpos, 0);
    EXPECT_EQ(playing(), (h.root() / "b.mp3").string());
    h.app->Timer1_Timer();
    EXPECT_EQ(h.app->form().lblPlaylist.caption, "Playlist Item 1 of 2 (Next: c)");
}

TEST_F(FileKeys, QueueTheListingTwiceAndStopAtAFullQueue) {
    h.press(SDLK_c);
    EXPECT_EQ(queue().playlistcount, 0);
    EXPECT_EQ(active(), BASS_ACTIVE_PLAYING);  // clearing never touches playback
    h.press(SDLK_a);
    h.press(SDLK_a);
    ASSERT_EQ(queue().playlistcount, 6);
    EXPECT_EQ(queue().playlist[3][1], (h.root() / "a.mp3").string());
    while (queue().playlistcount < kQueueRows - 1) h.app->keydown(65);
    EXPECT_EQ(queue().playlistcount, kQueueRows);  // the last press filled the table
    h.press(SDLK_a);
    EXPECT_EQ(queue().playlistcount, kQueueRows);
    h.press(SDLK_RIGHT);  // a is queued: Right takes it out
    EXPECT_EQ(queue().playlistcount, kQueueRows - 1);
    h.press(SDLK_RIGHT);
    h.press(SDLK_RIGHT);
    EXPECT_LE(queue().playlistcount, kQueueRows);
}

TEST_F(FileKeys, SpaceQueuesEverythingAgainFromTheRoot) {
    h.press(SDLK_c);
    h.press(SDLK_SPACE);
    EXPECT_EQ(queue().playlistcount, 3);
    EXPECT_EQ(queue().playlistpos, 0);
    EXPECT_EQ(h.app->folders().Dirs().path(), h.root().string());
}

TEST(Playlists, APlaylistNamingNoFilePlaysNothing) {
    Harness h;
    h.tone("a.mp3", 440, 20.0);
    std::ofstream(h.root() / "gone.m3u") << "missing1.mp3\nmissing2.mp3\n";
    h.writesettings("none", "showletters=0");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded);
    h.press(SDLK_s);
    const uint32_t stream = app.queue().stream;
    h.press(SDLK_DOWN);
    ASSERT_EQ(app.browse().items[2][2], kKindPlaylist);
    h.press(SDLK_RETURN);
    EXPECT_EQ(app.queue().playlistcount, 0);
    EXPECT_EQ(app.queue().stream, stream);
    EXPECT_EQ(BASS_ChannelIsActive(app.bass(), stream), BASS_ACTIVE_STOPPED);
}

TEST(Playlists, APlaylistReplacesTheQueueAndPlaysItsFirstEntry) {
    Harness h;
    h.tone("a.mp3", 440, 20.0);
    h.tone("sub/b.mp3", 660, 20.0);
    std::ofstream(h.root() / "list.m3u") << "sub/b.mp3\r\na.mp3\r\n";
    h.writesettings("none", "showletters=0");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded);
    h.press(SDLK_DOWN);
    h.press(SDLK_DOWN);  // sub, a.mp3, list.m3u
    ASSERT_EQ(app.browse().items[3][2], kKindPlaylist);
    h.press(SDLK_RETURN);
    ASSERT_EQ(app.queue().playlistcount, 2);
    EXPECT_EQ(app.queue().playlistpos, 0);
    EXPECT_EQ(BASS_ChannelIsActive(app.bass(), app.queue().stream), BASS_ACTIVE_PLAYING);
}

TEST_F(FileKeys, SeekKeysDoNothingInFileMode) {
    const uint32_t stream = queue().stream;
    h.app->cues().forget();
    h.press(SDLK_e);
    h.press(SDLK_z);
    EXPECT_EQ(queue().stream, stream);
    EXPECT_EQ(h.app->cues().lastcue(), "");
}

}  // namespace
}  // namespace tunedeck::testing
