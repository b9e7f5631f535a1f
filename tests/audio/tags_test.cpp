// Tags read from the header of each tagged format the jukebox plays, as its own encoder
// writes them: ID3v2 in MP3, Vorbis comments in FLAC, Ogg Vorbis and Opus, MP4 atoms, ASF.
#include "audio/tags.h"

#include <gtest/gtest.h>

#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

namespace fx = fixtures;

class TaggedFile : public ::testing::TestWithParam<fx::AudioFormat> {};

TEST_P(TaggedFile, SaysItsTitleArtistAlbumAndTrack) {
    fx::TempDir dir;
    const auto file = dir / (std::string("tagged.") + fx::extensionfor(GetParam()));
    fx::Tone tone{.frequency = 440.0, .seconds = 0.3};
    tone.tags = {
        {"title", "Blåbær Song"}, {"artist", "The Testers"}, {"album", "Tones"}, {"track", "7/12"}};
    fx::writetone(file, GetParam(), tone);
    const FileTags tags = readtags(file);
    EXPECT_EQ(tags.title, "Blåbær Song");
    EXPECT_EQ(tags.artist, "The Testers");
    EXPECT_EQ(tags.album, "Tones");
    EXPECT_EQ(tags.track, 7);
}

INSTANTIATE_TEST_SUITE_P(Tags, TaggedFile,
                         ::testing::Values(fx::AudioFormat::Mp3, fx::AudioFormat::Flac,
                                           fx::AudioFormat::Ogg, fx::AudioFormat::Opus,
                                           fx::AudioFormat::M4a, fx::AudioFormat::Wma),
                         [](const auto& info) {
                             return std::string(fx::extensionfor(info.param));
                         });

// Untagged, missing and unreadable files say nothing, and a track tag is read only where it
// starts with a number.
TEST(Tags, NothingIsSaidForUntaggedOrUnreadableFiles) {
    fx::TempDir dir;
    fx::writetone(dir / "plain.mp3", fx::AudioFormat::Mp3, {.seconds = 0.2});
    EXPECT_EQ(readtags(dir / "plain.mp3"), FileTags{});
    EXPECT_EQ(readtags(dir / "missing.mp3"), FileTags{});
    fx::writerandombytes(dir / "noise.mp3", 4096, 7);
    EXPECT_EQ(readtags(dir / "noise.mp3"), FileTags{});
    EXPECT_EQ(tracknumber("03/10"), 3);
    EXPECT_EQ(tracknumber("12"), 12);
    EXPECT_EQ(tracknumber("A1"), 0);
    EXPECT_EQ(tracknumber("0"), 0);
    EXPECT_EQ(tracknumber(""), 0);
}

}  // namespace
}  // namespace tunedeck
