// The output's gain: the volume and each stream's own gain, heard on SDL's disk driver; the
// ramp that keeps a change from clicking; and the loudness tags read from every tagged format.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "harness.h"
#include "platform/audio/format.h"
#include "platform/audio/gainramp.h"

namespace tunedeck {
namespace {

using namespace std::chrono_literals;
using namespace tunedeck::testing;

std::vector<int16_t> rawsamples(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<int16_t> samples(bytes.size() / 2);
    std::copy_n(bytes.data(), samples.size() * 2, reinterpret_cast<char*>(samples.data()));
    return samples;
}

// The largest magnitude among samples [from, to) in seconds of stereo output.
double peak(const std::vector<int16_t>& samples, double from, double to) {
    const auto first = std::min(samples.size(), std::size_t(from * kOutputRate) * 2);
    const auto last = std::min(samples.size(), std::size_t(to * kOutputRate) * 2);
    int most = 0;
    for (std::size_t i = first; i < last; ++i) most = std::max(most, std::abs(int(samples[i])));
    return most / 32767.0;
}

TEST(GainRamp, UnityLeavesSamplesBitExactAndAChangeMovesInSmallStepsToItsTarget) {
    std::vector<int16_t> block(2 * 2048);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = int16_t(i * 7919 % 65536 - 32768);
    const auto original = block;
    GainRamp ramp;
    ramp.apply(block.data(), 2048, 1.0f);
    EXPECT_EQ(block, original);

    // A steady full-scale signal taken from 1 to 0.25: no sample jumps by more than a ramp
    // step, and after the ramp every sample is exactly a quarter.
    std::vector<int16_t> steady(2 * 1000, 32000);
    ramp.apply(steady.data(), 300, 0.25f);  // the ramp spans two periods
    ramp.apply(steady.data() + 600, 700, 0.25f);
    const double step = 32000 * 0.75 / GainRamp::kRampFrames;
    for (std::size_t f = 1; f < 1000; ++f)
        ASSERT_LE(std::abs(steady[2 * f] - steady[2 * f - 2]), step + 1) << "frame " << f;
    EXPECT_EQ(steady[2 * GainRamp::kRampFrames], 8000);
    EXPECT_EQ(steady.back(), 8000);

    // Amplification saturates at full scale instead of wrapping round.
    std::vector<int16_t> loud = {30000, -30000, 100, -100};
    ramp.jump(4.0f);
    ramp.apply(loud.data(), 2, 4.0f);
    EXPECT_EQ(loud, (std::vector<int16_t>{32767, -32768, 400, -400}));
}

TEST(GainRamp, VolumeCurveIsCubicWithSilenceAndUnityAtTheEnds) {
    EXPECT_EQ(volumegain(0), 0.0f);
    EXPECT_EQ(volumegain(1), 1.0f);
    EXPECT_NEAR(20 * std::log10(volumegain(0.5)), -18.06, 0.01);
    EXPECT_EQ(volumegain(-3), 0.0f);
    EXPECT_EQ(volumegain(7), 1.0f);
    EXPECT_EQ(volumegain(std::nan("")), 0.0f);
}

// The volume scales everything the output plays, streams started before and after alike, and
// comes back to the file's own samples at full volume.
TEST(EngineLevel, VolumeScalesTheOutputAndOutOfRangeValuesAreRefused) {
    fx::TempDir dir;
    const auto out = diskoutput(dir, true);
    fx::writetone(dir / "a.wav", fx::AudioFormat::Wav, {440, 1.5, 44100, 2, 0.8});
    {
        AudioLibrary bass;
        EXPECT_EQ(BASS_SetVolume(bass, 1.5f), 0);
        EXPECT_EQ(BASS_ErrorGetCode(bass), 20);
        ASSERT_TRUE(BASS_SetVolume(bass, 0.5f));  // before init: kept for the output
        ASSERT_TRUE(startlibrary(bass));
        EXPECT_EQ(BASS_GetVolume(bass), 0.5f);
        const HSTREAM h = BASS_StreamCreateFile(bass, 0, (dir / "a.wav").c_str(), 0, 0, 0);
        ASSERT_TRUE(BASS_StreamPlay(bass, h, 0, 0));
        pumpuntil(bass, [&] { return BASS_ChannelGetPosition(bass, h) > kBytesPerSecond * 3 / 4; });
        ASSERT_TRUE(BASS_SetVolume(bass, 1.0f));
        ASSERT_TRUE(pumpuntil(bass, [&] { return BASS_ChannelIsActive(bass, h) == 0; }));
    }
    const auto samples = rawsamples(out);
    const auto tones = fx::findtones(out);
    ASSERT_EQ(tones.size(), 1u);  // the change of volume made no gap
    const double start = tones[0].start;
    EXPECT_NEAR(peak(samples, start + 0.1, start + 0.6), 0.8 * 0.125, 0.002);
    EXPECT_NEAR(peak(samples, start + 1.1, start + 1.45), 0.8, 0.002);
}

// Files with different gains follow one another without a gap: each plays at its own gain
// from its first sample.
class GainedJoin : public ::testing::TestWithParam<fx::AudioFormat> {};

TEST_P(GainedJoin, EachFilePlaysAtItsOwnGainAndTheJoinStaysGapless) {
    const fx::AudioFormat format = GetParam();
    fx::TempDir dir;
    const auto out = diskoutput(dir, true);
    fx::writetone(dir / "a", format, {440, 0.7, 44100, 2, 0.6});
    fx::writetone(dir / "b", format, {880, 0.7, 44100, 2, 0.2});
    {
        AudioLibrary bass;
        ASSERT_TRUE(startlibrary(bass));
        HSTREAM current = BASS_StreamCreateFile(bass, 0, (dir / "a").c_str(), 0, 0, 0);
        ASSERT_TRUE(BASS_ChannelSetAttribute(bass, current, BASS_ATTRIB_VOL, 0.5f));
        ASSERT_TRUE(BASS_StreamPlay(bass, current, 0, 0));
        bool second = false;
        BASS_ChannelSetSync(
            bass, current, BASS_SYNC_END, 0,
            [&](HSYNC, DWORD, DWORD, DWORD) {
                BASS_StreamFree(bass, current);
                current = BASS_StreamCreateFile(bass, 0, (dir / "b").c_str(), 0, 0, 0);
                BASS_ChannelSetAttribute(bass, current, BASS_ATTRIB_VOL, 2.0f);
                second = BASS_StreamPlay(bass, current, 0, 0) != 0;
            },
            0);
        ASSERT_TRUE(pumpuntil(bass, [&] { return second; }));
        ASSERT_TRUE(pumpuntil(bass, [&] { return BASS_ChannelIsActive(bass, current) == 0; }));
    }
    const auto tones = fx::findtones(out);
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_NEAR(tones[1].start - (tones[0].start + tones[0].seconds), 0.0, 0.002);
    const auto samples = rawsamples(out);
    const double joint = tones[1].start;
    // Lossy codecs overshoot the tone's amplitude a little.
    EXPECT_NEAR(peak(samples, joint - 0.6, joint - 0.05), 0.3, 0.03);
    EXPECT_NEAR(peak(samples, joint + 0.05, joint + 0.6), 0.4, 0.04);
}

INSTANTIATE_TEST_SUITE_P(Formats, GainedJoin,
                         ::testing::Values(fx::AudioFormat::Mp3, fx::AudioFormat::Wav,
                                           fx::AudioFormat::Flac, fx::AudioFormat::Ogg,
                                           fx::AudioFormat::Oga, fx::AudioFormat::Opus,
                                           fx::AudioFormat::M4a),
                         [](const auto& info) {
                             return std::string(fx::extensionfor(info.param));
                         });

TEST(EngineLevel, AttributesOfUnknownStreamsAndAbsurdGainsAreRefused) {
    fx::TempDir dir;
    diskoutput(dir, false);
    fx::writetone(dir / "a.wav", fx::AudioFormat::Wav, {440, 0.1});
    AudioLibrary bass;
    ASSERT_TRUE(startlibrary(bass));
    const HSTREAM h = BASS_StreamCreateFile(bass, 0, (dir / "a.wav").c_str(), 0, 0, 0);
    EXPECT_EQ(BASS_ChannelSetAttribute(bass, h + 1, BASS_ATTRIB_VOL, 1.0f), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 5);
    EXPECT_EQ(BASS_ChannelSetAttribute(bass, h, BASS_ATTRIB_VOL, -1.0f), 0);
    EXPECT_EQ(BASS_ChannelSetAttribute(bass, h, BASS_ATTRIB_VOL, std::nanf("")), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 20);
    EXPECT_EQ(BASS_ChannelSetAttribute(bass, h, 99, 1.0f), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 19);
    LoudnessTags tags;
    EXPECT_EQ(BASS_ChannelGetLoudnessTags(bass, h + 1, &tags), 0);
    EXPECT_TRUE(BASS_ChannelGetLoudnessTags(bass, h, &tags));
    EXPECT_EQ(tags, LoudnessTags{});  // an untagged file
}

// ReplayGain as taggers write it into each container, and Opus's R128 tags, which count from
// -23 LUFS (5 dB below ReplayGain's reference) in 1/256 dB.
struct TaggedCase {
    fx::AudioFormat format;
    std::vector<std::pair<std::string, std::string>> tags;
    LoudnessTags expected;
};

void PrintTo(const TaggedCase& c, std::ostream* out) {
    *out << fx::extensionfor(c.format) << " with " << c.tags.size() << " tags";
}

class LoudnessTagsOf : public ::testing::TestWithParam<TaggedCase> {};

TEST_P(LoudnessTagsOf, TagsAreReadFromTheOpenedStreamAndFromTheFileAlone) {
    const TaggedCase& c = GetParam();
    fx::TempDir dir;
    diskoutput(dir, false);
    const auto file = dir / (std::string("t.") + fx::extensionfor(c.format));
    fx::Tone tone{440, 0.2};
    tone.tags = c.tags;
    fx::writetone(file, c.format, tone);
    AudioLibrary bass;
    ASSERT_TRUE(startlibrary(bass));
    const HSTREAM h = BASS_StreamCreateFile(bass, 0, file.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    LoudnessTags tags;
    ASSERT_TRUE(BASS_ChannelGetLoudnessTags(bass, h, &tags));
    EXPECT_EQ(tags.trackgain, c.expected.trackgain);
    EXPECT_EQ(tags.trackpeak, c.expected.trackpeak);
    EXPECT_EQ(tags.albumgain, c.expected.albumgain);
    EXPECT_EQ(tags.albumpeak, c.expected.albumpeak);
    EXPECT_EQ(tags.album, c.expected.album);
    EXPECT_EQ(readfileloudnesstags(file.string()), tags);
}

const std::vector<std::pair<std::string, std::string>> kReplayGainTags = {
    {"REPLAYGAIN_TRACK_GAIN", "-7.25 dB"},
    {"REPLAYGAIN_TRACK_PEAK", "0.988525"},
    {"replaygain_album_gain", "+1.50 dB"},
    {"REPLAYGAIN_ALBUM_PEAK", "1.000000"},
    {"album", "Blue Train"}};
const LoudnessTags kReplayGainRead{-7.25, 0.988525, 1.5, 1.0, "Blue Train"};

INSTANTIATE_TEST_SUITE_P(
    Formats, LoudnessTagsOf,
    ::testing::Values(TaggedCase{fx::AudioFormat::Mp3, kReplayGainTags, kReplayGainRead},
                      TaggedCase{fx::AudioFormat::Flac, kReplayGainTags, kReplayGainRead},
                      TaggedCase{fx::AudioFormat::Ogg, kReplayGainTags, kReplayGainRead},
                      TaggedCase{fx::AudioFormat::Oga, kReplayGainTags, kReplayGainRead},
                      TaggedCase{fx::AudioFormat::M4a, kReplayGainTags, kReplayGainRead},
                      TaggedCase{fx::AudioFormat::Opus,
                                 {{"R128_TRACK_GAIN", "-2560"}, {"R128_ALBUM_GAIN", "128"}},
                                 LoudnessTags{-5.0, std::nullopt, 5.5, std::nullopt, ""}},
                      // Nonsense and absurd values are left out rather than played at +500 dB.
                      TaggedCase{fx::AudioFormat::Flac,
                                 {{"REPLAYGAIN_TRACK_GAIN", "loud"},
                                  {"REPLAYGAIN_TRACK_PEAK", "-1"},
                                  {"REPLAYGAIN_ALBUM_GAIN", "500 dB"},
                                  {"REPLAYGAIN_ALBUM_PEAK", "nan"}},
                                 LoudnessTags{}}),
    [](const auto& info) {
        return std::string(fx::extensionfor(info.param.format)) + std::to_string(info.index);
    });

}  // namespace
}  // namespace tunedeck
