#include "audio/playback.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>

#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

namespace fx = tunedeck::fixtures;
using namespace std::chrono_literals;

// The application's pieces around the queue: the library, the queue and the UI loop.
class PlaybackTest : public ::testing::Test {
  protected:
    void start(bool realtime) {
        out_ = (dir_ / "out.raw").string();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", out_.c_str(), 1);
        if (realtime) {
            unsetenv("SDL_DISKAUDIODELAY");
        } else {
            setenv("SDL_DISKAUDIODELAY", "0", 1);
        }
        ASSERT_NE(BASS_Init(bass_, -1, 44100, 25u << 16, nullptr), 0);
        ASSERT_NE(BASS_Start(bass_), 0);
    }
    void tone(const std::string& name, double hz, double seconds,
              fx::AudioFormat format = fx::AudioFormat::Mp3) {
        fx::writetone(dir_ / name, format, {hz, seconds});
    }
    void enqueue(const std::string& name) { queue_.append(name, (dir_ / name).string()); }
    bool active() { return BASS_ChannelIsActive(bass_, queue_.stream) != 0; }
    // The UI loop until nothing plays any more.
    bool pumpuntilstopped(std::chrono::seconds limit = 30s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (active()) {
            if (std::chrono::steady_clock::now() > end) return false;
            SDL_Event event;
            if (SDL_WaitEventTimeout(&event, 5)) BASS_DispatchSyncEvent(bass_, event);
        }
        return true;
    }
    std::vector<fx::ToneSegment> played() {
        // The last file's tail plays out after it reports stopped.
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (BASS_ChannelGetPosition(bass_, queue_.stream) <
                   BASS_StreamGetLength(bass_, queue_.stream) &&
               std::chrono::steady_clock::now() < end) {
            SDL_Delay(5);
        }
        SDL_Delay(50);
        BASS_Stop(bass_);
        BASS_Free(bass_);
        return fx::findtones(out_);
    }

    fx::TempDir dir_;
    std::string out_;
    AudioLibrary bass_;
    PlayQueue queue_;
    Playback playback_{bass_, queue_};
};

TEST_F(PlaybackTest, QueuePlaysInOrderEachForItsLengthThenStops) {
    start(true);
    tone("a.mp3", 440, 0.5);
    tone("b.wav", 660, 0.4, fx::AudioFormat::Wav);
    tone("c.mp3", 880, 0.3);
    for (auto name : {"a.mp3", "b.wav", "c.mp3"}) enqueue(name);
    ASSERT_FALSE(playback_.playfile(queue_.playlist[0].path));
    ASSERT_TRUE(pumpuntilstopped());
    EXPECT_EQ(queue_.playlistpos, 0);
    EXPECT_EQ(queue_.playlistcount, 3);
    const auto tones = played();
    ASSERT_EQ(tones.size(), 3u);
    const double hz[] = {440, 660, 880}, seconds[] = {0.5, 0.4, 0.3};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(tones[i].frequency, hz[i], 10) << i;
        EXPECT_NEAR(tones[i].seconds, seconds[i], 0.01) << i;
    }
}

TEST_F(PlaybackTest, MissingEntryIsSkipped) {
    start(false);
    tone("a.mp3", 440, 0.2);
    tone("c.mp3", 880, 0.2);
    for (auto name : {"a.mp3", "gone.mp3", "c.mp3"}) enqueue(name);
    ASSERT_FALSE(playback_.playfile(queue_.playlist[0].path));
    const HSTREAM first = queue_.stream;
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (queue_.stream == first && std::chrono::steady_clock::now() < end) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, 5)) BASS_DispatchSyncEvent(bass_, event);
    }
    EXPECT_EQ(queue_.playlistpos, 2);
    EXPECT_TRUE(active());
    ASSERT_TRUE(pumpuntilstopped());
    EXPECT_EQ(queue_.playlistpos, 0);
}

TEST_F(PlaybackTest, UnplayableFilesReportTrueAndKeepTheOldHandle) {
    start(false);
    tone("a.mp3", 440, 0.2);
    ASSERT_FALSE(playback_.playfile((dir_ / "a.mp3").string()));
    const HSTREAM old = queue_.stream;
    EXPECT_TRUE(playback_.playfile((dir_ / "nothing.mp3").string()));
    EXPECT_EQ(queue_.stream, old);
    EXPECT_EQ(BASS_ChannelIsActive(bass_, queue_.stream), 0u);
    EXPECT_TRUE(playback_.playfile(dir_.path().string()));
}

// A file played on its own with an empty queue stops at its end.
TEST_F(PlaybackTest, LoneFileStopsAtItsEnd) {
    start(false);
    tone("a.mp3", 440, 0.2);
    ASSERT_FALSE(playback_.playfile((dir_ / "a.mp3").string()));
    ASSERT_TRUE(pumpuntilstopped());
    EXPECT_EQ(queue_.playlistpos, 0);
    EXPECT_EQ(queue_.playlistcount, 0);
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
    start(false);
    tone("s.wav", 440, 0.05, fx::AudioFormat::Wav);
    for (int i = 0; i < 500; ++i) queue_.append("s", (dir_ / "s.wav").string());
    ASSERT_FALSE(playback_.playfile(queue_.playlist[0].path));
    HSTREAM last = queue_.stream;
    int started = 1;
    const auto end = std::chrono::steady_clock::now() + 120s;
    while ((started < 500 || queue_.playlistpos != 0) && std::chrono::steady_clock::now() < end) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, 5)) BASS_DispatchSyncEvent(bass_, event);
        if (queue_.stream != last) ++started, last = queue_.stream;
    }
    EXPECT_EQ(started, 500);
    EXPECT_EQ(queue_.playlistpos, 0);
    EXPECT_FALSE(active());
}

}  // namespace
}  // namespace tunedeck
