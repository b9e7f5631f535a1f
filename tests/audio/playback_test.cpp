#include <gtest/gtest.h>

#include <memory>

#include "audio/bassutil.h"
#include "audio/mcireply.h"
#include "audio/playback.h"
#include "tests/platform/audio/harness.h"

namespace tunedeck {
namespace {

using namespace std::chrono_literals;
using namespace tunedeck::testing;

// The application's pieces around the queue: the library, the queue and the UI loop.
class PlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        diskoutput(dir_, false);
        ASSERT_TRUE(startlibrary(bass_));
    }
    std::string tone(const std::string& name, double seconds) {
        const auto file = dir_ / name;
        fx::writetone(file, name.ends_with(".wav") ? fx::AudioFormat::Wav : fx::AudioFormat::Mp3,
                      {440, seconds});
        return file.string();
    }
    bool active() { return BASS_ChannelIsActive(bass_, queue_.stream) != 0; }

    fx::TempDir dir_;
    AudioLibrary bass_;
    PlayQueue queue_;
    Playback playback_{bass_, queue_};
};

TEST_F(PlaybackTest, UnplayableFilesReportTrueAndKeepTheOldHandle) {
    ASSERT_FALSE(playback_.playfile(tone("a.mp3", 0.2)));
    const HSTREAM old = queue_.stream;
    EXPECT_TRUE(playback_.playfile((dir_ / "nothing.mp3").string()));
    EXPECT_EQ(queue_.stream, old);
    EXPECT_EQ(BASS_ChannelIsActive(bass_, queue_.stream), 0u);
    EXPECT_TRUE(playback_.playfile(dir_.path().string()));
}

// A file played on its own, nothing queued, stops at its end: nothing starts after it, neither
// the empty queue's first row nor the file again.
TEST_F(PlaybackTest, LoneFileStopsAtItsEnd) {
    ASSERT_FALSE(playback_.playfile(tone("a.mp3", 0.2)));
    const HSTREAM lone = queue_.stream;
    ASSERT_TRUE(pumpuntil(bass_, [&] { return !active(); }));
    EXPECT_EQ(queue_.stream, lone);
}

TEST(PlayQueue, FullQueueTakesNothingMore) {
    auto queue = std::make_unique<PlayQueue>();
    for (int i = 0; i < kQueueRows; ++i) ASSERT_TRUE(queue->append("n", std::to_string(i)));
    EXPECT_FALSE(queue->append("late", "late"));
    EXPECT_EQ(queue->playlistcount, 2001);
    EXPECT_EQ(queue->playlist[2000].path, "2000");
}

// Many short files back to back through the end notifications: everything is played, in
// order, and nothing races (run under ThreadSanitizer).
TEST_F(PlaybackTest, FiveHundredShortFilesBackToBack) {
    const std::string file = tone("s.wav", 0.05);
    for (int i = 0; i < 500; ++i) queue_.append("s", file);
    ASSERT_FALSE(playback_.playfile(file));
    HSTREAM last = queue_.stream;
    int started = 1;
    pumpuntil(
        bass_,
        [&] {
            if (queue_.stream != last) ++started, last = queue_.stream;
            return started >= 500 && queue_.playlistpos == 0;
        },
        120s);
    EXPECT_EQ(started, 500);
    EXPECT_EQ(queue_.playlistpos, 0);
    EXPECT_FALSE(active());
}

TEST(BassUtil, LShiftOverflowNamesItsSource) {
    EXPECT_EQ(LShift(1, 30), 1 << 30);
    EXPECT_EQ(LShift(-1, 31), INT32_MIN);
    try {
        LShift(1, 31);
        FAIL() << "no overflow";
    } catch (const OverflowError& e) {
        EXPECT_EQ(e.source(), "LShift");
    }
    EXPECT_THROW(makelong(0, 32768), OverflowError);
}

TEST(BassUtil, ErrorTexts) {
    EXPECT_EQ(basserrortext(0), "All is OK");
    EXPECT_EQ(basserrortext(8), "BASS_Init Has Not Been Successfully Called");
    EXPECT_EQ(basserrortext(38), "The channel is a 'decoding channel'");
    EXPECT_EQ(basserrortext(-1), "Some Other Mystery Error");
    for (int code : {28, 30, 36, 39, 100, -2}) EXPECT_EQ(basserrortext(code), "") << code;
}

TEST(CdReply, NumbersAndPositionsFromTheFirstCharactersAndUnreadableReplies) {
    EXPECT_EQ(replynumber("12", 2), 12);
    EXPECT_EQ(replynumber(std::string_view("9\0"
                                           "7",
                                           3),
                          2),
              9);
    EXPECT_EQ(replynumber("", 2), std::nullopt);
    EXPECT_EQ(replynumber("tr", 2), std::nullopt);
    EXPECT_EQ(replyint32("-4000"), -4000);
    EXPECT_EQ(replyint32("99999999999"), std::nullopt);
    EXPECT_EQ(replyprefix(std::string_view("paused\0g", 8), 7), "paused");
    const auto position = parsecdposition("03:01:15:40");
    ASSERT_TRUE(position.has_value());
    EXPECT_EQ(position->track, 3);
    EXPECT_EQ(position->minutes, 1);
    EXPECT_EQ(position->seconds, 15);
    EXPECT_FALSE(parsecdposition("").has_value());
    EXPECT_FALSE(parsecdposition("xx:01:15:40").has_value());
    EXPECT_EQ(parsecdlength("02:05"), 125);
    EXPECT_EQ(parsecdlength("02"), std::nullopt);
}

}  // namespace
}  // namespace tunedeck
