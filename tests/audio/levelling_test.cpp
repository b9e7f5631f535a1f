// Even loudness: the gain chosen from a file's tags for each levelling mode, the album runs of
// `auto` in the queue, and the gain a queued file really plays at.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/levelling.h"
#include "audio/playback.h"
#include "tests/audio/playbackrig.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using namespace tunedeck::testing;

double db(float linear) {
    return 20 * std::log10(linear);
}

const LoudnessTags kTagged{-6.0, 0.5, -3.0, 0.9, "Kind of Blue"};

TEST(Levelling, ModesChooseTrackOrAlbumGainAndFallBackToTheOther) {
    EXPECT_NEAR(db(levelgain(kTagged, false, {GainMode::Auto, 0})), -6.0, 1e-4);
    EXPECT_NEAR(db(levelgain(kTagged, true, {GainMode::Auto, 0})), -3.0, 1e-4);
    EXPECT_NEAR(db(levelgain(kTagged, true, {GainMode::Track, 0})), -6.0, 1e-4);
    EXPECT_NEAR(db(levelgain(kTagged, false, {GainMode::Album, 0})), -3.0, 1e-4);
    EXPECT_EQ(levelgain(kTagged, false, {GainMode::Off, 6}), 1.0f);
    EXPECT_NEAR(db(levelgain(kTagged, false, {GainMode::Auto, 2.5})), -3.5, 1e-4);

    const LoudnessTags trackonly{-4.0, std::nullopt, std::nullopt, std::nullopt, ""};
    EXPECT_NEAR(db(levelgain(trackonly, true, {GainMode::Album, 0})), -4.0, 1e-4);
    const LoudnessTags albumonly{std::nullopt, std::nullopt, -2.0, std::nullopt, ""};
    EXPECT_NEAR(db(levelgain(albumonly, false, {GainMode::Track, 0})), -2.0, 1e-4);
}

TEST(Levelling, PeaksKeepAGainFromClippingAndUntaggedFilesPlayUnchanged) {
    // +10 dB would take a peak of 0.5 to 1.58: held at 2x, where the peak reaches full scale.
    const LoudnessTags quiet{10.0, 0.5, std::nullopt, std::nullopt, ""};
    EXPECT_FLOAT_EQ(levelgain(quiet, false, {GainMode::Track, 0}), 2.0f);
    const LoudnessTags nopeak{10.0, std::nullopt, std::nullopt, std::nullopt, ""};
    EXPECT_NEAR(db(levelgain(nopeak, false, {GainMode::Track, 0})), 10.0, 1e-4);
    // The pre-amplification does not apply where there is nothing to level by.
    EXPECT_EQ(levelgain(LoudnessTags{}, false, {GainMode::Auto, 6}), 1.0f);
    EXPECT_NEAR(db(levelgain(LoudnessTags{}, false, {GainMode::Auto, 0}, -4.5)), -4.5, 1e-4);
}

std::string noalbum(const std::string&) {
    return {};
}
std::string bluetrain(const std::string& path) {
    return path.find("other") != std::string::npos ? "Blue Train" : "";
}

TEST(Levelling, AnAlbumRunIsANeighbourFromTheSameFolderOrWithTheSameAlbumTag) {
    PlayQueue queue;
    queue.append("1", "/m/a/1.flac");
    queue.append("2", "/m/a/2.flac");
    queue.append("x", "/m/b/x.flac");
    queue.append("y", "/m/other/y.flac");
    queue.append("z", "/m/c/z.flac");
    const LoudnessTags untitled;
    EXPECT_TRUE(albumrun(queue, 0, untitled, noalbum));
    EXPECT_TRUE(albumrun(queue, 1, untitled, noalbum));
    EXPECT_FALSE(albumrun(queue, 2, untitled, noalbum));
    LoudnessTags blue;
    blue.album = "Blue Train";
    EXPECT_TRUE(albumrun(queue, 2, blue, bluetrain));  // y, in another folder, is its album
    EXPECT_FALSE(albumrun(queue, 4, untitled, bluetrain));
    EXPECT_FALSE(albumrun(queue, 5, untitled, noalbum));
    EXPECT_FALSE(albumrun(queue, -1, untitled, noalbum));
}

// Queued files of one folder play at the album's gain in `auto`, a file alone at its track's.
TEST(Levelling, QueuedAlbumFilesPlayAtTheAlbumGainAndALoneFileAtItsTrackGain) {
    PlaybackRig rig;
    ASSERT_TRUE(startlibrary(rig.bass));
    const fx::TempDir& dir = rig.dir;
    PlayQueue& queue = rig.queue;
    Playback& playback = rig.playback;
    fx::Tone tone{440, 0.2};
    tone.tags = {{"REPLAYGAIN_TRACK_GAIN", "-6 dB"}, {"REPLAYGAIN_ALBUM_GAIN", "-12 dB"}};
    std::filesystem::create_directories(dir / "album");
    for (const char* name : {"1.flac", "2.flac"}) {
        fx::writetone(dir / "album" / name, fx::AudioFormat::Flac, tone);
        queue.append(name, (dir / "album" / name).string());
    }
    fx::writetone(dir / "single.flac", fx::AudioFormat::Flac, tone);
    queue.playlistpos = 1;
    EXPECT_NEAR(rig.startedgain(queue.playlist[1].path), -12, 0.01);
    playback.setlevelling({GainMode::Track, 0});
    EXPECT_NEAR(rig.startedgain(queue.playlist[1].path), -6, 0.01);
    playback.setlevelling({GainMode::Auto, 0});
    EXPECT_NEAR(rig.startedgain((dir / "single.flac").string()), -6, 0.01);
    playback.setlevelling({GainMode::Off, 0});
    EXPECT_NEAR(rig.startedgain(queue.playlist[0].path), 0, 0.01);
}

}  // namespace
}  // namespace tunedeck
