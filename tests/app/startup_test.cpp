// Start-up in both modes and every way the program ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "audio/bassutil.h"
#include "harness.h"
#include "platform/lib/cdio/cdio.h"

namespace tunedeck::testing {
namespace {

TEST(Startup, LetterIndexEndsAsAListWithTheHighlightOnIt) {
    Harness h;
    h.tone("Rock/x.mp3");
    h.writesettings("none", "showletters=1");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded) << app.endreason();
    EXPECT_EQ(app.browse().items.at(1).kind, ItemKind::Letter);
    EXPECT_FALSE(app.browse().letterfocus);
    EXPECT_EQ(app.form().shpHighlight.left, 200);  // list row 1, not a grid cell
    EXPECT_EQ(app.form().shpHighlight.top, 1300 + 495);
}

// Each newer format is listed and named like MP3, queued by the start-up scan and heard in turn.
TEST(Startup, NewerFormatsAreListedQueuedAndPlayed) {
    const std::vector<std::pair<std::string, double>> files = {{"a.flac", 330}, {"b.ogg", 440},
                                                               {"c.OGA", 550},  {"d.opus", 660},
                                                               {"e.m4a", 770},  {"f.aac", 880}};
    Harness h;
    for (const auto& [name, frequency] : files) h.tone(name, 0.3, frequency);
    h.writesettings("none");
    unsetenv("SDL_DISKAUDIODELAY");  // real time, so that no tone is split by an underrun
    Application& app = h.start();
    ASSERT_TRUE(h.loaded) << app.endreason();
    ASSERT_EQ(app.browse().itemcount(), 6);
    ASSERT_EQ(app.queue().playlistcount, 6);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& name = files[i].first;
        EXPECT_EQ(app.browse().items.at(i + 1).label, name.substr(0, 1));
        EXPECT_EQ(app.browse().items.at(i + 1).kind, ItemKind::Playable);
        EXPECT_EQ(app.queue().playlist[i].path, (h.root() / name).string());
    }
    // The device writes on (silence after the queue) until two seconds are out, room for all six.
    const fs::path out = h.dir / "audio.raw";
    ASSERT_TRUE(h.waituntil([&] { return fs::file_size(out) >= 2 * 44100 * 4; }));
    const auto tones = fixtures::findtones(out);
    ASSERT_EQ(tones.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_NEAR(tones[i].frequency, files[i].second, files[i].second * 0.02) << files[i].first;
        EXPECT_NEAR(tones[i].seconds, 0.3, 0.03) << files[i].first;
    }
}

// The scan queues the formats of scanformats (MP3 by default), depth first; a library whose
// music it leaves out starts in the list with nothing playing, so that the music can still be
// chosen.
TEST(Startup, ScanformatsChoosesWhatIsQueuedAndMusicLeftOutStillStarts) {
    struct Case {
        std::vector<std::string> files;
        std::string system;
        std::vector<std::string> queued;
    };
    const Case cases[] = {{{"b.mp3", "a/inner.mp3", "c.wav"}, "", {"a/inner.mp3", "b.mp3"}},
                          {{"x.wav", "y.wma"}, "", {}},
                          {{"x.flac"}, "scanformats=mp3", {}},
                          {{"x.wav", "y.mp3"}, "scanformats=WAV", {"x.wav"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.files[0] + " " + c.system);
        Harness h;
        for (const std::string& file : c.files) h.tone(file);
        h.writesettings("none", "showletters=0", c.system);
        Application& app = h.start();
        ASSERT_TRUE(h.loaded) << app.endreason();
        EXPECT_EQ(app.mode().mediamode, Mode::File);
        EXPECT_EQ(app.browse().itemcount(), static_cast<int>(c.files.size()));
        EXPECT_EQ(app.form().lblTitle.caption, "Tunedeck Home");
        EXPECT_TRUE(h.boxes.shown.empty());
        ASSERT_EQ(app.queue().playlistcount, static_cast<int>(c.queued.size()));
        for (std::size_t i = 0; i < c.queued.size(); ++i)
            EXPECT_EQ(app.queue().playlist[i].path, (h.root() / c.queued[i]).string());
        if (c.queued.empty()) {
            EXPECT_EQ(h.active(), 0u);
        }
    }
}

TEST(Startup, NoMusicNoRootOrAnEmptyRootSettingEndsWithoutABoxAndWithAReason) {
    enum class Root { NoMusic, Missing, EmptySetting };
    for (const Root root : {Root::NoMusic, Root::Missing, Root::EmptySetting}) {
        Harness h;
        std::ofstream(h.root() / "list.m3u") << "gone.mp3\n";  // a playlist is no music
        if (root == Root::Missing) fs::remove_all(h.root());
        h.writesettings("none");
        // Present but empty: no music folder, never the working folder.
        if (root == Root::EmptySetting)
            std::ofstream(h.dir / "settings.ini") << "[system]\npath=\n[cd]\ndevice=none\n";
        Application& app = h.start();
        EXPECT_FALSE(h.loaded);
        EXPECT_EQ(app.exitstatus(), 1);
        const std::string expected = root == Root::EmptySetting ? "path" : "no music under";
        EXPECT_NE(app.endreason().find(expected), std::string::npos) << app.endreason();
        EXPECT_TRUE(h.boxes.shown.empty());
        EXPECT_EQ(app.queue().playlistcount, 0);
    }
}

// An output pipe that cannot be used: file mode ends at the audio start, an audio CD says so
// when it starts to play; each message names the setting.
TEST(Startup, UnusableOutputPipeIsSaidNamingTheSetting) {
    for (const bool cd : {false, true}) {
        SCOPED_TRACE(cd ? "audio CD" : "files");
        Harness h;
        h.tone("a.mp3");
        std::ofstream(h.dir / "plain") << "not a pipe";
        if (cd) fixtures::writecdimage(h.dir / "disc.cue", {{1.0, 440}});
        h.writesettings(cd ? (h.dir / "disc.cue").string() : "none", "showletters=0",
                        "\n[audio]\noutput=pipe:plain");
        Application& app = h.start();
        EXPECT_EQ(h.loaded, cd);
        EXPECT_EQ(app.endreason().find("[audio] output") != std::string::npos, !cd);
        ASSERT_EQ(h.boxes.shown.size(), 1U);
        EXPECT_NE(h.boxes.shown[0][1].find("[audio]"), std::string::npos) << h.boxes.shown[0][1];
    }
}

// A fresh install names no drive: on a box without one the music files play, without a word.
TEST(Startup, NoDriveSettingOnABoxWithoutADriveIsFileMode) {
    if (!cd::defaultdevice().empty()) GTEST_SKIP() << "this machine has a CD drive";
    Harness h;
    h.tone("a.mp3");
    h.writesettings("");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded) << app.endreason();
    EXPECT_EQ(app.mode().mediamode, Mode::File);
    EXPECT_EQ(app.queue().playlistcount, 1);
    EXPECT_TRUE(h.boxes.shown.empty());
}

