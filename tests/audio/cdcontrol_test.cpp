// The CD command wrapper, the direct status queries and the deck over them, on a generated
// disc image.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "audio/cdcontrol.h"
#include "audio/cddeck.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

namespace fx = tunedeck::fixtures;

struct ShownBox {
    std::string title, text;
    MessageIcon icon;
};

class RecordingBoxes : public MessageBoxes {
  public:
    void show(const std::string& title, const std::string& text, MessageIcon icon) override {
        shown.push_back({title, text, icon});
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
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "CD");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::None);
    char expected[512] = {};
    ASSERT_TRUE(mciGetErrorStringA(control->lastmcierror(), expected, sizeof expected));
    EXPECT_EQ(boxes.shown[0].text, expected);

    EXPECT_FALSE(control->mcicommand("close cd", false));
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(control->mcicommand("close all", false));
    EXPECT_EQ(control->lastmcierror(), 0u);
    control->mcicommand("open cdaudio alias cd wait shareable", true, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(control->lastmcierror(), 0u);
    EXPECT_EQ(boxes.shown.size(), 1u);  // success shows nothing
}

TEST_F(CdControlTest, DeckRepliesAreReadUpToTheirNulAndAFailedQueryKeepsTheEarlierText) {
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

TEST_F(CdControlTest, ArrayQueryNeverReadsPastTheBuffer) {
    ASSERT_TRUE(control->mcicommand("open cdaudio alias cd", true));
    ASSERT_TRUE(control->mcicommand("set cd time format tmsf", true));
    char small[4];
    EXPECT_EQ(querystatus(*mci, "status cd position", small, sizeof small), "01:");
    const char full[3] = {'a', 'b', 'c'};  // no NUL at all
    EXPECT_EQ(replytext(full, sizeof full), "abc");
}

}  // namespace
}  // namespace tunedeck
