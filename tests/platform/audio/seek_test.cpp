// Moving a stream within its file: the decoder lands on the exact sample in every container,
// the output plays on from the place, and the end notification still comes once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "platform/audio/decoder.h"

namespace tunedeck {
namespace {

using namespace std::chrono_literals;
using namespace tunedeck::testing;

std::vector<int16_t> decodeall(Decoder& decoder) {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> block;
    for (bool more = true; more;) {
        block.clear();
        more = decoder.decode(block);
        bytes.insert(bytes.end(), block.begin(), block.end());
    }
    std::vector<int16_t> samples(bytes.size() / 2);
    // Nothing decoded (a place at the very end) leaves both empty, with no storage to copy.
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// Mean distance per sample between `tail` and the end of `whole`: a landing one sample off
// the place puts a 440 Hz tone at half scale about 1,000 away.
double meandistance(const std::vector<int16_t>& whole, const std::vector<int16_t>& tail) {
    const std::size_t offset = whole.size() - tail.size();
    double sum = 0;
    for (std::size_t i = 0; i < tail.size(); ++i)
        sum += std::abs(static_cast<int>(whole[offset + i]) - static_cast<int>(tail[i]));
    return tail.empty() ? 0 : sum / static_cast<double>(tail.size());
}

// Both ways to the place, the container's seeking and decoding from the start, give exactly
// the samples a whole decoding has from there on, and the exact length of the rest.
class SeekFormat : public ::testing::TestWithParam<fx::AudioFormat> {};

TEST_P(SeekFormat, DecoderLandsOnTheExactSampleBothWays) {
    const fx::AudioFormat format = GetParam();
    fx::TempDir dir;
    const auto file = (dir / (std::string("a.") + fx::extensionfor(format))).string();
    fx::writetone(file, format, {440, 3.0});
    Decoder reference(file);
    const std::vector<int16_t> whole = decodeall(reference);
    for (const uint64_t place : {uint64_t{4}, uint64_t{176400 / 10 * 3}, uint64_t{176400 * 2 + 36},
                                 static_cast<uint64_t>(whole.size() * 2 - 4 * 2000),
                                 static_cast<uint64_t>(whole.size() * 2)}) {
        SCOPED_TRACE(place);
        Decoder seeking(file);
        const bool seeked = seeking.seek(place);
        // Raw ADTS carries no timestamps to land by, FLAC in Ogg none to trust after a seek.
        if (format != fx::AudioFormat::Aac && format != fx::AudioFormat::Oga) {
            EXPECT_TRUE(seeked);
        }
        Decoder skipping(file);
        skipping.skip(place);
        std::vector<Decoder*> decoders{&skipping};
        if (seeked) decoders.push_back(&seeking);
        for (Decoder* decoder : decoders) {
            const std::vector<int16_t> tail = decodeall(*decoder);
            EXPECT_EQ(tail.size() * 2, whole.size() * 2 - place);
            if (tail.size() * 2 == whole.size() * 2 - place) {
                EXPECT_LT(meandistance(whole, tail), 150.0);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, SeekFormat,
                         ::testing::Values(fx::AudioFormat::Wav, fx::AudioFormat::Mp3,
                                           fx::AudioFormat::Flac, fx::AudioFormat::Ogg,
                                           fx::AudioFormat::Oga, fx::AudioFormat::Opus,
                                           fx::AudioFormat::M4a, fx::AudioFormat::Aac),
                         [](const auto& info) { return fx::extensionfor(info.param); });

// Paused after a third of a second, moved forward to 2 s of a 3 s file and resumed: the
// second part heard is the last second of the file, and the end is notified once.
TEST(EngineSeek, PausedStreamMovedForwardPlaysTheRestOfTheFile) {
    fx::TempDir dir;
    const auto out = diskoutput(dir, true);
    fx::writetone(dir / "a.mp3", fx::AudioFormat::Mp3, {660, 3.0});
    {
        AudioLibrary bass;
        ASSERT_TRUE(startlibrary(bass));
        const HSTREAM h = BASS_StreamCreateFile(bass, 0, (dir / "a.mp3").c_str(), 0, 0, 0);
        ASSERT_TRUE(BASS_StreamPlay(bass, h, 0, 0));
        int ends = 0;
        BASS_ChannelSetSync(
            bass, h, BASS_SYNC_END, 0, [&](HSYNC, DWORD, DWORD, DWORD) { ++ends; }, 0);
        ASSERT_TRUE(pumpuntil(bass, [&] { return BASS_ChannelGetPosition(bass, h) > 176400 / 3; }));
        ASSERT_TRUE(BASS_ChannelPause(bass, h));
        pumpfor(bass, 300ms);
        const QWORD place = BASS_ChannelSeconds2Bytes(bass, h, 2.0);
        EXPECT_EQ(place, 176400u * 2);
        ASSERT_TRUE(BASS_ChannelSetPosition(bass, h, place, BASS_POS_BYTE));
        EXPECT_EQ(BASS_ChannelGetPosition(bass, h), place);
        EXPECT_EQ(BASS_ChannelIsActive(bass, h), BASS_ACTIVE_PAUSED);
        EXPECT_EQ(BASS_StreamGetLength(bass, h), 176400u * 3);
        ASSERT_TRUE(BASS_ChannelResume(bass, h));
        ASSERT_TRUE(pumpuntil(bass, [&] { return BASS_ChannelIsActive(bass, h) == 0; }));
        EXPECT_EQ(BASS_ChannelGetPosition(bass, h), 176400u * 3);
        pumpfor(bass, 100ms);
        EXPECT_EQ(ends, 1);
    }
    const auto tones = fx::findtones(out);
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_NEAR(tones[0].frequency, 660, 10);
    EXPECT_NEAR(tones[1].seconds, 1.0, 0.02);
}

// The end of the file is notified and, before the UI thread has run the procedure, the stream
// is moved back: the stale notification is not its end. The procedure runs once, when what is
// left of the file after the place fits in the buffer (half a second at most), and all of it
// is heard. So it is when the file had even played out before the move.
class MovedBack : public ::testing::TestWithParam<double> {};

TEST_P(MovedBack, PlayingStreamMovedBackAfterItsEndWasNotifiedPlaysOnAndEndsOnce) {
    const QWORD movedat = static_cast<QWORD>(GetParam() * 44100) * 4;
    fx::TempDir dir;
    const auto out = diskoutput(dir, true);
    fx::writetone(dir / "a.wav", fx::AudioFormat::Wav, {440, 0.8});
    QWORD heardfirst = 0;
    double movetook = 0;
    {
        AudioLibrary bass;
        ASSERT_TRUE(startlibrary(bass));
        const HSTREAM h = BASS_StreamCreateFile(bass, 0, (dir / "a.wav").c_str(), 0, 0, 0);
        ASSERT_TRUE(BASS_StreamPlay(bass, h, 0, 0));
        int ends = 0;
        QWORD endedat = 0;
        BASS_ChannelSetSync(
            bass, h, BASS_SYNC_END, 0,
            [&](HSYNC, DWORD, DWORD, DWORD) {
                ++ends;
                endedat = BASS_ChannelGetPosition(bass, h);
            },
            0);
        // Not pumping: the notification waits in the event queue.
        const auto limit = std::chrono::steady_clock::now() + 10s;
        while (BASS_ChannelGetPosition(bass, h) < movedat &&
               std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(5ms);
        }
        heardfirst = BASS_ChannelGetPosition(bass, h);
        const auto moving = std::chrono::steady_clock::now();
        ASSERT_TRUE(BASS_ChannelSetPosition(bass, h, 176400 / 10, BASS_POS_BYTE));
        // The old stream plays on while the new one is opened (longer on a slow machine).
        movetook = std::chrono::duration<double>(std::chrono::steady_clock::now() - moving).count();
        ASSERT_TRUE(pumpuntil(bass, [&] { return ends > 0; }));
        EXPECT_GE(endedat, 176400u * 3 / 10);
        ASSERT_TRUE(pumpuntil(bass, [&] { return BASS_ChannelIsActive(bass, h) == 0; }));
        pumpfor(bass, 100ms);
        EXPECT_EQ(ends, 1);
    }
    // What was heard before the move, then from 0.1 s to the end.
    double heard = 0;
    for (const auto& tone : fx::findtones(out)) heard += tone.seconds;
    const double before = static_cast<double>(heardfirst) / 176400;
    EXPECT_GE(heard, before + 0.7 - 0.05);
    EXPECT_LE(heard, std::min(before + movetook, 0.8) + 0.7 + 0.05);
}

INSTANTIATE_TEST_SUITE_P(Places, MovedBack, ::testing::Values(0.5, 0.8), [](const auto& info) {
    return info.param < 0.8 ? "Playing" : "PlayedOut";
});

// Bad handles, places past the end and other modes fail with the library's codes; a file gone
// since the stream was made cannot be moved in, and the stream is left as it was.
TEST(EngineSeek, RefusalsCarryTheLibraryCodesAndLeaveTheStreamAsItWas) {
    fx::TempDir dir;
    diskoutput(dir, false);
    fx::writetone(dir / "a.flac", fx::AudioFormat::Flac, {440, 1.0});
    AudioLibrary bass;
    EXPECT_EQ(BASS_ChannelSetPosition(bass, 1, 0, BASS_POS_BYTE), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 8);
    ASSERT_TRUE(startlibrary(bass));
    const HSTREAM h = BASS_StreamCreateFile(bass, 0, (dir / "a.flac").c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelSetPosition(bass, h + 1, 0, BASS_POS_BYTE), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 5);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(bass, h + 1, 1.0), static_cast<QWORD>(-1));
    EXPECT_EQ(BASS_ChannelSetPosition(bass, h, 176400 + 4, BASS_POS_BYTE), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 7);
    EXPECT_EQ(BASS_ChannelSetPosition(bass, h, 0, 1), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 37);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(bass, h, -3.0), 0u);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(bass, h, std::nan("")), 0u);
    // Part of a frame is rounded down to the frame.
    ASSERT_TRUE(BASS_ChannelSetPosition(bass, h, 1003, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetPosition(bass, h), 1000u);
    fx::fs::remove(dir / "a.flac");
    EXPECT_EQ(BASS_ChannelSetPosition(bass, h, 8000, BASS_POS_BYTE), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 2);
    EXPECT_EQ(BASS_ChannelGetPosition(bass, h), 1000u);
    ASSERT_TRUE(BASS_StreamPlay(bass, h, 0, 0));
    ASSERT_TRUE(pumpuntil(bass, [&] { return BASS_ChannelIsActive(bass, h) == 0; }));
    EXPECT_EQ(BASS_ChannelGetPosition(bass, h), 176400u);
}

}  // namespace
}  // namespace tunedeck
