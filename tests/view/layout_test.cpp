// Start-up layout and the background gradient.
#include <cmath>

#include "tests/view/viewfixture.h"

namespace tunedeck {
namespace {

TEST(StartupLayout, DesignedPositionsAt1024x768) {
    ViewBench b;
    MainScreen& f = b.form;
    EXPECT_EQ(f.lblItem.templ().width, 15360 - 1000);
    EXPECT_EQ(f.shpBackground.top, 1300);
    EXPECT_EQ(f.shpBackground.top + f.shpBackground.height, 10320);
    EXPECT_EQ(f.shpBackground.width, 15360);
    EXPECT_EQ(f.shpLine1.y1, 1300);
    EXPECT_EQ(f.shpLine1.x2, 15360);
    EXPECT_EQ(f.shpLine2.y1, 10320);
    EXPECT_EQ(f.shpLine2.y2, 10320);
    EXPECT_EQ(f.lblTrack.top, 10420);
    EXPECT_EQ(f.lblState.top, 10725);
    EXPECT_EQ(f.lblPlaylist.top, 11010);
    EXPECT_EQ(f.lblTime.left, 11965);
    EXPECT_EQ(f.lblTime.top, f.lblState.top);
    EXPECT_EQ(f.shpBackground.fillcolor, rgbword(68, 74, 147));
    EXPECT_EQ(f.screen.backcolor(), rgbword(68, 74, 147));
}

TEST(StartupLayout, KeepsItsProportionsOnLargerDisplays) {
    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        ViewBench b(w, h);
        const Scale& s = b.screen.scale();
        // The list band starts at the same fraction of the height on every display.
        EXPECT_NEAR(s.px(b.form.shpLine1.y1) / static_cast<double>(h), 1300.0 / 11520, 0.002);
        EXPECT_NEAR(s.px(b.form.shpLine2.y1) / static_cast<double>(h), 10320.0 / 11520, 0.002);
        EXPECT_EQ(s.px(b.form.lblTime.left + b.form.lblTime.width), w - s.px(500));
    }
}

// The colour of background row y as the gradient steps it (single precision, like the drawing).
uint32_t expectedrow(int y, int H) {
    float r = 7, g = 18, b = 143;
    const double rows = H + 100 - 60;
    const float sr = static_cast<float>(61 / rows * 15), sg = static_cast<float>(56 / rows * 15),
                sb = static_cast<float>(4 / rows * 15);
    // Each strip is 3 rows high and the next starts one row lower: row y shows strip y.
    for (int i = 0; i < y; ++i) r += sr, g += sg, b += sb;
    return rgbword(static_cast<int>(std::nearbyint(r)), static_cast<int>(std::nearbyint(g)),
                   static_cast<int>(std::nearbyint(b)));
}

TEST(Gradient, DefaultColoursRunFromTopRowDownwards) {
    ViewBench b;
    b.form.lblTitle.visible = b.form.lblTitleShadow.visible = false;
    b.form.shpBackground.visible = b.form.shpLine1.visible = false;
    b.form.shpLine2.visible = false;
    b.form.lblTrack.visible = b.form.lblState.visible = false;
    b.form.lblPlaylist.visible = b.form.lblTime.visible = false;
    b.form.imgCover.visible = b.form.shpHighlight.visible = false;
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

TEST(Gradient, EqualColoursPaintOneFlatColour) {
    BackgroundImage image(100, 80, 0);
    rendergradient(image, 1600, 1300, rgbword(30, 60, 90), rgbword(30, 60, 90), 1);
    for (int y = 0; y < 80; y += 7) EXPECT_EQ(image.pixel(50, y), rgbword(30, 60, 90));
}

TEST(Gradient, LeftToRightBands) {
    BackgroundImage image(100, 80, 0);
    rendergradient(image, 1600, 1300, rgbword(0, 0, 0), rgbword(200, 0, 0), 0);
    EXPECT_EQ(image.pixel(0, 40), rgbword(0, 0, 0));
    EXPECT_LT(redof(image.pixel(20, 40)), redof(image.pixel(60, 40)));
    EXPECT_EQ(image.pixel(60, 10), image.pixel(60, 70));
}

TEST(Gradient, OtherDirectionsAndOversizedExtentsPaintNothing) {
    const uint32_t flat = rgbword(68, 74, 147);
    BackgroundImage image(160, 120, flat);
    rendergradient(image, 2500, 1900, rgbword(7, 18, 143), flat, 2);
    rendergradient(image, 2500, 1900, rgbword(7, 18, 143), flat, -1);
    EXPECT_EQ(image.version(), 1u);  // only the first clear
    // A display 2178 pixels or more across does not fit the 16-bit extent: flat background.
    rendergradient(image, 2178 * 15 + 100, 1900, rgbword(7, 18, 143), flat, 1);
    rendergradient(image, 2500, 40000, rgbword(7, 18, 143), flat, 1);
    rendergradient(image, 60, 60, rgbword(7, 18, 143), flat, 1);  // zero divisor
    EXPECT_EQ(image.pixel(0, 0), flat);
    EXPECT_EQ(image.pixel(159, 119), flat);
}

}  // namespace
}  // namespace tunedeck
