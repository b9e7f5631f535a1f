// Generated tones decode back to the tone and length they were written with.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tools/fixtures/fixtures.h"

namespace tunedeck::fixtures {
namespace {

std::string readbytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Case {
    AudioFormat format;
    double lengthtolerance;      // seconds
    double latest_start = 0.01;  // seconds
    const char* name() const { return extensionfor(format); }
};

class ToneRoundTrip : public ::testing::TestWithParam<Case> {};

// Stereo at 44.1 kHz and mono at 48 kHz; the same arguments give the same bytes.
TEST_P(ToneRoundTrip, DecodesToTheWrittenFrequencyAndLength) {
    TempDir dir;
    const Case c = GetParam();
    const auto file = [&](const char* stem) { return dir / (std::string(stem) + "." + c.name()); };
    writetone(file("a"), c.format, {.frequency = 660, .seconds = 2.5});
    const ToneSegment got = measurefile(file("a"));
    EXPECT_NEAR(got.frequency, 660, 660 * 0.01);
    EXPECT_NEAR(got.seconds, 2.5, c.lengthtolerance);
    EXPECT_LT(got.start, c.latest_start);
    writetone(file("b"), c.format, {.frequency = 660, .seconds = 2.5});
    EXPECT_EQ(readbytes(file("a")), readbytes(file("b")));

    writetone(file("mono"), c.format,
              {.frequency = 1000, .seconds = 1.3, .samplerate = 48000, .channels = 1});
    const ToneSegment mono = measurefile(file("mono"));
    EXPECT_NEAR(mono.frequency, 1000, 10);
    EXPECT_NEAR(mono.seconds, 1.3, c.lengthtolerance);
}

// The analysis decodes as FFmpeg does by default: MP3, Opus and the lossless formats come out
// exact; Vorbis 128 samples short; M4A keeps its last frame's padding; ADTS AAC its priming
// frame and padding; WMA its encoder's block padding.
INSTANTIATE_TEST_SUITE_P(
    Formats, ToneRoundTrip,
    ::testing::Values(Case{AudioFormat::Mp3, 0.003}, Case{AudioFormat::Wav, 0.0001},
                      Case{AudioFormat::Wma, 0.1}, Case{AudioFormat::Flac, 0.0001},
                      Case{AudioFormat::Ogg, 0.004}, Case{AudioFormat::Oga, 0.0001},
                      Case{AudioFormat::Opus, 0.001}, Case{AudioFormat::M4a, 0.025},
                      Case{AudioFormat::Aac, 0.05, 0.03}),
    [](const auto& info) { return std::string(info.param.name()); });

}  // namespace
}  // namespace tunedeck::fixtures
