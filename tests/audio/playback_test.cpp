// The queue's playback, CD replies and error texts, and the CD command wrapper and deck on a
// generated disc image.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <tuple>
#include <vector>

#include "audio/bassutil.h"
#include "audio/cdcontrol.h"
#include "audio/cddeck.h"
#include "audio/mcireply.h"
#include "audio/playback.h"
#include "tests/platform/audio/harness.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using namespace std::chrono_literals;
using namespace tunedeck::testing;

// The application's pieces around the queue: the library, the queue and the UI loop.
class PlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        diskoutput(dir_, false);
        ASSERT_TRUE(startlibrary(bass_));
    }
    std::string tone(const std::string& name, double seconds) {
        const auto file = dir_ / name;
        fx::writetone(file, name.ends_with(".wav") ? fx::AudioFormat::Wav : fx::AudioFormat::Mp3,
                      {440, seconds});
        return file.string();
    }
    bool active() { return BASS_ChannelIsActive(bass_, queue_.stream) != 0; }

    fx::TempDir dir_;
    AudioLibrary bass_;
    PlayQueue queue_;
    Playback playback_{bass_, queue_};
};

// An unplayable file reports true and keeps the old handle. A file played on its own, nothing
// queued, stops at its end: nothing starts after it, neither the empty queue's first row nor the
// file again.
TEST_F(PlaybackTest, UnplayableFilesReportTrueAndALoneFileStopsAtItsEnd) {
    ASSERT_FALSE(playback_.playfile(tone("a.mp3", 0.2)));
    const HSTREAM old = queue_.stream;
    EXPECT_TRUE(playback_.playfile((dir_ / "nothing.mp3").string()));
    EXPECT_EQ(queue_.stream, old);
    EXPECT_EQ(BASS_ChannelIsActive(bass_, queue_.stream), 0u);
    EXPECT_TRUE(playback_.playfile(dir_.path().string()));

    ASSERT_FALSE(playback_.playfile(tone("a.mp3", 0.2)));
    const HSTREAM lone = queue_.stream;
    ASSERT_TRUE(pumpuntil(bass_, [&] { return !active(); }));
    EXPECT_EQ(queue_.stream, lone);
}

// Seeking moves the stream created last and keeps its state; it fails with no stream, or past
// the end. A stream moved near its end still advances the queue when it ends.
TEST_F(PlaybackTest, SeekMovesTheStreamCreatedLastAndItsEndStillAdvancesTheQueue) {
    EXPECT_FALSE(playback_.seek(0.5));
    queue_.append("a", tone("a.mp3", 2.0));
    queue_.append("b", tone("b.wav", 0.3));
    ASSERT_FALSE(playback_.playfrom(0, +1, false));
    playback_.pause();
    EXPECT_FALSE(playback_.seek(2.5));
    ASSERT_TRUE(playback_.seek(1.75));
    EXPECT_DOUBLE_EQ(playback_.elapsed(), 1.75);
    EXPECT_EQ(playback_.state(), PlayState::Paused);
    playback_.resume();
    ASSERT_TRUE(pumpuntil(bass_, [&] { return queue_.playlistpos == 1; }));
    EXPECT_NEAR(playback_.length(), 0.3, 0.001);
}

TEST(PlayQueue, FullQueueTakesNothingMore) {
    auto queue = std::make_unique<PlayQueue>();
    for (int i = 0; i < kQueueRows; ++i) ASSERT_TRUE(queue->append("n", std::to_string(i)));
    EXPECT_FALSE(queue->append("late", "late"));
    EXPECT_EQ(queue->playlistcount, 2001);
    EXPECT_EQ(queue->playlist[2000].path, "2000");
}

// Many short files back to back through the end notifications: everything is played, in
// order, and nothing races (run under ThreadSanitizer).
TEST_F(PlaybackTest, FiveHundredShortFilesBackToBack) {
    const std::string file = tone("s.wav", 0.05);
    for (int i = 0; i < 500; ++i) queue_.append("s", file);
    ASSERT_FALSE(playback_.playfile(file));
    HSTREAM last = queue_.stream;
    int started = 1;
    pumpuntil(
        bass_,
        [&] {
            if (queue_.stream != last) ++started, last = queue_.stream;
            return started >= 500 && queue_.playlistpos == 0;
        },
        120s);
    EXPECT_EQ(started, 500);
    EXPECT_EQ(queue_.playlistpos, 0);
    EXPECT_FALSE(active());
}

TEST(BassUtil, LShiftOverflowNamesItsSource) {
    EXPECT_EQ(LShift(1, 30), 1 << 30);
    EXPECT_EQ(LShift(-1, 31), INT32_MIN);
    try {
        LShift(1, 31);
        FAIL() << "no overflow";
    } catch (const OverflowError& e) {
        EXPECT_EQ(e.source(), "LShift");
    }
    EXPECT_THROW(makelong(0, 32768), OverflowError);
}

TEST(BassUtil, ErrorTexts) {
    EXPECT_EQ(basserrortext(0), "All is OK");
    EXPECT_EQ(basserrortext(8), "BASS_Init Has Not Been Successfully Called");
    EXPECT_EQ(basserrortext(38), "The channel is a 'decoding channel'");
    EXPECT_EQ(basserrortext(-1), "Some Other Mystery Error");
    for (int code : {28, 30, 36, 39, 100, -2}) EXPECT_EQ(basserrortext(code), "") << code;
}

