// Labels: fonts found by family name, word wrap inside the box, lines cut at its bottom,
// transparency, and sizes that follow the display.
#include <gtest/gtest.h>

#include "platform/screen/screen.h"

namespace tunedeck {
namespace {

uint32_t pixelat(SDL_Surface* s, int x, int y) {
    Uint32 v = static_cast<const Uint32*>(s->pixels)[y * (s->pitch / 4) + x];
    Uint8 r, g, b;
    SDL_GetRGB(v, s->format, &r, &g, &b);
    return rgbword(r, g, b);
}

// Rows of the box that hold any pixel of the text colour.
int litrows(SDL_Surface* s, int x0, int x1, int y0, int y1, uint32_t colour) {
    int rows = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (pixelat(s, x, y) == colour) {
                ++rows;
                break;
            }
    return rows;
}

ElementProps label(const std::string& caption, int32_t width, int32_t height) {
    ElementProps p;
    p.kind = ElementKind::Label;
    p.font = {"Trebuchet MS", 18, false};
    p.caption = caption;
    p.width = width;
    p.height = height;
    p.forecolor = 0xFFFFFF;
    return p;
}

TEST(Fonts, DesignedFamiliesFallBackToInstalledFonts) {
    EXPECT_FALSE(matchfontfile("Trebuchet MS", true).empty());
    EXPECT_FALSE(matchfontfile("Arial", false).empty());
    EXPECT_NE(matchfontfile("Arial", false), matchfontfile("Arial", true));
}

TEST(Labels, WrapAtWordsAndCutLinesBelowTheBox) {
    Screen screen = Screen::offscreen(1024, 768);
    Element& one = screen.add(label("Alpha", 6000, 495));
    Element& wrapped = screen.add(label("Alpha Beta Gamma Delta", 1600, 3000));
    const int lineheight = screen.textheightpx(one);
    EXPECT_GE(screen.textheightpx(wrapped), 3 * lineheight);

    // The same text in a box one line high shows one line only, and nothing outside the box.
    wrapped.height = 495;
    wrapped.top = 1500;
    one.visible = false;
    screen.setbackcolor(0x000000);
    SdlSurface frame = screen.capture();
    EXPECT_GT(litrows(frame.get(), 0, 200, 100, 133, 0xFFFFFF), 5);
    EXPECT_EQ(litrows(frame.get(), 0, 400, 133, 300, 0xFFFFFF), 0);
    // Transparent: the background shows between the letters.
    EXPECT_EQ(pixelat(frame.get(), 105, 101), 0x000000u);
}

TEST(Labels, RightAlignedTextEndsAtTheBoxEdge) {
    Screen screen = Screen::offscreen(1024, 768);
    Element& time = screen.add(label("12:00", 3000, 495));
    time.alignment = Alignment::Right;
    SdlSurface frame = screen.capture();
    EXPECT_EQ(litrows(frame.get(), 0, 100, 0, 33, 0xFFFFFF), 0);
    EXPECT_GT(litrows(frame.get(), 150, 200, 0, 33, 0xFFFFFF), 5);
}

TEST(Labels, TextGrowsWithTheDisplay) {
    int heights[3] = {};
    int sizes[][2] = {{1024, 768}, {1920, 1080}, {3840, 2160}};
    for (int i = 0; i < 3; ++i) {
        Screen screen = Screen::offscreen(sizes[i][0], sizes[i][1]);
        heights[i] = screen.textheightpx(screen.add(label("Tunedeck", 15000, 1000)));
    }
    EXPECT_LT(heights[0], heights[1]);
    EXPECT_LT(heights[1], heights[2]);
    EXPECT_NEAR(static_cast<double>(heights[2]) / heights[0], 2160.0 / 768, 0.15);
}

TEST(Units, TwipsPerPixelFollowsTheDisplayHeight) {
    EXPECT_DOUBLE_EQ(twipsperpixelfor(768), 15.0);
    EXPECT_DOUBLE_EQ(twipsperpixelfor(1536), 7.5);
    Screen screen = Screen::offscreen(1024, 768);
    EXPECT_EQ(screen.width(), 15360);
    EXPECT_EQ(screen.height(), 11520);
    EXPECT_EQ(Scale{15}.fontpx(18), 24);
}

}  // namespace
}  // namespace tunedeck
