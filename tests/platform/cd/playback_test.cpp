// What a disc image sounds like through SDL's disk audio driver, in real time.
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "platform/cd/device.h"
#include "platform/cd/drives.h"
#include "testenv.h"
#include "tests/platform/audio/pipereader.h"
#include "tests/platform/cd/cdtest.h"

namespace tunedeck::cdtest {
namespace {

using namespace std::chrono_literals;

class Playback : public CdTest {
  protected:
    // Waits for the disc to play out, then closes the device so the output is complete.
    void playout() {
        auto deadline = std::chrono::steady_clock::now() + 20s;
        while (reply("status cd mode") == "playing" &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(50ms);
        }
        EXPECT_EQ(reply("status cd mode"), "stopped");
        EXPECT_EQ(send("close all").code, 0u);
    }
    std::vector<fx::ToneSegment> playedtones() {
        playout();
        return fx::findtones(dir / "output.raw");
    }
};

TEST_F(Playback, PlayFromATrackOutputsThatTrackThenTheRest) {
    opendisc({{1.0, 440}, {1.5, 880}, {1.0, 1320}});
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    ASSERT_EQ(send("play cd from 2").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "playing");
    auto tones = playedtones();
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_NEAR(tones[0].frequency, 880, 10);
    EXPECT_NEAR(tones[0].seconds, 1.5, 0.03);
    EXPECT_NEAR(tones[1].frequency, 1320, 15);
    EXPECT_NEAR(tones[1].seconds, 1.0, 0.03);
}

// A paused disc reports "stopped" with its position held, so that "play cd" goes on from it.
TEST_F(Playback, PauseHoldsTheOutputAndPlayContinuesIt) {
    opendisc({{1.5, 440}});
    ASSERT_EQ(send("set cd time format milliseconds").code, 0u);
    ASSERT_EQ(send("play cd").code, 0u);
    std::this_thread::sleep_for(500ms);
    ASSERT_EQ(send("pause cd").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "stopped");
    std::string held = reply("status cd position");
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(reply("status cd position"), held);
    ASSERT_EQ(send("play cd").code, 0u);
    auto tones = playedtones();
    ASSERT_EQ(tones.size(), 2u);  // the pause is a silence between two stretches of the tone
    EXPECT_GT(tones[1].start - (tones[0].start + tones[0].seconds), 0.35);
    EXPECT_NEAR(tones[0].seconds + tones[1].seconds, 1.5, 0.04);
}

TEST_F(Playback, MillisecondPlayLandsOnThePosition) {
    opendisc({{2.0, 440}, {1.0, 0}, {1.0, 880}});
    ASSERT_EQ(send("set cd time format milliseconds").code, 0u);
    ASSERT_EQ(send("play cd from 1500").code, 0u);
    auto tones = playedtones();
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_NEAR(tones[0].frequency, 440, 10);
    EXPECT_NEAR(tones[0].seconds, 0.5, 0.02);
    EXPECT_NEAR(tones[1].frequency, 880, 10);
}

TEST_F(Playback, PositionFollowsTheOutputNotTheReader) {
    opendisc({{3.0, 440}});
    ASSERT_EQ(send("set cd time format milliseconds").code, 0u);
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(send("play cd from 0").code, 0u);
    std::this_thread::sleep_for(200ms);
    int position = std::stoi(reply("status cd position"));
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    // The reader is half a second ahead; the output at most one device buffer.
    EXPECT_LE(position, elapsed.count() + 100);
    ASSERT_EQ(send("stop cd wait").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "stopped");
    int stopped = std::stoi(reply("status cd position"));
    EXPECT_GE(stopped, position);
    ASSERT_EQ(send("play cd").code, 0u);  // on from where it stopped
    EXPECT_GE(std::stoi(reply("status cd position")), stopped);
}

TEST_F(Playback, OpeningTheTrayStopsPlaybackAtOnce) {
    opendisc({{3.0, 440}, {1.0, 880}});
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    ASSERT_EQ(send("play cd from 1").code, 0u);
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(send("set cd door open").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "open");
    ASSERT_EQ(send("set cd door closed").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "stopped");
    auto tones = playedtones();
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_LT(tones[0].seconds, 1.0);
}

// A disc plays into a named pipe as into the sound card, paced in real time, from where it was
// moved to and across a data track to the end; a pipe the settings name that is not one is
// refused with a text that names the setting.
TEST_F(Playback, PlaysIntoANamedPipe) {
    testing::makefifo(dir / "fifo");
    opendisc({{1.0, 440}, {0.5, 0, true}, {1.0, 880}}, "pipe:fifo");
    testing::PipeReader reader(dir / "fifo");
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(send("seek cd to 1").code, 0u);
    ASSERT_EQ(send("play cd").code, 0u);
    playout();
    EXPECT_GT(std::chrono::steady_clock::now() - started, 1900ms);
    const auto tones = fx::findtones(reader.samples(), 44100, 2);
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_NEAR(tones[0].frequency, 440, 10);
    EXPECT_NEAR(tones[0].seconds, 1.0, 0.02);
    EXPECT_NEAR(tones[1].frequency, 880, 15);
    EXPECT_NEAR(tones[1].seconds, 1.0, 0.02);

    opendisc({{1.0, 440}}, "pipe:disc.cue");
    const Result refused = send("play cd");
    EXPECT_NE(errortext(refused.code).find("[audio]"), std::string::npos);
}

// A toc names its data file relative to its own folder; the program runs from another one.
TEST_F(Playback, TocImagePlaysFromAnyWorkingFolderAndLeavesNoCopy) {
    // Where a rewritten toc is kept while it opens.
    std::filesystem::create_directories(dir / "run");
    testing::ScopedEnv runtime("XDG_RUNTIME_DIR", (dir / "run").c_str());
    std::filesystem::create_directories(dir / "my discs");
    fx::writecdimage(dir / "my discs/disc.toc", {{0.5, 440}, {0.5, 0, true}, {0.5, 880}});
    usedevice("my discs/disc.toc");
    ASSERT_EQ(send("open cdaudio alias cd").code, 0u);
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    EXPECT_EQ(reply("status cd type track 2"), "other");
    ASSERT_EQ(send("play cd from 1").code, 0u);
    auto tones = playedtones();
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_NEAR(tones[0].frequency, 440, 10);
    EXPECT_NEAR(tones[1].frequency, 880, 15);
    EXPECT_TRUE(std::filesystem::is_empty(dir / "run"));
}

// SDL's disk driver drops the device when a write fails, as an unplugged card would.
TEST_F(Playback, ALostSoundDeviceEndsInStoppedAndPlayOpensAnew) {
    opendisc({{3.0, 440}});
    setenv("SDL_DISKAUDIOFILE", "/dev/full", 1);
    ASSERT_EQ(send("play cd").code, 0u);
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (reply("status cd mode") == "playing" && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(reply("status cd mode"), "stopped");
    setenv("SDL_DISKAUDIOFILE", (dir / "output.raw").c_str(), 1);
    ASSERT_EQ(send("play cd").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "playing");
}

// Slow hardware (a scratched disc, re-reads) played by a disc image whose every read takes two
// seconds. Its tray can be opened by hand, as with the drive's own button.
class SlowIo : public cd::DiscIo {
  public:
    SlowIo(std::unique_ptr<cd::DiscIo> image, std::atomic<int>& reads)
        : image_(std::move(image)), reads_(reads) {}
    bool trayopen() override { return image_->trayopen(); }
    bool discchanged() override { return image_->discchanged(); }
    cd::Toc readtoc() override { return image_->readtoc(); }
    bool setdoor(bool open) override { return image_->setdoor(open); }
    bool readaudio(int32_t lsn, uint32_t count, int16_t* out) override {
        ++reads_;
        std::this_thread::sleep_for(2s);
        return image_->readaudio(lsn, count, out);
    }

  private:
    std::unique_ptr<cd::DiscIo> image_;
    std::atomic<int>& reads_;
};

// While a read is under way, the tick's queries and the keys' commands answer at once, and a
// tray opened by hand is seen by the next query.
TEST_F(Playback, ASlowReadHoldsUpNoQueryNoCommandAndNoTray) {
    fx::writecdimage(dir / "disc.cue", {{6.0, 440}, {6.0, 660}});
    const cd::DiscOpener image = cd::imageopener(dir / "disc.cue", DRIVER_BINCUE);
    std::atomic<int> reads{0};
    cd::CdDevice device(std::make_unique<cd::CdioDrive>([&]() -> std::unique_ptr<cd::DiscIo> {
        auto io = image();
        return io ? std::make_unique<SlowIo>(std::move(io), reads) : nullptr;
    }));
    auto timed = [&](const std::string& verb, const cd::Words& args) {
        const auto start = std::chrono::steady_clock::now();
        std::string reply = device.execute(verb, args);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms)
            << verb << " " << (args.empty() ? "" : args.front());
        return reply;
    };
    device.execute("set", {"time", "format", "tmsf"});
    device.execute("play", {});
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (reads == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(reads, 1);
    EXPECT_EQ(timed("status", {"mode"}), "playing");
    EXPECT_EQ(timed("status", {"position"}), "01:00:00:00");
    EXPECT_EQ(timed("status", {"length", "track", "1"}), "00:06");
    timed("pause", {});
    EXPECT_EQ(timed("status", {"mode"}), "stopped");
    timed("play", {"from", "2"});
    EXPECT_EQ(timed("status", {"position"}), "02:00:00:00");
    image()->setdoor(true);
    EXPECT_EQ(timed("status", {"mode"}), "open");
    EXPECT_EQ(reads, 1);  // all of it within the first read
}

}  // namespace
}  // namespace tunedeck::cdtest
