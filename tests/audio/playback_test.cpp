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
    void start() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (dir_ / "out.raw").c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
        ASSERT_NE(BASS_Init(bass_, -1, 44100, 25u << 16, nullptr), 0);
        ASSERT_NE(BASS_Start(bass_), 0);
    }
    void tone(const std::string& name, double hz, double seconds,
              fx::AudioFormat format = fx::AudioFormat::Mp3) {
        fx::writetone(dir_ / name, format, {hz, seconds});
    }
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

    fx::TempDir dir_;
    AudioLibrary bass_;
    PlayQueue queue_;
    Playback playback_{bass_, queue_};
};

TEST_F(PlaybackTest, UnplayableFilesReportTrueAndKeepTheOldHandle) {
    start();
    tone("a.mp3", 440, 0.2);
    ASSERT_FALSE(playback_.playfile((dir_ / "a.mp3").string()));
    const HSTREAM old = queue_.stream;
    EXPECT_TRUE(playback_.playfile((dir_ / "nothing.mp3").string()));
    EXPECT_EQ(queue_.stream, old);
    EXPECT_EQ(BASS_ChannelIsActive(bass_, queue_.stream), 0u);
    EXPECT_TRUE(playback_.playfile(dir_.path().string()));
}

// A file played on its own, nothing queued, stops at its end: nothing starts after it, neither
// the empty queue's first row nor the file again.
TEST_F(PlaybackTest, LoneFileStopsAtItsEnd) {
    start();
    tone("a.mp3", 440, 0.2);
    ASSERT_FALSE(playback_.playfile((dir_ / "a.mp3").string()));
    const HSTREAM lone = queue_.stream;
    ASSERT_TRUE(pumpuntilstopped());
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
    start();
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
