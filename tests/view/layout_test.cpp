// Start-up layout, the background gradient, the letter grid and the title line.
#include <cmath>
#include <vector>

#include "tests/view/viewfixture.h"

namespace tunedeck {
namespace {

// The list band starts at the same fraction of the height on every display, the time ends at
// the same margin, over the colour-2 band.
TEST(StartupLayout, KeptInProportionOnEveryDisplay) {
    for (auto [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        ViewBench b(w, h);
        const MainScreen& f = b.form;
        const Scale& s = b.screen.scale();
        EXPECT_NEAR(s.px(f.shpLine1.y1) / static_cast<double>(h), 1300.0 / 11520, 0.002);
        EXPECT_NEAR(s.px(f.shpLine2.y1) / static_cast<double>(h), 10320.0 / 11520, 0.002);
        EXPECT_EQ(s.px(f.lblTime.left + f.lblTime.width), w - s.px(500));
        EXPECT_EQ(f.shpBackground.fillcolor, rgbword(68, 74, 147));
    }
}

// The colour of background row y as the gradient steps it (single precision, like the drawing).
uint32_t expectedrow(int y, int height) {
    float r = 7, g = 18, b = 143;
    const double rows = height + 100 - 60;
    const float sr = static_cast<float>(61 / rows * 15), sg = static_cast<float>(56 / rows * 15),
                sb = static_cast<float>(4 / rows * 15);
    // Each strip is 3 rows high and the next starts one row lower: row y shows strip y.
    for (int i = 0; i < y; ++i) r += sr, g += sg, b += sb;
    return rgbword(static_cast<int>(std::nearbyint(r)), static_cast<int>(std::nearbyint(g)),
                   static_cast<int>(std::nearbyint(b)));
}

TEST(Gradient, DefaultColoursRunFromTopRowDownwards) {
    ViewBench b;
    for (Element* e :
         {&b.form.lblTitle, &b.form.lblTitleShadow, &b.form.shpBackground, &b.form.shpLine1,
          &b.form.shpLine2, &b.form.lblTrack, &b.form.lblState, &b.form.lblPlaylist,
          &b.form.lblTime, &b.form.imgCover, &b.form.shpHighlight})
        e->visible = false;
    SdlSurface frame = b.screen.capture();
    EXPECT_EQ(pixelat(frame.get(), 0, 0), rgbword(7, 18, 143));
    EXPECT_EQ(pixelat(frame.get(), 1023, 0), rgbword(7, 18, 143));
    for (int y : {1, 100, 384, 700, 767})
        EXPECT_EQ(pixelat(frame.get(), 500, y), expectedrow(y, 11520)) << y;
    // Close to colour 2 at the bottom.
    uint32_t bottom = pixelat(frame.get(), 10, 767);
    EXPECT_NEAR(redof(bottom), 68, 2);
    EXPECT_NEAR(greenof(bottom), 74, 2);
}

TEST(Gradient, FlatLeftToRightAndUnusableDirectionsAndExtents) {
    BackgroundImage image(100, 80, 0);
    rendergradient(image, 1600, 1300, rgbword(30, 60, 90), rgbword(30, 60, 90), 1);
    for (int y = 0; y < 80; y += 7) EXPECT_EQ(image.pixel(50, y), rgbword(30, 60, 90));
    rendergradient(image, 1600, 1300, rgbword(0, 0, 0), rgbword(200, 0, 0), 0);
    EXPECT_EQ(image.pixel(0, 40), rgbword(0, 0, 0));
    EXPECT_LT(redof(image.pixel(20, 40)), redof(image.pixel(60, 40)));
    EXPECT_EQ(image.pixel(60, 10), image.pixel(60, 70));

    const uint32_t flat = rgbword(68, 74, 147);
    BackgroundImage plain(160, 120, flat);
    rendergradient(plain, 2500, 1900, rgbword(7, 18, 143), flat, 2);
    rendergradient(plain, 2500, 1900, rgbword(7, 18, 143), flat, -1);
    EXPECT_EQ(plain.version(), 1u);  // only the first clear
    // A display 2178 pixels or more across does not fit the 16-bit extent: flat background.
    rendergradient(plain, 2178 * 15 + 100, 1900, rgbword(7, 18, 143), flat, 1);
    rendergradient(plain, 2500, 40000, rgbword(7, 18, 143), flat, 1);
    rendergradient(plain, 60, 60, rgbword(7, 18, 143), flat, 1);  // zero divisor
    EXPECT_EQ(plain.pixel(0, 0), flat);
    EXPECT_EQ(plain.pixel(159, 119), flat);
}

TEST(RenderLetters, FiveColumnsCentredAndSixLines) {
    ViewBench b;
    b.fill(27, ItemKind::Letter);
    renderletters(b.view);
    MainScreen& f = b.form;
    const int32_t columns[] = {4680, 6180, 7680, 9180, 10680};
    for (int16_t n = 1; n <= 27; ++n) {
        Element& e = f.lblItem.at(n);
        EXPECT_EQ(e.left, columns[(n - 1) % 5]) << n;
        EXPECT_EQ(e.top, 2200 + (n - 1) / 5 * 800) << n;
        EXPECT_EQ(e.tag, std::to_string(n));
        EXPECT_EQ(e.caption, "Item " + std::to_string(n));
        EXPECT_TRUE(e.visible);
    }
    EXPECT_EQ(f.lblItem.at(27).top, 6200);
    EXPECT_EQ(f.lblItem.at(26).left, 4680);
    EXPECT_TRUE(b.browse->letterfocus);
}

TEST(RenderLetters, ClearsTheListPageItReplacesAndAnEmptyGridHidesTheHighlight) {
    ViewBench b;
    b.fill(30);
    b.browse->page = 2;
    renderitems(b.view, "");
    ASSERT_TRUE(b.form.lblMoreAbove.visible);
    b.fill(3, ItemKind::Letter);
    renderletters(b.view);
    MainScreen& f = b.form;
    EXPECT_FALSE(f.imgIcon.exists(1));
    EXPECT_FALSE(f.lblItem.exists(4));
    EXPECT_FALSE(f.imgIcon.exists(11));
    EXPECT_FALSE(f.lblMoreAbove.visible);
    EXPECT_FALSE(f.lblMoreBelow.visible);
    EXPECT_FALSE(f.imgCover.visible);

    // An empty grid hides the highlight.
    b.fill(0, ItemKind::Letter);
    renderletters(b.view);
    b.browse->row = 1;
    renderhighlight(b.view);
    EXPECT_FALSE(b.form.shpHighlight.visible);
    b.screen.render();  // nothing to draw it on, and no crash
}

TEST(RenderTitle, SizeFollowsTheLength) {
    ViewBench b;
    MainScreen& f = b.form;
    const auto placed = [&f] {
        return std::vector<int32_t>{static_cast<int32_t>(f.lblTitle.font.size),
                                    static_cast<int32_t>(f.lblTitleShadow.font.size),
                                    f.lblTitle.top,
                                    f.lblTitleShadow.top,
                                    f.lblTitle.left,
                                    f.lblTitleShadow.left,
                                    f.lblTitle.width,
                                    f.lblTitleShadow.width};
    };
    rendertitle(b.view, std::string(32, 'a'));
    EXPECT_EQ(placed(), (std::vector<int32_t>{36, 36, 200, 270, 500, 570, 14860, 14860}));
    rendertitle(b.view, std::string(33, 'a'));
    EXPECT_EQ(placed(), (std::vector<int32_t>{18, 18, 500, 570, 500, 570, 14860, 14860}));
    EXPECT_EQ(f.lblTitleShadow.caption, std::string(33, 'a'));

    rendertitle(b.view, "");
    EXPECT_EQ(f.lblTitle.font.size, 36);
    EXPECT_EQ(f.lblTitle.caption, "");

    // Characters count, not bytes: 32 accented letters in 64 bytes are short.
    std::string accented;
    for (int i = 0; i < 32; ++i) accented += "\xC3\xA9";
    rendertitle(b.view, accented);
    EXPECT_EQ(f.lblTitle.font.size, 36);
    rendertitle(b.view, accented + "!");
    EXPECT_EQ(f.lblTitle.font.size, 18);
}

// Where the shadow's black letters lie under the title's white ones, the title shows.
TEST(RenderTitle, TitleLiesAboveItsShadowAndTextScalesWithTheDisplay) {
    int previous = 0;
    for (auto [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        ViewBench b(w, h);
        rendertitle(b.view, "Tunedeck Home");
        const int text = b.screen.textheightpx(b.form.lblTitle);
        EXPECT_GT(text, previous);
        previous = text;
        SdlSurface both = b.screen.capture();
        b.form.lblTitle.visible = false;
        SdlSurface shadow = b.screen.capture();
        const Scale& s = b.screen.scale();
        int covered = 0;
        for (int y = s.px(200); y < s.px(1175); ++y)
            for (int x = s.px(500); x < s.px(4000); ++x)
                covered +=
                    pixelat(shadow.get(), x, y) == 0 && pixelat(both.get(), x, y) == 0xFFFFFF;
        EXPECT_GT(covered, 100) << w << "x" << h;
    }
}

}  // namespace
}  // namespace tunedeck
