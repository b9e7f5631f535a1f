// The tick's texts, and the screen saver: its timelines and its real screen elements.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <utility>
#include <vector>

#include "app/saver.h"
#include "app/ticktext.h"
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

TEST(TickText, TimesRoundHalfToEvenKeepTwoDigitsAndNeverWrapCdPositionAndClock) {
    EXPECT_EQ(playtimes(wholeseconds(65.4), wholeseconds(180.0)), "01:05 / 03:00");
    EXPECT_EQ(wholeseconds(64.5), 64);
    EXPECT_EQ(wholeseconds(65.5), 66);
    EXPECT_EQ(minutesseconds(wholeseconds(40000.0)), "666:40");  // past 16 bits
    EXPECT_EQ(wholeseconds(-3.0), 0);
    EXPECT_EQ(cdelapsed(CdPosition{3, 1, 15}), "01:15");
    std::setlocale(LC_TIME, "C");
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(clocktext(1709647629), "03/05/24 - 14:07:09");
}

// Ticks after a key press (1-based) at which the screen blanks and the text moves.
std::pair<std::vector<int>, std::vector<int>> timeline(int16_t savertime, int ticks) {
    SaverCounters counters;
    std::pair<std::vector<int>, std::vector<int>> seen;
    for (int tick = 1; tick <= ticks; ++tick) {
        const SaverStep step = advancesaver(counters, savertime);
        EXPECT_EQ(step.restore, tick == 1);
        if (step.blank) seen.first.push_back(tick);
        if (step.movetext) seen.second.push_back(tick);
    }
    return seen;
}

TEST(Saver, TimelinesForSixtyOneZeroAndTheLargestSettingWhereTheCountStops) {
    EXPECT_EQ(timeline(60, 80),
              std::make_pair(std::vector<int>{60}, std::vector<int>{62, 68, 74, 80}));
    EXPECT_EQ(timeline(1, 3), std::make_pair(std::vector<int>{1}, std::vector<int>{3}));
    EXPECT_EQ(timeline(0, 300), std::make_pair(std::vector<int>{}, std::vector<int>{}));
    // The counter stops at 32767, where this saver starts: it must still show and move its text.
    EXPECT_EQ(timeline(32767, 32780),
              std::make_pair(std::vector<int>{32767}, std::vector<int>{32769, 32775}));

    // The idle count stops at its maximum and the text keeps moving.
    SaverCounters counters{32766, 0};
    int moves = 0;
    for (int tick = 0; tick < 12; ++tick) moves += advancesaver(counters, 60).movetext ? 1 : 0;
    EXPECT_EQ(counters.idlecount, 32767);
    EXPECT_EQ(moves, 2);
}

}  // namespace
}  // namespace tunedeck::testing
