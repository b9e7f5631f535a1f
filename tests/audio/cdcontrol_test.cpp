// The CD command wrapper and the direct status queries, on a generated disc image.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <vector>

#include "audio/cdcontrol.h"
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
        std::ofstream(dir / "settings.ini") << "[cd]\ndevice=disc.cue\n";
        mci = std::make_unique<MciSession>(dir / "settings.ini");
        control = std::make_unique<CdControl>(*mci, boxes);
    }
    fx::TempDir dir;
    RecordingBoxes boxes;
    std::unique_ptr<MciSession> mci;
    std::unique_ptr<CdControl> control;
};

TEST_F(CdControlTest, SuccessShowsNothing) {
    bool success = false;
    control->mcicommand("open cdaudio alias cd wait shareable", true, success);
    EXPECT_TRUE(success);
    EXPECT_EQ(control->lastmcierror(), 0u);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(CdControlTest, RefusedCommandShowsTheDeviceTextOnlyWhenAsked) {
    bool success = true;
    control->mcicommand("play cd from 1", true, success);  // not open yet
    EXPECT_FALSE(success);
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
}

TEST_F(CdControlTest, OneDigitReplyIsReadUpToItsNul) {
    ASSERT_TRUE(control->mcicommand("open cdaudio alias cd", true));
    StatusBuffer40 buffer;
    EXPECT_EQ(buffer.query(*mci, "status cd mode"), "stopped");
    EXPECT_EQ(buffer.query(*mci, "status cd number of tracks wait"), "9");
    // What follows the NUL is left over from the longer reply before.
    EXPECT_EQ(buffer.data()[1], '\0');
    EXPECT_EQ(buffer.data()[2], 'o');
}

TEST_F(CdControlTest, FailedQueryKeepsTheEarlierText) {
    ASSERT_TRUE(control->mcicommand("open cdaudio alias cd", true));
    StatusBuffer30 buffer;
    EXPECT_EQ(buffer.query(*mci, "status cd media present"), "true");
    EXPECT_EQ(buffer.query(*mci, "status cd length track 10"), "true");
    EXPECT_TRUE(boxes.shown.empty());  // queries never show errors
    StatusBuffer30 blank;
    EXPECT_EQ(blank.query(*mci, "status nowhere mode"), "");
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
