// Moving through pages, folders and the letter grid with the real lists on a temporary tree.
#include <gtest/gtest.h>

#include "harness.h"

namespace tunedeck::testing {
namespace {

std::string cue(Harness& h) {
    return h.app->cues().lastliteral();
}

// Seven files, three to a page: pages of 3, 3 and 1 rows.
class Paging : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 1; i <= 7; ++i) h.tone("0" + std::to_string(i) + ".mp3", 440, 0.05);
        h.writesettings("none", "showletters=0\nperpage=3");
        h.start();
        ASSERT_TRUE(h.loaded) << h.app->endreason();
        ASSERT_EQ(h.app->browse().pages, 3);
    }
    BrowseState& browse() { return h.app->browse(); }
    Harness h;
};

TEST_F(Paging, DownTurnsPagesAndIsRefusedOnTheLastFilledRow) {
    h.press(SDLK_DOWN);
    EXPECT_EQ(browse().row, 2);
    EXPECT_EQ(cue(h), "/click.wav");
    h.press(SDLK_DOWN);
    h.press(SDLK_DOWN);  // last row of a full page: next page, row 1
    EXPECT_EQ(browse().page, 2);
    EXPECT_EQ(browse().row, 1);
    EXPECT_EQ(h.app->form().lblItem.get(1)->tag, "4");
    h.press(SDLK_d);
    EXPECT_EQ(browse().page, 3);
    h.press(SDLK_DOWN);  // the last page holds one entry
    EXPECT_EQ(browse().row, 1);
    EXPECT_EQ(cue(h), "/bang.wav");
    h.press(SDLK_d);
    EXPECT_EQ(browse().page, 3);
    EXPECT_EQ(cue(h), "/bang.wav");
}

TEST_F(Paging, UpFromTheFirstRowShowsTheLastRowOfThePreviousPage) {
    h.press(SDLK_UP);
    EXPECT_EQ(cue(h), "/bang.wav");
    EXPECT_EQ(browse().row, 1);
    h.press(SDLK_d);
    h.press(SDLK_d);
    h.press(SDLK_UP);
    EXPECT_EQ(browse().page, 2);
    EXPECT_EQ(browse().row, 3);
    EXPECT_EQ(cue(h), "/click.wav");
    h.press(SDLK_u);
    EXPECT_EQ(browse().page, 1);
    EXPECT_EQ(browse().row, 1);
    h.press(SDLK_u);
    EXPECT_EQ(cue(h), "/bang.wav");
}

TEST_F(Paging, ShiftAndUnknownKeysOnlyResetTheIdleCounter) {
    h.app->saver().idlecount = 40;
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = SDLK_DOWN;
    event.key.keysym.mod = KMOD_LSHIFT;
    SDL_PushEvent(&event);
    h.app->pump();
    EXPECT_EQ(browse().row, 2);
    h.app->saver().idlecount = 40;
    h.app->cues().forget();
    h.press(SDLK_F7);
    EXPECT_EQ(h.app->saver().idlecount, 0);
    EXPECT_EQ(browse().row, 2);
    EXPECT_EQ(cue(h), "");
}

TEST(Folders, EnterAndLeaveRestoreThePositionAndTheTitle) {
    Harness h;
    for (const char* name : {"a", "b", "c", "d"}) h.tone(fs::path(name) / "x.mp3", 440, 0.05);
    h.tone("c/live/y.mp3", 440, 0.05);
    h.writesettings("none", "showletters=0\nperpage=3");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded);
    h.press(SDLK_DOWN);
    h.press(SDLK_DOWN);   // row 3: folder c
    h.press(SDLK_RIGHT);  // Right on a folder opens it as Enter does
    EXPECT_EQ(cue(h), "/select.wav");
    EXPECT_EQ(app.folders().Dirs().path(), (h.root() / "c").string());
    EXPECT_EQ(app.browse().depth, 1);
    EXPECT_EQ(app.browse().row, 1);
    EXPECT_EQ(app.form().lblTitle.caption, "c");
    h.press(SDLK_RETURN);  // folder live
    EXPECT_EQ(app.browse().depth, 2);
    h.press(SDLK_LEFT);
    EXPECT_EQ(cue(h), "/back.wav");
    EXPECT_EQ(app.browse().depth, 1);
    EXPECT_EQ(app.browse().row, 1);
    h.press(SDLK_LEFT);
    EXPECT_EQ(app.folders().Dirs().path(), h.root().string());
    EXPECT_EQ(app.browse().depth, 0);
    EXPECT_EQ(app.browse().row, 3);
    EXPECT_EQ(app.browse().page, 1);
    EXPECT_EQ(app.form().lblTitle.caption, "Tunedeck Home");
    h.press(SDLK_LEFT);  // at the root without a letter
    EXPECT_EQ(cue(h), "/bang.wav");
}

TEST(Folders, EnterOnAnEmptyRowOnlyGivesTheSelectCue) {
    Harness h;
    h.tone("a.mp3", 440, 0.05);
    h.writesettings("none", "showletters=0\nperpage=3");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded);
    app.browse().row = 2;  // the page's second row is empty
    const uint32_t stream = app.queue().stream;
    h.press(SDLK_RETURN);
    EXPECT_EQ(cue(h), "/select.wav");
    EXPECT_EQ(app.queue().stream, stream);
    EXPECT_EQ(app.queue().playlistcount, 1);
}

TEST(Letters, GridMovesByLinesAndLeavingALetterHighlightsIt) {
    Harness h;
    for (char c = 'A'; c <= 'Z'; ++c)
        h.tone(fs::path(std::string(1, c) + "band") / "x.mp3", 440, 0.05);
    h.writesettings("none", "showletters=1\nperpage=11");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded);
    ASSERT_EQ(app.browse().itemcount, 26);
    h.press(SDLK_DOWN);
    h.press(SDLK_DOWN);  // letter C in the list of letters
    ASSERT_EQ(app.browse().items[3][0], "C");
    h.press(SDLK_RETURN);
    EXPECT_EQ(app.browse().letter, "C");
    EXPECT_EQ(app.browse().itemcount, 1);
    EXPECT_EQ(app.form().lblTitle.caption, "C");
    h.press(SDLK_LEFT);  // back to the grid, on the letter that was opened
    EXPECT_EQ(cue(h), "/back.wav");
    EXPECT_EQ(app.browse().letterfocus, 1);
    EXPECT_EQ(app.browse().row, 3);
    EXPECT_EQ(app.browse().letter, "");
    EXPECT_EQ(app.form().lblTitle.caption, "Tunedeck Home");

    app.browse().row = 21;
    h.press(SDLK_DOWN);
    EXPECT_EQ(app.browse().row, 26);
    h.press(SDLK_RIGHT);
    EXPECT_EQ(cue(h), "/bang.wav");
    app.browse().row = 22;
    h.press(SDLK_DOWN);
    EXPECT_EQ(app.browse().row, 22);
    EXPECT_EQ(cue(h), "/bang.wav");
    app.browse().row = 6;
    h.press(SDLK_UP);
    EXPECT_EQ(app.browse().row, 1);
    h.press(SDLK_LEFT);
    EXPECT_EQ(cue(h), "/bang.wav");
    app.browse().row = 5;
    h.press(SDLK_UP);
    EXPECT_EQ(app.browse().row, 5);
    EXPECT_EQ(cue(h), "/bang.wav");
}

}  // namespace
}  // namespace tunedeck::testing
