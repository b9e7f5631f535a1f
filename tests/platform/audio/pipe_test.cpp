// The engine playing into a named pipe, paced by its own writer thread.
#include <gtest/gtest.h>

#include <fstream>

#include "harness.h"
#include "pipereader.h"
#include "platform/audio/format.h"
#include "platform/audio/pipeoutput.h"

namespace tunedeck {
namespace {

using namespace std::chrono_literals;
using namespace tunedeck::testing;
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
