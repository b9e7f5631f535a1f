// The engine playing through SDL's disk driver, and into a named pipe paced by its own writer
// thread.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "harness.h"
#include "pipereader.h"
#include "platform/audio/format.h"
#include "platform/audio/pipeoutput.h"

namespace tunedeck {
namespace {

using namespace std::chrono_literals;
using namespace tunedeck::testing;

// Creates and plays a file with an end procedure that counts its calls.
HSTREAM playcounted(AudioLibrary& bass, const fx::fs::path& file, int& ends) {
    const HSTREAM h = BASS_StreamCreateFile(bass, 0, file.c_str(), 0, 0, 0);
    if (h == 0 || !BASS_StreamPlay(bass, h, 0, 0)) return 0;
    BASS_ChannelSetSync(
        bass, h, BASS_SYNC_END, 0, [&ends](HSYNC, DWORD, DWORD, DWORD) { ++ends; }, 0);
    return h;
}

TEST(EnginePlayback, ResampledMonoFileKeepsPitchAndLength) {
    fx::TempDir dir;
    const auto out = diskoutput(dir, true);
    fx::writetone(dir / "mono48k.wav", fx::AudioFormat::Wav, {1000, 0.6, 48000, 1});
    std::vector<fx::ToneSegment> tones;
    {
        AudioLibrary bass;
        ASSERT_TRUE(startlibrary(bass));
        int ends = 0;
        const HSTREAM h = playcounted(bass, dir / "mono48k.wav", ends);
        ASSERT_NE(h, 0u);
        EXPECT_EQ(BASS_StreamGetLength(bass, h), 26460u * 4);
        ASSERT_TRUE(pumpuntil(bass, [&] { return BASS_ChannelIsActive(bass, h) == 0; }));
        EXPECT_EQ(ends, 1);
        EXPECT_EQ(BASS_ChannelGetPosition(bass, h), BASS_StreamGetLength(bass, h));
    }
    tones = fx::findtones(out);
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_NEAR(tones[0].frequency, 1000, 10);
    EXPECT_NEAR(tones[0].seconds, 0.6, 0.01);
}

// Queued files join at the output without a gap, each for exactly its length: the end
// notification starts the next file while the previous one's buffered tail still plays, and
// encoder delay and padding are trimmed. Raw ADTS AAC declares neither, and WMA's codec keeps
// back a block, so neither can join exactly.
class GaplessJoin : public ::testing::TestWithParam<fx::AudioFormat> {};

TEST_P(GaplessJoin, NextFileStartedFromTheEndNotificationFollowsWithoutGap) {
    const fx::AudioFormat format = GetParam();
    fx::TempDir dir;
    const auto out = diskoutput(dir, true);
    fx::writetone(dir / "a", format, {440, 0.7});
    fx::writetone(dir / "b", format, {880, 0.7});
    {
        AudioLibrary bass;
        ASSERT_TRUE(startlibrary(bass));
        HSTREAM current = 0;
        int endsa = 0, endsb = 0;
        current = BASS_StreamCreateFile(bass, 0, (dir / "a").c_str(), 0, 0, 0);
        ASSERT_TRUE(BASS_StreamPlay(bass, current, 0, 0));
        BASS_ChannelSetSync(
            bass, current, BASS_SYNC_END, 0,
            [&](HSYNC, DWORD, DWORD, DWORD) {
                ++endsa;
                BASS_StreamFree(bass, current);
                current = playcounted(bass, dir / "b", endsb);
            },
            0);
        ASSERT_TRUE(pumpuntil(bass, [&] { return endsb == 1; }));
        ASSERT_TRUE(pumpuntil(bass, [&] { return BASS_ChannelIsActive(bass, current) == 0; }));
        EXPECT_EQ(BASS_StreamGetLength(bass, current), 30870u * 4);  // all of it, to the sample
        pumpfor(bass, 100ms);
        EXPECT_EQ(endsa, 1);
    }
    const auto tones = fx::findtones(out);
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_NEAR(tones[0].frequency, 440, 10);
    EXPECT_NEAR(tones[1].frequency, 880, 10);
    EXPECT_NEAR(tones[0].seconds, 0.7, 0.01);
    EXPECT_NEAR(tones[1].seconds, 0.7, 0.01);
    EXPECT_NEAR(tones[1].start - (tones[0].start + tones[0].seconds), 0.0, 0.002);
}

INSTANTIATE_TEST_SUITE_P(Formats, GaplessJoin,
                         ::testing::Values(fx::AudioFormat::Mp3, fx::AudioFormat::Wav,
                                           fx::AudioFormat::Flac, fx::AudioFormat::Ogg,
                                           fx::AudioFormat::Oga, fx::AudioFormat::Opus,
                                           fx::AudioFormat::M4a),
                         [](const auto& info) {
                             return std::string(fx::extensionfor(info.param));
                         });

TEST(EnginePlayback, PauseKeepsPositionAndResumeContinues) {
    fx::TempDir dir;
    const auto out = diskoutput(dir, true);
    fx::writetone(dir / "a.mp3", fx::AudioFormat::Mp3, {660, 1.0});
    {
        AudioLibrary bass;
        ASSERT_TRUE(startlibrary(bass));
        int ends = 0;
        const HSTREAM h = playcounted(bass, dir / "a.mp3", ends);
        pumpuntil(bass, [&] { return BASS_ChannelGetPosition(bass, h) > 176400 / 3; });
        EXPECT_EQ(BASS_ChannelResume(bass, h), 0);
        EXPECT_EQ(BASS_ErrorGetCode(bass), 16);
        ASSERT_TRUE(BASS_ChannelPause(bass, h));
        EXPECT_EQ(BASS_ChannelIsActive(bass, h), BASS_ACTIVE_PAUSED);
        const QWORD at = BASS_ChannelGetPosition(bass, h);
        pumpfor(bass, 400ms);
        EXPECT_EQ(BASS_ChannelGetPosition(bass, h), at);
        EXPECT_EQ(ends, 0);
        ASSERT_TRUE(BASS_ChannelResume(bass, h));
        EXPECT_EQ(BASS_ChannelIsActive(bass, h), BASS_ACTIVE_PLAYING);
        ASSERT_TRUE(pumpuntil(bass, [&] { return BASS_ChannelIsActive(bass, h) == 0; }));
        EXPECT_EQ(ends, 1);
    }
    // The tone comes in two parts around a pause of about 0.4 s, together one second long.
    const auto tones = fx::findtones(out);
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_NEAR(tones[0].seconds + tones[1].seconds, 1.0, 0.01);
    EXPECT_NEAR(tones[1].start - tones[0].start - tones[0].seconds, 0.4, 0.1);
}

// Stopping or freeing a stream whose end notification is already on its way: the procedure
// never runs twice, and never for a stream the UI has given up before the event arrived.
TEST(EnginePlayback, EndNotificationNeverRunsTwiceOrAfterStopOrFree) {
    fx::TempDir dir;
    diskoutput(dir, false);
    fx::writetone(dir / "short.wav", fx::AudioFormat::Wav, {440, 0.05});
    AudioLibrary bass;
    ASSERT_TRUE(startlibrary(bass));
    for (int round = 0; round < 20; ++round) {
        int ends = 0;
        const HSTREAM h = playcounted(bass, dir / "short.wav", ends);
        ASSERT_NE(h, 0u);
        if (round % 3 == 1) BASS_ChannelStop(bass, h);
        if (round % 3 == 2) BASS_StreamFree(bass, h);
        pumpfor(bass, 60ms);
        if (round % 3 == 0) {
            EXPECT_TRUE(pumpuntil(bass, [&] { return ends == 1; }));
            BASS_ChannelStop(bass, h);
            BASS_StreamPlay(bass, h, 0, 0);
            pumpfor(bass, 30ms);
        }
        EXPECT_EQ(ends, round % 3 == 0 ? 1 : 0) << "round " << round;
        BASS_StreamFree(bass, h);
    }
}

TEST(EnginePlayback, DamagedFilesEndEarlyOrFailWithoutHanging) {
    fx::TempDir dir;
    diskoutput(dir, false);
    fx::writetone(dir / "whole.mp3", fx::AudioFormat::Mp3, {440, 2.0});
    fx::writetone(dir / "whole.wma", fx::AudioFormat::Wma, {440, 2.0});
    fx::writetruncated(dir / "whole.mp3", dir / "cut.mp3", 9000);
    fx::writetruncated(dir / "whole.wma", dir / "cut.wma", 9000);
    fx::writetruncated(dir / "whole.mp3", dir / "header.mp3", 300);
    fx::writerandombytes(dir / "noise.mp3", 50000, 7);
    fx::writerandombytes(dir / "noise.wav", 50000, 8);
    AudioLibrary bass;
    ASSERT_TRUE(startlibrary(bass));
    for (const char* name : {"cut.mp3", "cut.wma", "header.mp3", "noise.mp3", "noise.wav"}) {
        SCOPED_TRACE(name);
        int ends = 0;
        const HSTREAM h = playcounted(bass, dir / name, ends);
        if (h == 0) {
            EXPECT_TRUE(BASS_ErrorGetCode(bass) == 6 || BASS_ErrorGetCode(bass) == 2);
            continue;
        }
        EXPECT_TRUE(pumpuntil(
            bass, [&] { return BASS_ChannelIsActive(bass, h) == 0; }, 10s));
        EXPECT_TRUE(pumpuntil(
            bass, [&] { return ends == 1; }, 2s));
        EXPECT_LT(BASS_ChannelGetPosition(bass, h), 2u * 176400);
        BASS_StreamFree(bass, h);
    }
}

using Clock = std::chrono::steady_clock;

double seconds(QWORD bytes) {
    return static_cast<double>(bytes) / kBytesPerSecond;
}

// An engine on a FIFO named relative to the test folder, as settings.ini may name it.
struct PipeEngine {
    explicit PipeEngine(const fx::TempDir& dir) : bass(OutputTarget{"pipe:fifo", dir.path()}) {
        makefifo(dir / "fifo");
    }
    HSTREAM play(const fx::fs::path& file) {
        const HSTREAM h = BASS_StreamCreateFile(bass, 0, file.c_str(), 0, 0, 0);
        return h != 0 && BASS_StreamPlay(bass, h, 0, 0) ? h : 0;
    }
    AudioLibrary bass;
};

// Nobody reads for the first 1.3 s: the queue still moves on in real time (the second file
// starts from the first one's end notification), and the listener who comes then hears only
// the rest of the second file, from about where it has got to.
TEST(EnginePipe, KeepsRealTimeWithoutAReaderAndALateReaderHearsTheCurrentPosition) {
    fx::TempDir dir;
    fx::writetone(dir / "a.mp3", fx::AudioFormat::Mp3, {440, 1.0});
    fx::writetone(dir / "b.mp3", fx::AudioFormat::Mp3, {880, 2.0});
    PipeEngine engine(dir);
    AudioLibrary& bass = engine.bass;
    ASSERT_TRUE(startlibrary(bass));
    HSTREAM b = 0;
    const auto started = Clock::now();
    const HSTREAM a = engine.play(dir / "a.mp3");
    ASSERT_NE(a, 0u);
    BASS_ChannelSetSync(
        bass, a, BASS_SYNC_END, 0,
        [&](HSYNC, DWORD, DWORD, DWORD) { b = engine.play(dir / "b.mp3"); }, 0);
    pumpuntil(bass, [&] { return Clock::now() - started > 1300ms; });
    ASSERT_NE(b, 0u);
    const double heard = seconds(BASS_ChannelGetPosition(bass, b));
    EXPECT_NEAR(heard, 0.3, 0.1);
    PipeReader reader(dir / "fifo");
    ASSERT_TRUE(pumpuntil(bass, [&] { return BASS_ChannelIsActive(bass, b) == 0; }));
    EXPECT_NEAR(std::chrono::duration<double>(Clock::now() - started).count(), 3.0, 0.15);
    const auto tones = fx::findtones(reader.samples(), kOutputRate, kOutputChannels);
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_NEAR(tones[0].frequency, 880, 10);
    // What waited in the pipe when the reader came is at most 150 ms of the latest sound.
    EXPECT_GT(tones[0].seconds, 2.0 - heard - 0.03);
    EXPECT_LT(tones[0].seconds, 2.0 - heard + 0.18);
}

// Nothing reaches the pipe while paused or stopped; the tone resumes at the very sample where
// it paused, so what the listener gets is one unbroken second of it.
TEST(EnginePipe, PauseAndStopWriteNothingAndResumeContinues) {
    fx::TempDir dir;
    fx::writetone(dir / "a.wav", fx::AudioFormat::Wav, {660, 1.0});
    PipeEngine engine(dir);
    AudioLibrary& bass = engine.bass;
    PipeReader reader(dir / "fifo");
    ASSERT_TRUE(startlibrary(bass));
    const HSTREAM h = engine.play(dir / "a.wav");
    ASSERT_NE(h, 0u);
    pumpuntil(bass, [&] { return BASS_ChannelGetPosition(bass, h) > 176400 / 3; });
    ASSERT_TRUE(BASS_ChannelPause(bass, h));
    pumpfor(bass, 100ms);  // what was written before the pause reaches the reader
    const std::size_t paused = reader.bytes();
    pumpfor(bass, 400ms);
    EXPECT_EQ(reader.bytes(), paused);
    ASSERT_TRUE(BASS_ChannelResume(bass, h));
    ASSERT_TRUE(pumpuntil(bass, [&] { return BASS_ChannelIsActive(bass, h) == 0; }));
    pumpfor(bass, 100ms);
    const std::size_t ended = reader.bytes();
    pumpfor(bass, 300ms);
    EXPECT_EQ(reader.bytes(), ended);
    const auto tones = fx::findtones(reader.samples(), kOutputRate, kOutputChannels);
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_NEAR(tones[0].seconds, 1.0, 0.015);
}

// A setting that names no usable pipe is the library's "no usable device", with a reason that
// names the setting; a plain file is never written to.
TEST(EnginePipe, UnusableSettingIsNoUsableDeviceNamingTheSetting) {
    fx::TempDir dir;
    std::ofstream(dir / "plain") << "not a pipe";
    for (const std::string setting :
         {"pipe:plain", "pipe:.", "pipe:missing", "pipe:", "speakers", "pipe:fifo/x"}) {
        SCOPED_TRACE(setting);
        AudioLibrary bass(OutputTarget{setting, dir.path()});
        EXPECT_EQ(BASS_Init(bass, -1, 44100, 0, nullptr), 0);
        EXPECT_EQ(BASS_ErrorGetCode(bass), 3);
        EXPECT_NE(bass.output_error().find("[audio] output"), std::string::npos);
    }
    EXPECT_EQ(fx::fs::file_size(dir / "plain"), 10u);
}

}  // namespace
}  // namespace tunedeck
