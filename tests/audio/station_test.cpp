// A queue with stations in it: a station that never answers is passed over like an unplayable
// file, the next entry starts at once while one connects, and a station has no length, no
// place to move to and no level of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "audio/playback.h"
#include "tests/platform/audio/harness.h"
#include "tools/fixtures/fixtures.h"
#include "tools/fixtures/icecast.h"

namespace tunedeck {
namespace {

using namespace std::chrono_literals;
using namespace tunedeck::testing;

class StationQueue : public ::testing::Test {
  protected:
    void SetUp() override {
        diskoutput(dir_, false);
        ASSERT_TRUE(startlibrary(bass_));
        tone_ = (dir_ / "tone.mp3").string();
        fx::writetone(tone_, fx::AudioFormat::Mp3, {440, 5.0});
    }
    bool playingrow(int row) {
        return pumpuntil(bass_, [&] {
            return queue_.playlistpos == row && playback_.state() == PlayState::Playing;
        });
    }

    fx::TempDir dir_;
    fx::SilentListener silent_;
    std::string tone_;
    AudioLibrary bass_;
    PlayQueue queue_;
    Playback playback_{bass_, queue_};
};

// The station starts at once and says it connects; when it never answers, the queue goes on
// with the next entry.
TEST_F(StationQueue, StationThatNeverAnswersIsPassedOver) {
    queue_.append("Silent", silent_.url());
    queue_.append("Tone", tone_);
    ASSERT_FALSE(playback_.playfrom(0, +1, false));
    ASSERT_TRUE(playback_.live());
    EXPECT_EQ(playback_.livestatus()->link, LiveStatus::Link::Connecting);
    EXPECT_EQ(playback_.state(), PlayState::Playing);
    EXPECT_EQ(playback_.length(), 0);
    ASSERT_TRUE(playingrow(1));
    EXPECT_FALSE(playback_.live());
    EXPECT_GT(playback_.length(), 4.0);
}

// N while a station connects: the next entry plays at once, the station's connection is left
// behind without waiting for it.
TEST_F(StationQueue, NextEntryStartsAtOnceWhileAStationConnects) {
    queue_.append("Silent", silent_.url());
    queue_.append("Tone", tone_);
    ASSERT_FALSE(playback_.playfrom(0, +1, false));
    pumpfor(bass_, 200ms);
    const auto pressed = std::chrono::steady_clock::now();
    ASSERT_FALSE(playback_.playfrom(queue_.playlistpos + 1, +1, false));
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, 2s);
    EXPECT_EQ(queue_.playlistpos, 1);
    EXPECT_FALSE(playback_.live());
    EXPECT_EQ(playback_.state(), PlayState::Playing);
}

// A station cannot be moved within, and plays at the pre-amplification alone.
TEST_F(StationQueue, StationRefusesSeekingAndPlaysAtThePreampAlone) {
    playback_.setlevelling({GainMode::Track, -6.0});
    ASSERT_FALSE(playback_.playfile(silent_.url()));
    EXPECT_FALSE(playback_.seek(1.0));
    float gain = 0;
    ASSERT_TRUE(BASS_ChannelGetAttribute(bass_, queue_.stream, BASS_ATTRIB_VOL, &gain));
    EXPECT_NEAR(gain, std::pow(10.0, -6.0 / 20), 1e-4);
    playback_.setlevelling({GainMode::Off, -6.0});
    ASSERT_FALSE(playback_.playfile(silent_.url()));
    ASSERT_TRUE(BASS_ChannelGetAttribute(bass_, queue_.stream, BASS_ATTRIB_VOL, &gain));
    EXPECT_EQ(gain, 1.0f);
}

}  // namespace
}  // namespace tunedeck
