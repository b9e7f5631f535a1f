// Playback keys in audio-CD mode, on a generated disc image.
#include <gtest/gtest.h>

#include "commands/mcireply.h"
#include "harness.h"

namespace tunedeck::testing {
namespace {

class CdKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        unsetenv("SDL_DISKAUDIODELAY");  // the drive plays in real time
        fixtures::writecdimage(h.dir / "disc.cue", std::vector<fixtures::CdTrack>(
                                                       4, fixtures::CdTrack{30.0, 440.0, false}));
        h.writesettings((h.dir / "disc.cue").string());
        h.start();
        ASSERT_TRUE(h.loaded) << h.app->endreason();
    }
    std::string status(const char* command) {
        char reply[64] = {};
        mciSendStringA(h.app->mci(), command, reply, sizeof reply, nullptr);
        return reply;
    }
    int track() { return replynumber(status("status cd position"), 2).value_or(-1); }
    Harness h;
};

TEST_F(CdKeys, EnterPlaysAnotherTrackPausesThePlayingOneAndResumes) {
    ASSERT_EQ(status("status cd mode"), "playing");
    h.app->browse().row = 3;
    h.press(SDLK_RETURN);
    EXPECT_EQ(track(), 3);
    EXPECT_EQ(h.app->queue().playlistpos, 1);  // the track that was playing when asked
    h.press(SDLK_RETURN);                      // the playing track: pause
    EXPECT_EQ(status("status cd mode").substr(0, 6), "paused");
    h.press(SDLK_RETURN);  // neither playing nor stopped: nothing
    EXPECT_EQ(status("status cd mode").substr(0, 6), "paused");
    h.press(SDLK_s);
    EXPECT_EQ(status("status cd mode"), "stopped");
    h.press(SDLK_RETURN);  // stopped: play on from the drive's position
    EXPECT_EQ(status("status cd mode"), "playing");
}

TEST_F(CdKeys, NextAndPreviousWrapOverTheDisc) {
    h.press(SDLK_p);
    EXPECT_EQ(track(), 4);
    EXPECT_EQ(h.app->queue().playlistpos, 4);
    EXPECT_EQ(h.app->form().lblState.caption, "playing");
    h.press(SDLK_n);
    EXPECT_EQ(track(), 1);
    h.press(SDLK_l);
    EXPECT_EQ(status("status cd mode").substr(0, 6), "paused");
    h.press(SDLK_n);  // not playing: only the state label changes
    EXPECT_EQ(h.app->form().lblState.caption, "paused");
    EXPECT_EQ(track(), 1);
    h.press(SDLK_l);
    EXPECT_EQ(status("status cd mode").substr(0, 6), "paused");  // L resumes only from stopped
}

TEST_F(CdKeys, SeekMovesTenSecondsAndKeepsTrackFormat) {
    h.press(SDLK_e);
    const auto position = status("status cd position");
    EXPECT_EQ(position.substr(0, 5), "01:00") << position;
    EXPECT_EQ(position.substr(5, 3), ":10") << position;
    h.press(SDLK_z);
    h.press(SDLK_z);  // before the start of the disc: the drive's answer is ignored
    EXPECT_EQ(status("status cd position").size(), 11U);
    EXPECT_TRUE(h.boxes.shown.empty());
}

TEST_F(CdKeys, TickShowsTheTrackTimeAndRow) {
    h.app->browse().row = 2;
    h.press(SDLK_RETURN);
    h.app->Timer1_Timer();
    const std::string state = h.app->form().lblState.caption;
    EXPECT_EQ(state.substr(0, 4), "00:0") << state;
    EXPECT_EQ(state.substr(5), " / 00:30") << state;
    EXPECT_EQ(h.app->form().lblTrack.caption, h.app->browse().items[2][0]);
    h.press(SDLK_s);
    h.app->Timer1_Timer();
    EXPECT_EQ(h.app->form().lblState.caption, "stopped");
}

TEST_F(CdKeys, QueueKeysQueueTracksAndLeftRightDoNothing) {
    h.app->cues().forget();
    h.press(SDLK_RIGHT);
    h.press(SDLK_LEFT);
    EXPECT_EQ(h.app->cues().lastcue(), "");
    h.press(SDLK_a);
    EXPECT_EQ(h.app->queue().playlistcount, 4);
    h.press(SDLK_c);
    EXPECT_EQ(h.app->queue().playlistcount, 0);
    h.press(SDLK_SPACE);
    EXPECT_EQ(track(), 1);
    EXPECT_EQ(status("status cd mode"), "playing");
}

}  // namespace
}  // namespace tunedeck::testing
