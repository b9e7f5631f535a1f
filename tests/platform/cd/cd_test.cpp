// Command strings on generated disc images: replies and their exact forms, errors; which drive
// a device opens, and images that cannot be used; what a disc image sounds like through SDL's
// disk audio driver, in real time.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/cd/device.h"
#include "platform/cd/drives.h"
#include "platform/cd/imagefile.h"
#include "platform/lib/cdio/cdio.h"
#include "testenv.h"
#include "tests/platform/audio/pipereader.h"
#include "tests/platform/cd/cdtest.h"

namespace tunedeck::cdtest {
namespace {

// Three audio tracks: 4 s, 61.5 s, 2 s (sector counts 300, 4612 or 4613, 150).
class Commands : public CdTest {
  protected:
    void SetUp() override { opendisc({{4.0, 440}, {61.5, 660}, {2.0, 880}}); }
};

// In track format a length is "mm:ss"; in msf it keeps its frames.
TEST_F(Commands, CountsAndLengthsInTrackFormat) {
    EXPECT_EQ(reply("status cd media present"), "true");
    EXPECT_EQ(reply("status cd number of tracks wait"), "3");
    ASSERT_EQ(send("set cd time format msf").code, 0u);
    EXPECT_EQ(reply("status cd length track 2"), "01:01:38");
    ASSERT_EQ(send("set cd time format tmsf wait").code, 0u);
    EXPECT_EQ(reply("status cd time format"), "tmsf");
    EXPECT_EQ(reply("status cd length track 1"), "00:04");
    EXPECT_EQ(reply("status cd length track 2"), "01:01");
    EXPECT_EQ(reply("status cd length track 3"), "00:02");
    EXPECT_EQ(reply("status cd length"), "01:07");
    EXPECT_EQ(reply("status cd position track 2"), "02:00:00:00");
    EXPECT_EQ(reply("status cd type track 1"), "audio");
    EXPECT_EQ(reply("  STATUS\tCd   Number  of Tracks   "), "3");  // words ignore case and blanks
}

TEST_F(Commands, PositionsInBothFormatsBoundedByTheDisc) {
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    EXPECT_EQ(reply("status cd position"), "01:00:00:00");
    EXPECT_EQ(reply("status cd mode"), "stopped");
    ASSERT_EQ(send("seek cd to 2:00:59:40").code, 0u);
    EXPECT_EQ(reply("status cd position"), "02:00:59:40");
    EXPECT_EQ(reply("status cd current track"), "2");
    ASSERT_EQ(send("set cd time format milliseconds").code, 0u);
    // Track 2 starts at sector 300 (4 s); 75 s 40 frames further on.
    EXPECT_EQ(reply("status cd position wait"), std::to_string(4000 + 59000 + 40 * 1000 / 75));
    ASSERT_EQ(send("seek cd to 3999").code, 0u);
    EXPECT_EQ(reply("status cd position"), "3999");
    EXPECT_EQ(reply("status cd length track 3"), "2000");
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    EXPECT_EQ(reply("status cd position"), "01:00:03:74");
    ASSERT_EQ(send("seek cd to 1").code, 0u);
    EXPECT_EQ(reply("status cd position"), "01:00:00:00");
    ASSERT_EQ(send("seek cd to end").code, 0u);
    EXPECT_EQ(reply("status cd position"), "03:00:02:00");

    // Millisecond seeks and plays are bounded by the disc.
    ASSERT_EQ(send("set cd time format milliseconds").code, 0u);
    int total = std::stoi(reply("status cd length"));
    EXPECT_EQ(send("seek cd to " + std::to_string(total)).code, 0u);
    EXPECT_EQ(send("seek cd to " + std::to_string(total + 1)).code != 0, true);
    EXPECT_NE(send("play cd from -10000").code, 0u);
    EXPECT_NE(send("play cd from " + std::to_string(total + 10000)).code, 0u);
    // A failed seek leaves the position where it was.
    EXPECT_EQ(reply("status cd position"), std::to_string(total));
}

TEST_F(Commands, ReplyIsCutToTheBufferAndAFailedQueryLeavesItAlone) {
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(mciSendStringA(*mci, "status cd position", buffer, 6, nullptr), 0u);
    EXPECT_STREQ(buffer, "01:00");
    EXPECT_EQ(buffer[6], 'x');  // nothing written past the size given
    buffer[0] = 'q';
    ASSERT_EQ(mciSendStringA(*mci, "status cd mode", buffer, 1, nullptr), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(mciSendStringA(*mci, "status cd mode", nullptr, 30, nullptr), 0u);
    // A query that fails leaves the buffer alone.
    std::memcpy(buffer, "9\0stale", 8);
    for (const char* command : {"status cd length track 4", "status xx mode", "status cd colour",
                                "frobnicate cd", "status cd length track -1"}) {
        EXPECT_NE(mciSendStringA(*mci, command, buffer, sizeof buffer, nullptr), 0u) << command;
        EXPECT_EQ(std::memcmp(buffer, "9\0stale", 8), 0) << command;
    }
}

TEST_F(Commands, ErrorsSayWhatWasWrong) {
    struct Case {
        const char* command;
        const char* words;
    };
    const Case cases[] = {
        {"frobnicate cd", "not recognised"},
        {"play dvd", "not open"},
        {"play cd from 0", "track number"},
        {"play cd from 4", "track number"},
        {"play cd from -3", "position"},
        {"play cd from 99999999999999999999", "position"},
        {"play cd from two", "number"},
        {"play cd from", "missing"},
        {"status cd length track x1", "number"},
        {"seek cd to 1:60:00:00", "position"},
        {"set cd time format hours", "does not accept"},
        {"open cdaudio alias cd", "already in use"},
        {"open waveaudio alias w", "cdaudio"},
        {"", "not recognised"},
    };
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    for (const Case& c : cases) {
        Result r = send(c.command);
        ASSERT_NE(r.code, 0u) << c.command;
        EXPECT_NE(errortext(r.code).find(c.words), std::string::npos)
            << c.command << ": " << errortext(r.code);
    }
    EXPECT_FALSE(mciGetErrorStringA(12345, nullptr, 0));
    EXPECT_EQ(send(std::string(5000, 'a')).code != 0, true);
}

TEST_F(Commands, CloseAllClosesEveryAliasAndAnImageHasATray) {
    ASSERT_EQ(send("open cdaudio alias other").code, 0u);
    ASSERT_EQ(send("close all").code, 0u);
    EXPECT_NE(send("status cd mode").code, 0u);
    EXPECT_NE(send("status other mode").code, 0u);
    EXPECT_EQ(send("close all").code, 0u);
    EXPECT_NE(send("close cd").code, 0u);
    EXPECT_EQ(send("open cdaudio alias cd").code, 0u);

    // The tray of an image opens and closes.
    ASSERT_EQ(send("set cd door open").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "open");
    EXPECT_EQ(reply("status cd media present"), "false");
    Result r = send("status cd number of tracks");
    EXPECT_NE(errortext(r.code).find("tray is open"), std::string::npos);
    EXPECT_NE(send("play cd from 1").code, 0u);
    ASSERT_EQ(send("set cd door closed wait").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "stopped");
    EXPECT_EQ(reply("status cd number of tracks"), "3");
}

class DataDisc : public CdTest {};

TEST_F(DataDisc, DataTrackIsListedButSkippedWhenPlayingAndOnlyDataOrNoDriveMeansNothingToPlay) {
    opendisc({{3.0, 0, true}, {2.0, 440}});
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    EXPECT_EQ(reply("status cd type track 1"), "other");
    EXPECT_EQ(reply("status cd number of tracks"), "2");
    ASSERT_EQ(send("play cd from 1").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "playing");
    EXPECT_EQ(reply("status cd position").substr(0, 3), "02:");
    ASSERT_EQ(send("stop cd wait").code, 0u);

    opendisc({{3.0, 0, true}});  // data alone: nothing to play
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    EXPECT_EQ(reply("status cd number of tracks"), "1");
    Result r = send("play cd from 1");
    EXPECT_NE(r.code, 0u);
    EXPECT_NE(errortext(r.code).find("data tracks never play"), std::string::npos);
    EXPECT_NE(send("play cd").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "stopped");

    // No drive answers like a data disc.
    usedevice("None");
    ASSERT_EQ(send("open cdaudio alias cd wait shareable").code, 0u);
    EXPECT_EQ(reply("status cd media present"), "true");
    EXPECT_EQ(reply("status cd number of tracks wait"), "1");
    EXPECT_NE(send("play cd").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "stopped");
}

class Images : public CdTest {};

// Images and devices that cannot be used: opening fails with a text that tells the user where to
// set the drive, and nothing stays open.
TEST_F(Images, UnusableImagesAndDevicesAreRefusedNamingTheSetting) {
    fx::writecdimage(dir / "disc.cue", {{2.0, 440}});
    fx::writecdimage(dir / "nobin.cue", {{2.0, 440}});
    std::filesystem::remove(dir / "nobin.bin");
    std::ofstream(dir / "notrack.cue") << "FILE \"disc.bin\" BINARY\n";
    std::ofstream(dir / "pastend.cue") << "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n"
                                          "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
                                          "    INDEX 01 70:00:00\n";
    const std::vector<std::string> devices = {"nobin.cue", "notrack.cue", "pastend.cue",
                                              (dir / "nothing.cue").string(), "/dev/no-such-drive"};
    for (const std::string& device : devices) {
        usedevice(device);
        const Result r = send("open cdaudio alias cd wait shareable");
        ASSERT_NE(r.code, 0u) << device;
        const std::string text = errortext(r.code);
        EXPECT_NE(text.find("settings.ini"), std::string::npos) << text;
        EXPECT_NE(text.find("[cd]"), std::string::npos) << text;
        EXPECT_NE(send("status cd mode").code, 0u) << device;
    }
}

TEST_F(Images, PathsAreAbsoluteOrFromTheSettingsFolderAndReopenAfterClose) {
    fx::writecdimage(dir / "disc.cue", {{2.0, 440}, {2.0, 880}});
    for (const std::string& device : {(dir / "disc.cue").string(), std::string(" disc.cue ")}) {
        usedevice(device);
        ASSERT_EQ(send("open cdaudio alias cd").code, 0u);
        EXPECT_EQ(reply("status cd number of tracks"), "2");
    }
    ASSERT_EQ(send("close cd").code, 0u);
    ASSERT_EQ(send("open cdaudio alias cd").code, 0u);
    EXPECT_EQ(reply("status cd number of tracks"), "2");
}

// A fresh settings file names no drive; on a box without one that means no drive at all, as
// "none" does.
TEST_F(Images, EmptySettingWithoutADriveIsNoDrive) {
    if (!cd::defaultdevice().empty()) GTEST_SKIP() << "this machine has a CD drive";
    for (const char* setting : {"", "  ", " None "}) {
        usedevice(setting);
        ASSERT_EQ(send("open cdaudio alias cd wait shareable").code, 0u) << setting;
        EXPECT_EQ(reply("status cd number of tracks"), "1");
        EXPECT_EQ(reply("status cd type track 1"), "other");
    }
}

// Only data file names become absolute: not comments, CD-TEXT, or names already absolute.
TEST(TocFile, RelativeDataFileNamesAreTakenFromTheTocsFolder) {
    const std::string toc = R"(CD_DA
// FILE "note.bin"
CD_TEXT { LANGUAGE 0 { TITLE "FILE" } }
TRACK AUDIO
FILE "a.bin" 0 00:01:00
AUDIOFILE "/abs/b.bin" 0
TRACK MODE1_RAW
DATAFILE "c \"q\".bin")";
    EXPECT_EQ(cd::absolutetoc(toc, "/my discs"), R"(CD_DA
// FILE "note.bin"
CD_TEXT { LANGUAGE 0 { TITLE "FILE" } }
TRACK AUDIO
FILE "/my discs/a.bin" 0 00:01:00
AUDIOFILE "/abs/b.bin" 0
TRACK MODE1_RAW
DATAFILE "/my discs/c \"q\".bin")");
    EXPECT_EQ(cd::absolutetoc(toc, "/a \"quoted\" folder"), std::nullopt);
}

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

// The volume scales the disc's samples while it plays, and only positions 0..1000 are taken.
TEST_F(Playback, VolumeScalesTheDiscWhilePlaying) {
    opendisc({{2.0, 440}});
    EXPECT_NE(send("setaudio cd volume to 1001").code, 0u);
    EXPECT_NE(send("setaudio cd treble to 500").code, 0u);
    EXPECT_NE(send("setaudio cd volume").code, 0u);
    ASSERT_EQ(send("setaudio cd volume to 500").code, 0u);
    ASSERT_EQ(send("play cd").code, 0u);
    std::this_thread::sleep_for(900ms);
    ASSERT_EQ(send("setaudio cd volume to 1000").code, 0u);
    const auto tones = playedtones();
    ASSERT_EQ(tones.size(), 1u);  // no gap where the volume changed
    std::ifstream in(dir / "output.raw", std::ios::binary);
    std::vector<int16_t> samples;
    for (int16_t sample = 0; in.read(reinterpret_cast<char*>(&sample), 2);)
        samples.push_back(sample);
    const auto peak = [&](double from, double to) {
        int most = 0;
        for (auto i = std::size_t((tones[0].start + from) * 44100) * 2;
             i < std::min(samples.size(), std::size_t((tones[0].start + to) * 44100) * 2); ++i)
            most = std::max(most, std::abs(int(samples[i])));
        return double(most);
    };
    EXPECT_NEAR(peak(0.1, 0.6) / peak(1.4, 1.9), 0.125, 0.005);
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
