// The screen saver on the real screen elements.
#include <gtest/gtest.h>

#include "harness.h"

namespace tunedeck::testing {
namespace {

TEST(SaverScreen, BlanksShowsMovingTextAndComesBackAfterAKey) {
    Harness h;
    h.tone("a.mp3", 20.0);
    h.writesettings("none", "showletters=0", "savertime=3");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded);
    MainScreen& form = app.form();
    app.Timer1_Timer();
    app.Timer1_Timer();
    EXPECT_FALSE(form.shpBlack.visible);
    app.Timer1_Timer();  // third tick: black
    EXPECT_TRUE(form.shpBlack.visible);
    EXPECT_FALSE(form.lblTrack.visible);
    EXPECT_EQ(form.shpBlack.width, app.screen().width());
    EXPECT_FALSE(form.lblSaverTrack.visible);
    app.Timer1_Timer();
    app.Timer1_Timer();  // two ticks later: the text
    EXPECT_TRUE(form.lblSaverTrack.visible);
    EXPECT_EQ(form.lblSaverTrack.caption, form.lblTrack.caption + "\r\n" + form.lblState.caption +
                                              "\r\n" + form.lblPlaylist.caption);
    EXPECT_GE(form.lblSaverTrack.left, 1);
    EXPECT_LE(form.lblSaverTrack.left, app.screen().width() / 2 + 1);
    h.press(SDLK_DOWN);  // a key does not restore the screen by itself
    EXPECT_TRUE(form.shpBlack.visible);
    app.Timer1_Timer();
    EXPECT_FALSE(form.shpBlack.visible);
    EXPECT_FALSE(form.lblSaverTrack.visible);
    EXPECT_TRUE(form.lblTrack.visible);
}

}  // namespace
}  // namespace tunedeck::testing
