#include <gtest/gtest.h>

#include <cmath>

#include "harness.h"

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

}  // namespace
}  // namespace tunedeck