// The kinds of the tracks decide: one audio track is an audio CD; data tracks alone, as on a
// Video CD, are a data disc.
TEST(Startup, ADiscWithAnAudioTrackIsAnAudioCdAndOneWithoutIsADataDisc) {
    using fixtures::CdTrack;
    const CdTrack audio{2.0, 440.0}, mode1{2.0, 0, true}, mode2{2.0, 0, true, 2};
    struct Case {
        std::vector<CdTrack> tracks;
        Mode mediamode;
    };
    for (const Case& c : {Case{{audio}, Mode::Cd}, Case{{mode1, audio}, Mode::Cd},
                          Case{{mode2, mode2, mode2, mode2, mode2}, Mode::File}}) {
        Harness h;
        h.tone("a.mp3");
        h.disc(c.tracks);
        Application& app = h.start();
        ASSERT_TRUE(h.loaded) << app.endreason();
        EXPECT_EQ(app.mode().mediamode, c.mediamode) << c.tracks.size() << " tracks";
        EXPECT_TRUE(h.boxes.shown.empty());
    }
}

TEST(Startup, AudioCdListsTracksTitlesTheDiscAndPlaysTrackOne) {
    Harness h;
    unsetenv("SDL_DISKAUDIODELAY");    // real time: track 1 still plays at the first tick
    h.disc(12, 4.0, "showletters=1");  // the disc is listed by tracks all the same
    Application& app = h.start();
    ASSERT_TRUE(h.loaded) << app.endreason();
    EXPECT_EQ(app.mode().mediamode, Mode::Cd);
    EXPECT_EQ(app.mode().cdtracks, 12);
    const std::string title = app.form().lblTitle.caption;
    EXPECT_EQ(title, "CD audio  12 pistes durée total: 00:48");
    EXPECT_EQ(app.browse().items.at(1).label, "Piste n\u00B01   00:04");
    EXPECT_EQ(app.browse().items.at(10).target, "10");
    app.Timer1_Timer();
    EXPECT_EQ(app.form().lblState.caption.substr(5), " / 00:04") << app.form().lblState.caption;
    EXPECT_EQ(app.form().lblTrack.caption, app.browse().items.at(1).label);
}

TEST(Startup, ErrorBoxShowsTheMessageTheCodeAndItsText) {
    Harness h;
    h.tone("a.mp3");
    h.writesettings("none");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded);
    BASS_ChannelPause(app.bass(), 987654);  // an unknown handle sets the error code
    const int code = BASS_ErrorGetCode(app.bass());
    app.errorbox("Can't start digital output");
    ASSERT_EQ(h.boxes.shown.size(), 1U);
    EXPECT_EQ(h.boxes.shown[0][0], "Error");
    EXPECT_EQ(h.boxes.shown[0][1], "Can't start digital output\r\n\r\nError Code : " +
                                       std::to_string(code) + "\r\n" + basserrortext(code));
}

TEST(Shutdown, OpeningTheTrayInCdModeEndsAtTheNextTick) {
    Harness h;
    h.disc(2, 3.0);
    Application& app = h.start();
    ASSERT_TRUE(h.loaded);
    mciSendStringA(app.mci(), "set cd door open", nullptr, 0, nullptr);
    app.Timer1_Timer();
    EXPECT_TRUE(app.ended());
    EXPECT_EQ(app.exitstatus(), 0);
}

}  // namespace
}  // namespace tunedeck::testing
