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

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name();
}

class ToneRoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(ToneRoundTrip, DecodesToTheWrittenFrequencyAndLength) {
    TempDir dir;
    const Case c = GetParam();
    const fs::path file = dir / (std::string("tone.") + c.name());
    writetone(file, c.format, {.frequency = 660, .seconds = 2.5});
    const ToneSegment got = measurefile(file);
    EXPECT_NEAR(got.frequency, 660, 660 * 0.01);
    EXPECT_NEAR(got.seconds, 2.5, c.lengthtolerance);
    EXPECT_LT(got.start, c.latest_start);
}

TEST_P(ToneRoundTrip, MonoAt48kHzDecodes) {
    TempDir dir;
    const Case c = GetParam();
    const fs::path file = dir / (std::string("mono.") + c.name());
    writetone(file, c.format,
              {.frequency = 1000, .seconds = 1.3, .samplerate = 48000, .channels = 1});
    const ToneSegment got = measurefile(file);
    EXPECT_NEAR(got.frequency, 1000, 10);
    EXPECT_NEAR(got.seconds, 1.3, c.lengthtolerance);
}

TEST_P(ToneRoundTrip, SameArgumentsGiveSameBytes) {
    TempDir dir;
    const Case c = GetParam();
    const fs::path a = dir / (std::string("a.") + c.name());
    const fs::path b = dir / (std::string("b.") + c.name());
    writetone(a, c.format, {.frequency = 523.25, .seconds = 1});
    writetone(b, c.format, {.frequency = 523.25, .seconds = 1});
    const std::string first = readbytes(a);
    EXPECT_GT(first.size(), 1000u);
    EXPECT_EQ(first, readbytes(b));
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

TEST(Tone, SilenceHasNoFrequency) {
    TempDir dir;
    writetone(dir / "quiet.wav", AudioFormat::Wav, {.frequency = 0, .seconds = 0.5});
    const ToneSegment got = measurefile(dir / "quiet.wav");
    EXPECT_EQ(got.frequency, 0);
    EXPECT_NEAR(got.seconds, 0.5, 0.0001);
}

TEST(Tone, WrongExtensionStillHoldsTheTone) {
    TempDir dir;
    writetone(dir / "really-mp3.wma", AudioFormat::Mp3, {.frequency = 440, .seconds = 1});
    EXPECT_NEAR(measurefile(dir / "really-mp3.wma").frequency, 440, 4.4);
}

TEST(Tone, UnusableParametersAreRefused) {
    TempDir dir;
    EXPECT_THROW(writetone(dir / "x.wav", AudioFormat::Wav, {.samplerate = 0}), std::exception);
    EXPECT_THROW(writetone(dir / "x.wav", AudioFormat::Wav, {.channels = 0}), std::exception);
    EXPECT_THROW(writetone(dir / "x.wav", AudioFormat::Wav, {.seconds = -1}), std::exception);
    EXPECT_THROW(writetone(dir / "no/such/folder/x.wav", AudioFormat::Wav, {}), std::exception);
}

}  // namespace
}  // namespace tunedeck::fixtures