TEST(CdReply, NumbersAndPositionsFromTheFirstCharactersAndUnreadableReplies) {
    EXPECT_EQ(replynumber("12", 2), 12);
    EXPECT_EQ(replynumber(std::string_view("9\0007", 3), 2), 9);
    EXPECT_EQ(replynumber("", 2), std::nullopt);
    EXPECT_EQ(replynumber("tr", 2), std::nullopt);
    EXPECT_EQ(replyint32("-4000"), -4000);
    EXPECT_EQ(replyint32("99999999999"), std::nullopt);
    EXPECT_EQ(replyprefix(std::string_view("paused\0g", 8), 7), "paused");
    const auto position = parsecdposition("03:01:15:40");
    ASSERT_TRUE(position.has_value());
    EXPECT_EQ(std::tuple(position->track, position->minutes, position->seconds),
              std::tuple(3, 1, 15));
    EXPECT_FALSE(parsecdposition("").has_value());
    EXPECT_FALSE(parsecdposition("xx:01:15:40").has_value());
    EXPECT_EQ(parsecdlength("02:05"), 125);
    EXPECT_EQ(parsecdlength("02"), std::nullopt);
}

namespace fx = tunedeck::fixtures;

using ShownBox = std::tuple<std::string, std::string, MessageIcon>;  // title, text, icon

struct RecordingBoxes : MessageBoxes {
    void show(const std::string& title, const std::string& text, MessageIcon icon) override {
        shown.emplace_back(title, text, icon);
    }
    std::vector<ShownBox> shown;
};

class CdControlTest : public ::testing::Test {
  protected:
    CdControlTest() {
        fx::writecdimage(dir / "disc.cue", std::vector<fx::CdTrack>(9, {2.0, 440}));
        setenv("SDL_DISKAUDIOFILE", (dir / "out.raw").c_str(), 1);
        mci = std::make_unique<MciSession>(cd::DriveTarget{"disc.cue", dir.path()});
        control = std::make_unique<CdControl>(*mci, boxes);
    }
    fx::TempDir dir;
    RecordingBoxes boxes;
    std::unique_ptr<MciSession> mci;
    std::unique_ptr<CdControl> control;
};

TEST_F(CdControlTest, RefusedCommandShowsTheDeviceTextOnlyWhenAskedAndSuccessNothing) {
    bool ok = true;
    control->mcicommand("play cd from 1", true, ok);  // not open yet
    EXPECT_FALSE(ok);
    EXPECT_NE(control->lastmcierror(), 0u);
    char expected[512] = {};
    ASSERT_TRUE(mciGetErrorStringA(control->lastmcierror(), expected, sizeof expected));
    EXPECT_EQ(boxes.shown, (std::vector<ShownBox>{{"CD", expected, MessageIcon::None}}));

    EXPECT_FALSE(control->mcicommand("close cd", false));
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(control->mcicommand("close all", false));
    EXPECT_EQ(control->lastmcierror(), 0u);
    control->mcicommand("open cdaudio alias cd wait shareable", true, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(control->lastmcierror(), 0u);
    EXPECT_EQ(boxes.shown.size(), 1u);  // success shows nothing
}

TEST_F(CdControlTest,
       RepliesAreReadUpToTheirNulNeverPastTheBufferAndAFailedQueryKeepsTheEarlierText) {
    ASSERT_TRUE(control->mcicommand("open cdaudio alias cd", true));
    std::array<char, 40> reply{};
    CdDeck cd(*mci, {}, reply);
    EXPECT_TRUE(cd.mode().stopped());
    EXPECT_EQ(cd.tracks(), 9);
    // What follows the NUL is left over from the longer reply before.
    EXPECT_EQ(reply[1], '\0');
    EXPECT_EQ(reply[2], 'o');
    EXPECT_TRUE(cd.media_present());
    EXPECT_EQ(cd.track_length(10), "true");
    EXPECT_TRUE(boxes.shown.empty());  // queries never show errors
    std::array<char, 30> fresh{};
    EXPECT_EQ(cd.with_reply(fresh).track_length(10), "");

    // A query into an array never reads past it.
    ASSERT_TRUE(control->mcicommand("set cd time format tmsf", true));
    char small[4];
    EXPECT_EQ(querystatus(*mci, "status cd position", small, sizeof small), "01:");
    const char full[3] = {'a', 'b', 'c'};  // no NUL at all
    EXPECT_EQ(replytext(full, sizeof full), "abc");
}

TEST_F(CdControlTest, DeckPlaysTracksAndSeeksInMilliseconds) {
    std::vector<std::string> sent;
    std::array<char, 40> reply{};
    CdDeck cd(
        *mci,
        [&](const std::string& command, bool show_errors) {
            sent.push_back(command);
            return control->mcicommand(command, show_errors);
        },
        reply);
    ASSERT_TRUE(cd.open());
    cd.use_track_times();
    cd.play(3);
    EXPECT_TRUE(cd.mode().playing());
    EXPECT_EQ(cd.track(), 3);
    cd.seek(-3000);  // from the start of track 3 (at 4 s) back into track 1
    const auto position = cd.position();
    ASSERT_TRUE(position);
    EXPECT_EQ(position->track, 1);
    cd.stop();
    EXPECT_TRUE(cd.mode().stopped());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(sent, (std::vector<std::string>{"open cdaudio alias cd wait shareable",
                                              "set cd time format tmsf wait", "play cd from 3",
                                              "set cd time format milliseconds",
                                              "set cd time format tmsf", "stop cd wait"}));
}

}  // namespace
}  // namespace tunedeck
