// The loudness of a file as the engine plays it: EBU R128 integrated loudness and sample peak of
// what the decoder makes of it, measured only where the tags give no gain.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <fstream>

#include "platform/audio/measure.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

namespace fx = tunedeck::fixtures;

const std::atomic<bool> kGoOn{false};

// A 997 Hz sine of amplitude A in both channels reads 20 log10 A LUFS (BS.1770's calibration:
// a full-scale one reads 0 LUFS), whatever the container; a lossy codec shifts it a little (MP3's
// encoder takes about 0.4 dB off this tone).
TEST(Measure, AnUntaggedToneReadsItsLevelInEveryLosslessAndLossyFormat) {
    fx::TempDir dir;
    for (const auto format : {fx::AudioFormat::Flac, fx::AudioFormat::Mp3, fx::AudioFormat::Opus}) {
        const auto file = dir / ("tone." + std::string(fx::extensionfor(format)));
        fx::writetone(file, format, fx::Tone{997, 3.0, 44100, 2, 0.1});
        const FileLoudness found = examinefile(file.string(), true, kGoOn);
        ASSERT_TRUE(found.readable) << file;
        EXPECT_TRUE(found.measured) << file;
        ASSERT_TRUE(found.integrated.has_value()) << file;
        EXPECT_NEAR(*found.integrated, -20.0, format == fx::AudioFormat::Flac ? 0.05 : 0.6) << file;
        EXPECT_NEAR(found.peak, 0.1, 0.01) << file;
    }
}

TEST(Measure, ATaggedFileIsNotDecodedAndSilenceHasNoLoudness) {
    fx::TempDir dir;
    fx::Tone tagged{997, 1.0};
    tagged.tags = {{"REPLAYGAIN_TRACK_GAIN", "-4.5 dB"}, {"ALBUM", "Blue"}};
    fx::writetone(dir / "tagged.flac", fx::AudioFormat::Flac, tagged);
    const FileLoudness tags = examinefile((dir / "tagged.flac").string(), true, kGoOn);
    EXPECT_TRUE(tags.readable);
    EXPECT_FALSE(tags.measured);
    EXPECT_EQ(tags.tags.trackgain, -4.5);
    EXPECT_EQ(tags.tags.album, "Blue");

    fx::writetone(dir / "silence.flac", fx::AudioFormat::Flac, fx::Tone{0, 2.0});
    const FileLoudness silence = examinefile((dir / "silence.flac").string(), true, kGoOn);
    EXPECT_TRUE(silence.measured);
    EXPECT_FALSE(silence.integrated.has_value());
    EXPECT_EQ(silence.peak, 0);
}

TEST(Measure, AStopEndsTheDecodingAndAFileThatIsNoAudioIsNotReadable) {
    fx::TempDir dir;
    fx::writetone(dir / "tone.flac", fx::AudioFormat::Flac, fx::Tone{997, 2.0});
    const std::atomic<bool> stop{true};
    const FileLoudness stopped = examinefile((dir / "tone.flac").string(), true, stop);
    EXPECT_TRUE(stopped.readable);
    EXPECT_FALSE(stopped.measured);
    EXPECT_FALSE(stopped.integrated.has_value());
    // Tags only: opened, never decoded.
    EXPECT_FALSE(examinefile((dir / "tone.flac").string(), false, kGoOn).measured);

    std::ofstream(dir / "text.mp3") << "not audio at all";
    EXPECT_FALSE(examinefile((dir / "text.mp3").string(), true, kGoOn).readable);
    EXPECT_FALSE(examinefile((dir / "missing.flac").string(), true, kGoOn).readable);
}

}  // namespace
}  // namespace tunedeck
