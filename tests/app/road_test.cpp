// The road of a typical key press, step by step: Right on a music file while the queue is
// empty, the tick that follows, and the end of the file.
#include <gtest/gtest.h>

#include <cstdlib>

#include "harness.h"

namespace tunedeck::testing {
namespace {

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

}  // namespace
}  // namespace tunedeck::testing
