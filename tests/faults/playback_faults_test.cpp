// Files that change or vanish under the player, and an audio device or disc image that fails.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>

#include "commands/keycodes.h"
#include "harness.h"
#include "platform/audio/format.h"
#include "testenv.h"

namespace tunedeck::faults {
namespace {

bool heardfrequency(const std::vector<fx::ToneSegment>& tones, double frequency) {
    for (const fx::ToneSegment& t : tones)
        if (std::abs(t.frequency - frequency) < frequency * 0.03) return true;
    return false;
}

bool hearduntil(Harness& j, double frequency) {
    return j.waituntil([&] { return heardfrequency(j.heard(), frequency); }, 5);
}

// Real time, so that the files are still playing when they are damaged.
class QueueOfThree : public ::testing::Test {
  protected:
    void start(double seconds = 0.4) {
        j.tone("a.mp3", seconds, 440);
        j.tone("b.mp3", seconds, 660);
        j.tone("c.mp3", seconds, 880);
        j.writesettings("none");
        j.start();
        ASSERT_TRUE(j.loaded) << j.app->endreason();
        ASSERT_EQ(j.app->queue().playlistcount, 3);
    }
    // The queue ran out: stopped, back at row 0.
    bool finished() { return j.active() == BASS_ACTIVE_STOPPED && j.app->queue().playlistpos == 0; }
    Harness j{true};
};

TEST_F(QueueOfThree, APlayingFileDeletedStillPlaysToItsEndAndTheQueueGoesOn) {
    start();
    fs::remove(j.root() / "a.mp3");
    ASSERT_TRUE(j.waituntil([&] { return finished(); }));
    ASSERT_TRUE(hearduntil(j, 880));  // the last file's buffered tail plays out
    const auto tones = j.heard();
    ASSERT_EQ(tones.size(), 3U);
    EXPECT_NEAR(tones[0].frequency, 440, 15);
    EXPECT_NEAR(tones[0].seconds, 0.4, 0.05);
    EXPECT_NEAR(tones[2].frequency, 880, 25);
}

TEST_F(QueueOfThree, QueuedFilesDeletedBeforeTheirTurnAreSkipped) {
    // Longer than the output buffer, so the next file is not opened before it is deleted.
    start(2.0);
    fs::remove(j.root() / "b.mp3");
    ASSERT_TRUE(j.waituntil([&] { return j.app->queue().playlistpos == 2; }));
    EXPECT_EQ(j.app->queue().playlist[2].path, (j.root() / "c.mp3").string());
    ASSERT_TRUE(j.waituntil([&] { return finished(); }));
    EXPECT_TRUE(hearduntil(j, 880));
    const auto tones = j.heard();
    EXPECT_FALSE(heardfrequency(tones, 660));
    EXPECT_EQ(j.app->queue().playlistcount, 3);  // the queue keeps its entries
}

// The entry playing taken out goes on playing under its own name, and the queue goes on with
// the entry that followed it; taken out as the last entry, the queue ends with it.
TEST_F(QueueOfThree, TakingOutThePlayingEntryKeepsItNamedAndSkipsNothing) {
    start(1.5);
    j.key(kKeyN);  // b plays
    j.app->browse().row = 2;
    j.key(kKeyRight);  // take b out
    ASSERT_EQ(j.app->queue().playlistcount, 2);
    ASSERT_EQ(j.active(), BASS_ACTIVE_PLAYING);
    j.app->Timer1_Timer();
    EXPECT_EQ(j.app->form().lblTrack.caption, "b");
    EXPECT_EQ(j.app->form().lblPlaylist.caption, "Playlist Item 1 of 2 (Next: c)");
    ASSERT_TRUE(j.waituntil([&] { return j.app->queue().playlistpos == 1; }));
    j.app->browse().row = 3;
    j.key(kKeyRight);  // take c out as it plays: nothing follows
    j.app->Timer1_Timer();
    EXPECT_EQ(j.app->form().lblTrack.caption, "c");
    EXPECT_EQ(j.app->form().lblPlaylist.caption,
              "Playlist Item 1 of 1 (Next: Nothing. Playlist Completed. Playback will Stop.)");
    ASSERT_TRUE(j.waituntil([&] { return finished(); }));
    j.waituntil([] { return false; }, 0.7);  // c's buffered tail plays out
    const auto tones = j.heard();
    ASSERT_GE(tones.size(), 2U);  // a, cut at once, may be too short to tell
    for (std::size_t i = 0; i < 2; ++i) {
        const fx::ToneSegment& t = tones[tones.size() - 2 + i];
        EXPECT_NEAR(t.frequency, i == 0 ? 660 : 880, 25);
        EXPECT_NEAR(t.seconds, 1.5, 0.05);
    }
}

// In the last half second the file is decoded to its end and its tail buffered. The waits for
// it pump no events, so that the keys come before the queue moves on by itself.
TEST_F(QueueOfThree, StopInTheLastHalfSecondSilencesAtOnceAndLeavesNoTailBeforeTheNext) {
    start(1.5);
    const auto waitlastpart = [&] {
        AudioLibrary& bass = j.app->bass();
        const DWORD stream = j.app->queue().stream;
        for (int i = 0; i < 2000; ++i) {
            const QWORD played = BASS_ChannelGetPosition(bass, stream);
            if (played + kBytesPerSecond * 4 / 10 > BASS_StreamGetLength(bass, stream)) return;
            SDL_Delay(2);
        }
    };
    waitlastpart();
    j.app->keydown(kKeyS);
    j.key(kKeyN);
    ASSERT_EQ(j.app->queue().playlistpos, 1);
    waitlastpart();
    j.key(kKeyS);
    j.waituntil([] { return false; }, 0.6);
    EXPECT_EQ(j.active(), BASS_ACTIVE_STOPPED);
    const auto tones = j.heard();
    ASSERT_EQ(tones.size(), 2U);
    EXPECT_NEAR(tones[0].frequency, 440, 15);
    EXPECT_LT(tones[0].seconds, 1.5 - 0.25);
    EXPECT_NEAR(tones[1].frequency, 660, 20);
    EXPECT_LT(tones[1].start - (tones[0].start + tones[0].seconds), 0.1);  // b follows at once
    EXPECT_LT(tones[1].seconds, 1.5 - 0.25);
}

TEST_F(QueueOfThree, EveryQueuedFileMissingLeavesTheJukeboxStoppedAndWorking) {
    start(20.0);
    j.key(kKeyS);
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) fs::remove(j.root() / name);
    for (const int16_t key : {kKeyN, kKeyP, kKeyL, kKeyEnter, kKeyRight, kKeySpace, kKeyA}) {
        j.key(key);
        EXPECT_NE(j.active(), BASS_ACTIVE_PLAYING) << key;
        EXPECT_EQ(checkstate(*j.app), "") << key;
    }
    j.app->Timer1_Timer();
    EXPECT_EQ(j.app->form().lblState.caption, "Stop");
    EXPECT_FALSE(j.app->ended());
}

// Real time, so that the cut lands long before the decoder reaches it.
TEST(Truncation, AFileCutShortWhilePlayingEndsEarlyAndTheQueueGoesOn) {
    Harness j(true);
    j.tone("a.mp3", 20.0, 440);
    j.tone("b.mp3", 0.3, 660);
    j.tone("c.wav", 20.0, 880);
    j.writesettings("none");
    j.start();
    ASSERT_TRUE(j.loaded);
    ASSERT_EQ(truncate((j.root() / "a.mp3").c_str(), 16384), 0);
    ASSERT_TRUE(j.waituntil([&] { return j.app->queue().playlistpos == 1; }, 10));
    EXPECT_TRUE(hearduntil(j, 660));
    // A WAV played on its own, cut while it plays, ends early and playback stops.
    j.app->browse().row = 3;
    j.key(kKeyEnter);
    ASSERT_EQ(j.active(), BASS_ACTIVE_PLAYING);
    ASSERT_EQ(truncate((j.root() / "c.wav").c_str(), 65536), 0);
    ASSERT_TRUE(j.waituntil([&] { return j.active() == BASS_ACTIVE_STOPPED; }, 10));
    ASSERT_TRUE(hearduntil(j, 880));
    for (const fx::ToneSegment& t : j.heard()) EXPECT_LT(t.seconds, 5.0) << t.frequency;
}

TEST(AudioDevice, ADriverThatCannotOpenShowsTheErrorBoxAndEndsWithStatus1) {
    Harness j;
    j.tone("a.mp3");
    j.writesettings("none");
    {
        testing::ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
        j.start();
    }
    EXPECT_FALSE(j.loaded);
    EXPECT_EQ(j.app->exitstatus(), 1);
    ASSERT_EQ(j.boxes.shown.size(), 1U);
    EXPECT_EQ(j.boxes.shown[0][0], "Error");
    EXPECT_NE(j.boxes.shown[0][1].find("Error Code : "), std::string::npos);
}

// Every write to /dev/full fails, so SDL drops the device as if it had been unplugged.
TEST(AudioDevice, ADeviceLostDuringPlaybackStopsWithoutAdvancingAndPlayReopensIt) {
    Harness j;
    j.tone("a.mp3", 5.0, 440);
    j.tone("b.mp3", 5.0, 660);
    j.writesettings("none");
    setenv("SDL_DISKAUDIOFILE", "/dev/full", 1);
    j.start();
    ASSERT_TRUE(j.loaded);
    ASSERT_TRUE(j.waituntil([&] { return j.active() == BASS_ACTIVE_STOPPED; }, 10));
    j.app->Timer1_Timer();
    EXPECT_EQ(j.app->queue().playlistpos, 0);
    EXPECT_FALSE(j.app->ended());
    EXPECT_TRUE(j.boxes.shown.empty());
    setenv("SDL_DISKAUDIOFILE", j.audiofile().c_str(), 1);
    j.key(kKeyN);
    EXPECT_EQ(j.active(), BASS_ACTIVE_PLAYING);
    ASSERT_TRUE(j.waituntil([&] { return j.active() == BASS_ACTIVE_STOPPED; }, 10));
    EXPECT_TRUE(heardfrequency(j.heard(), 660));
}

TEST(CdImage, TheImageVanishingWhileItPlaysKeepsTheJukeboxResponsive) {
    Harness j(true);
    j.disc(3, 4.0);
    j.start();
    ASSERT_TRUE(j.loaded) << j.app->endreason();
    ASSERT_EQ(j.app->mode().mediamode, Mode::Cd);
    fs::remove(j.dir / "disc.bin");
    j.waituntil([] { return false; }, 0.5);
    for (const int16_t key :
         {kKeyN, kKeyE, kKeyDown, kKeyEnter, kKeyZ, kKeyP, kKeyL, kKeyS, kKeySpace, kKeyEnter}) {
        j.key(key);
        j.app->Timer1_Timer();
        ASSERT_FALSE(j.app->ended()) << key;
        EXPECT_EQ(checkstate(*j.app), "") << key;
    }
    j.key(kKeyEscape);
    EXPECT_TRUE(j.app->ended());
    EXPECT_EQ(j.app->exitstatus(), 0);
}

}  // namespace
}  // namespace tunedeck::faults
