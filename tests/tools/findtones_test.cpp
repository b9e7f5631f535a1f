// Tone segments found in raw PCM, as written by SDL's disk audio driver.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <vector>

#include "tools/fixtures/fixtures.h"

namespace tunedeck::fixtures {
namespace {

// Appends `seconds` of a sine (0 Hz: silence) to interleaved stereo PCM at `rate`.
void append(std::vector<int16_t>& pcm, double frequency, double seconds, int rate = 44100,
            double amplitude = 0.4) {
    const auto count = static_cast<std::size_t>(std::lround(seconds * rate));
    for (std::size_t i = 0; i < count; ++i) {
        const double v = amplitude * std::sin(2 * std::numbers::pi * frequency * double(i) / rate);
        pcm.push_back(int16_t(std::lrint(v * 32767)));
        pcm.push_back(int16_t(std::lrint(v * 32767)));
    }
}

void expectsegment(const ToneSegment& got, double start, double seconds, double frequency) {
    EXPECT_NEAR(got.start, start, 0.01);
    EXPECT_NEAR(got.seconds, seconds, 0.01);
    EXPECT_NEAR(got.frequency, frequency, frequency * 0.01);
}

// Silence separates segments; without a gap, another pitch starts a new one, even the first
// pitch again.
TEST(FindTones, SilenceOrAPitchChangeSplitsSegments) {
    std::vector<int16_t> pcm;
    append(pcm, 0, 0.25);
    append(pcm, 440, 1.0);
    append(pcm, 0, 0.5);
    append(pcm, 523.25, 0.8);
    append(pcm, 392, 0.6);
    append(pcm, 523.25, 0.3);
    append(pcm, 0, 0.1);
    const auto tones = findtones(pcm, 44100, 2);
    ASSERT_EQ(tones.size(), 4u);
    expectsegment(tones[0], 0.25, 1.0, 440);
    expectsegment(tones[1], 1.75, 0.8, 523.25);
    expectsegment(tones[2], 2.55, 0.6, 392);
    expectsegment(tones[3], 3.15, 0.3, 523.25);
}

TEST(FindTones, ShortGapsAndQuietTailsDoNotSplitATone) {
    std::vector<int16_t> pcm;
    append(pcm, 1000, 0.5);
    append(pcm, 0, 0.004);  // a dropout shorter than the silence that separates tones
    append(pcm, 1000, 0.5);
    append(pcm, 300, 0.5, 44100, 0.002);  // below the silence level
    const auto tones = findtones(pcm, 44100, 2);
    ASSERT_EQ(tones.size(), 1u);
    expectsegment(tones[0], 0, 1.004, 1000);
}

TEST(FindTones, ReadsRawFilesAndCopesWithOddInput) {
    TempDir dir;
    std::vector<int16_t> pcm;
    append(pcm, 0, 0.1);
    append(pcm, 880, 0.3);
    {
        std::ofstream raw(dir / "out.raw", std::ios::binary);
        raw.write(reinterpret_cast<const char*>(pcm.data()), std::streamsize(pcm.size() * 2));
        raw.put(7);  // a stray half sample at the end is ignored
    }
    const auto tones = findtones(dir / "out.raw");
    ASSERT_EQ(tones.size(), 1u);
    expectsegment(tones[0], 0.1, 0.3, 880);
    EXPECT_TRUE(findtones(std::vector<int16_t>{}, 44100, 2).empty());
    EXPECT_TRUE(findtones(std::vector<int16_t>{5000}, 44100, 2).empty());
    EXPECT_THROW(findtones(pcm, 44100, 0), std::exception);
    EXPECT_THROW(findtones(dir / "missing.raw"), std::exception);
}

}  // namespace
}  // namespace tunedeck::fixtures
