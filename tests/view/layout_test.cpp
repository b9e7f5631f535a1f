// Start-up layout and the background gradient.
#include <cmath>
#include <vector>

#include "tests/view/viewfixture.h"

namespace tunedeck {
namespace {

// The designed places at 1024x768; larger displays keep their proportions.
TEST(StartupLayout, DesignedPositionsAt1024x768KeptInProportionOnLargerDisplays) {
    ViewBench b;
    const MainScreen& f = b.form;
    EXPECT_EQ((std::vector<int32_t>{f.lblItem.templ().width, f.shpBackground.top,
                                    f.shpBackground.top + f.shpBackground.height,
                                    f.shpBackground.width, f.shpLine1.y1, f.shpLine1.x2,
                                    f.shpLine2.y1, f.shpLine2.y2, f.lblTrack.top, f.lblState.top,
                                    f.lblPlaylist.top, f.lblTime.left, f.lblTime.top}),
              (std::vector<int32_t>{14360, 1300, 10320, 15360, 1300, 15360, 10320, 10320, 10420,
                                    10725, 11010, 11965, 10725}));
    EXPECT_EQ(f.shpBackground.fillcolor, rgbword(68, 74, 147));
    EXPECT_EQ(f.screen.backcolor(), rgbword(68, 74, 147));
    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        ViewBench large(w, h);
        const Scale& s = large.screen.scale();
        // The list band starts at the same fraction of the height on every display.
        EXPECT_NEAR(s.px(large.form.shpLine1.y1) / static_cast<double>(h), 1300.0 / 11520, 0.002);
        EXPECT_NEAR(s.px(large.form.shpLine2.y1) / static_cast<double>(h), 10320.0 / 11520, 0.002);
        EXPECT_EQ(s.px(large.form.lblTime.left + large.form.lblTime.width), w - s.px(500));
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

}  // namespace
}  // namespace tunedeck
