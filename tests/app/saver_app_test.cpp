// The screen saver on the real screen elements.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "harness.h"

namespace tunedeck::testing {
namespace {

// Runs of pixel rows inside `box` that hold near-white pixels: the text lines drawn there.
std::vector<std::pair<int, int>> textrows(SDL_Surface* frame, const SDL_Rect& box) {
    std::vector<std::pair<int, int>> rows;
    const int right = std::min(box.x + box.w, frame->w);
    for (int y = box.y; y < std::min(box.y + box.h, frame->h); ++y) {
        const auto* line = reinterpret_cast<const Uint32*>(
            static_cast<const Uint8*>(frame->pixels) + y * frame->pitch);
        bool lit = false;
        for (int x = box.x; x < right && !lit; ++x) {
            Uint8 r, g, b;
            SDL_GetRGB(line[x], frame->format, &r, &g, &b);
            lit = r > 200 && g > 200 && b > 200;
        }
        if (!lit) continue;
        if (!rows.empty() && rows.back().second == y)
            rows.back().second = y + 1;
        else
            rows.emplace_back(y, y + 1);
    }
    return rows;
}

TEST(SaverScreen, BlanksShowsMovingTextAndComesBackAfterAKey) {
    Harness h;
    h.tone("Song.mp3", 20.0);
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

    // The three lines read one under the other, the last one whole inside the label.
    const Scale& scale = app.screen().scale();
    const SDL_Rect box{scale.px(form.lblSaverTrack.left), scale.px(form.lblSaverTrack.top),
                       scale.px(form.lblSaverTrack.width), scale.px(form.lblSaverTrack.height)};
    SdlSurface frame = app.screen().capture();
    const auto rows = textrows(frame.get(), box);
    ASSERT_EQ(rows.size(), 3U);
    int lineheight = 0;
    for (const auto& [top, bottom] : rows) lineheight = std::max(lineheight, bottom - top);
    EXPECT_LT(rows[1].first - rows[0].second, lineheight / 2) << "a blank line between";
    EXPECT_LT(rows[2].first - rows[1].second, lineheight / 2) << "a blank line between";
    EXPECT_LT(rows[2].second, box.y + box.h - 1) << "the queue line is cut";

    h.press(SDLK_DOWN);  // a key does not restore the screen by itself
    EXPECT_TRUE(form.shpBlack.visible);
    app.Timer1_Timer();
    EXPECT_FALSE(form.shpBlack.visible);
    EXPECT_FALSE(form.lblSaverTrack.visible);
    EXPECT_TRUE(form.lblTrack.visible);
}

}  // namespace
}  // namespace tunedeck::testing
