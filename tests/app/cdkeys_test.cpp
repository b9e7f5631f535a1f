// Playback keys in audio-CD mode, on a generated disc image played in real time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "audio/mcireply.h"
#include "harness.h"

namespace tunedeck::testing {
namespace {

class CdKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        unsetenv("SDL_DISKAUDIODELAY");
        h.disc(4, 30.0);
        h.start();
        ASSERT_TRUE(h.loaded) << h.app->endreason();
    }
    std::string mode() {
        char reply[64] = {};
        mciSendStringA(h.app->mci(), "status cd mode", reply, sizeof reply, nullptr);
        return reply;
    }
    int track() { return replynumber(position(), 2).value_or(-1); }
    // Milliseconds into the track, from the "tt:mm:ss:ff" position.
    int milliseconds() {
        const std::string p = position();
        if (p.size() != 11) return -1;
        return ((std::stoi(p.substr(3, 2)) * 60 + std::stoi(p.substr(6, 2))) * 75 +
                std::stoi(p.substr(9, 2))) *
               1000 / 75;
    }
    std::string position() {
        char reply[64] = {};
        mciSendStringA(h.app->mci(), "status cd position", reply, sizeof reply, nullptr);
        return reply;
    }
    Harness h;
};

// A paused disc reports "stopped", so the key that paused it resumes it where it paused.
TEST_F(CdKeys, EnterAndLPauseAndTheSameKeyResumesWhereItPaused) {
    h.app->browse().row = 3;
    h.press(SDLK_RETURN);
    EXPECT_EQ(track(), 3);
    EXPECT_EQ(h.app->queue().playlistpos, 1);  // the track playing when asked
    for (const SDL_Keycode key : {SDLK_RETURN, SDLK_l}) {
        h.press(key);
        EXPECT_EQ(mode(), "stopped");
        const int paused = milliseconds();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(milliseconds(), paused);
        h.press(key);
        EXPECT_EQ(mode(), "playing");
        EXPECT_NEAR(milliseconds(), paused, 100);
        EXPECT_EQ(track(), 3);
    }
    h.press(SDLK_s);
    h.press(SDLK_RETURN);  // stopped: on from the drive's position
    EXPECT_EQ(mode(), "playing");
}

TEST_F(CdKeys, NextAndPreviousWrapAndOnlyLabelTheStateWhenNotPlaying) {
    h.press(SDLK_p);
    EXPECT_EQ(track(), 4);
    h.press(SDLK_n);
    EXPECT_EQ(track(), 1);
    h.press(SDLK_l);
    h.press(SDLK_n);
    EXPECT_EQ(h.app->form().lblState.caption, "stopped");
    EXPECT_EQ(track(), 1);
}

TEST_F(CdKeys, TickShowsTheTrackTimeAndItsRow) {
    h.app->browse().row = 2;
    h.press(SDLK_RETURN);
    h.app->Timer1_Timer();
    const std::string state = h.app->form().lblState.caption;
    EXPECT_EQ(state.substr(0, 4), "00:0") << state;
    EXPECT_EQ(state.substr(5), " / 00:30") << state;
    EXPECT_EQ(h.app->form().lblTrack.caption, h.app->browse().items.at(2).label);
    h.press(SDLK_s);
    h.app->Timer1_Timer();
    EXPECT_EQ(h.app->form().lblState.caption, "stopped");
    EXPECT_EQ(h.app->form().lblPlaylist.caption, "");
}

// E jumps ten seconds on, in milliseconds, and leaves the drive counting in tracks again; N goes
// on from there. Space starts the disc over from track 1.
TEST_F(CdKeys, SeekJumpsTenSecondsAndSpaceStartsTheDiscOver) {
    h.press(SDLK_s);
    const int from = milliseconds();
    h.press(SDLK_e);
    EXPECT_EQ(mode(), "playing");
    EXPECT_EQ(track(), 1);
    EXPECT_NEAR(milliseconds(), from + 10000, 500);  // -1 when not "tt:mm:ss:ff"
    h.press(SDLK_n);
    EXPECT_EQ(track(), 2);
    h.press(SDLK_SPACE);
    EXPECT_EQ(track(), 1);
    EXPECT_EQ(mode(), "playing");
}

// With the drive gone no key reads a track, so none sends a command (each would fail and show
// an error); N and P show the last reply the keys had.
TEST_F(CdKeys, KeysSendNothingWhenTheTrackCannotBeRead) {
    h.press(SDLK_l);  // pauses: the keys' last reply is "playing"
    mciSendStringA(h.app->mci(), "close all", nullptr, 0, nullptr);
    for (const SDL_Keycode key : {SDLK_n, SDLK_p, SDLK_RETURN}) {
        h.press(key);
        EXPECT_EQ(h.app->form().lblState.caption, "playing");
    }
    EXPECT_TRUE(h.boxes.shown.empty());
}

}  // namespace
}  // namespace tunedeck::testing
