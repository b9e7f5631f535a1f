// Element arrays, stacking and the render-only-on-change rule of the screen.
#include <gtest/gtest.h>

#include "platform/screen/screen.h"

namespace tunedeck {
namespace {

ElementProps rowtemplate() {
    ElementProps p;
    p.kind = ElementKind::Label;
    p.font = {"Trebuchet MS", 18, false};
    p.width = 1000;
    p.height = 495;
    p.forecolor = 0x00FF00;
    return p;
}

TEST(ElementArray, NewElementCopiesTheHiddenTemplate) {
    Screen screen = Screen::offscreen(320, 240);
    ElementArray& rows = screen.addarray(rowtemplate());
    EXPECT_FALSE(rows.templ().visible);
    rows.templ().width = 4321;
    ASSERT_TRUE(rows.create(3));
    Element& e = rows.at(3);
    EXPECT_EQ(e.width, 4321);
    EXPECT_EQ(e.height, 495);
    EXPECT_EQ(e.font, (FontSpec{"Trebuchet MS", 18, false}));
    EXPECT_EQ(e.forecolor, 0x00FF00u);
    EXPECT_FALSE(e.visible);
}

TEST(ElementArray, CreatingAnExistingOrDestroyingAMissingElementDoesNothing) {
    Screen screen = Screen::offscreen(320, 240);
    ElementArray& rows = screen.addarray(rowtemplate());
    ASSERT_TRUE(rows.create(1));
    rows.at(1).caption = "kept";
    EXPECT_FALSE(rows.create(1));
    EXPECT_EQ(rows.at(1).caption, "kept");
    EXPECT_FALSE(rows.destroy(2));
    EXPECT_FALSE(rows.destroy(0));  // the template stays
    EXPECT_TRUE(rows.exists(0));
    EXPECT_TRUE(rows.destroy(1));
    EXPECT_FALSE(rows.exists(1));
    EXPECT_EQ(rows.get(1), nullptr);
    EXPECT_THROW(rows.at(1), std::out_of_range);
    EXPECT_EQ(rows.count(), 0u);
}

ElementProps solidbox(int32_t left, uint32_t colour) {
    ElementProps p;
    p.kind = ElementKind::Shape;
    p.border = false;
    p.fillstyle = FillStyle::Solid;
    p.fillcolor = colour;
    p.left = left;
    p.top = 0;
    p.width = 1500;
    p.height = 1500;
    return p;
}

uint32_t pixelat(SDL_Surface* s, int x, int y) {
    Uint32 v = static_cast<const Uint32*>(s->pixels)[y * (s->pitch / 4) + x];
    Uint8 r, g, b;
    SDL_GetRGB(v, s->format, &r, &g, &b);
    return rgbword(r, g, b);
}

TEST(Stacking, BringToFrontDrawsAnElementOverTheOthers) {
    Screen screen = Screen::offscreen(200, 150);  // 768/150 * 15 twips per pixel
    const double tpp = screen.twipsperpixelx();
    Element& red = screen.add(solidbox(0, 0x0000FF));
    Element& green = screen.add(solidbox(static_cast<int32_t>(5 * tpp), 0x00FF00));
    red.width = green.width = static_cast<int32_t>(20 * tpp);
    red.height = green.height = static_cast<int32_t>(20 * tpp);
    SdlSurface before = screen.capture();
    EXPECT_EQ(pixelat(before.get(), 10, 10), 0x00FF00u);
    screen.bringtofront(red);
    SdlSurface after = screen.capture();
    EXPECT_EQ(pixelat(after.get(), 10, 10), 0x0000FFu);
    EXPECT_EQ(pixelat(after.get(), 22, 10), 0x00FF00u);
}

TEST(Rendering, DrawsOnlyWhenSomethingChanged) {
    Screen screen = Screen::offscreen(320, 240);
    Element& label = screen.add(rowtemplate());
    ElementArray& rows = screen.addarray(rowtemplate());
    EXPECT_TRUE(screen.render());
    EXPECT_FALSE(screen.render());
    EXPECT_FALSE(screen.render());
    label.caption = "changed";
    EXPECT_TRUE(screen.render());
    EXPECT_FALSE(screen.render());
    rows.create(1);
    EXPECT_TRUE(screen.render());
    screen.bringtofront(rows.at(1));
    EXPECT_FALSE(screen.render());  // a new element is already on top
    screen.bringtofront(label);
    EXPECT_TRUE(screen.render());
    screen.background().fillrect({0, 0, 2, 2}, 0xFFFFFF);
    EXPECT_TRUE(screen.render());
    screen.invalidate();
    EXPECT_TRUE(screen.render());
    EXPECT_FALSE(screen.render());
    EXPECT_EQ(screen.framecount(), 6u);
}

TEST(Background, ImageIsOnePixelPer15TwipsAndFillsAreClipped) {
    Screen screen = Screen::offscreen(1920, 1080);
    BackgroundImage& bg = screen.background();
    EXPECT_EQ(bg.width(), static_cast<int>(screen.width() / 15));
    EXPECT_EQ(bg.height(), 768);
    EXPECT_FALSE(bg.fillrect({-10, -10, 0, 5}, 0xFFFFFF));
    EXPECT_TRUE(bg.fillrect({bg.width() - 2, bg.height() - 1, bg.width() + 50, bg.height() + 50},
                            0x123456));
    EXPECT_EQ(bg.pixel(bg.width() - 1, bg.height() - 1), 0x123456u);
    screen.setbackcolor(0x0000FF);
    EXPECT_EQ(bg.pixel(bg.width() - 1, bg.height() - 1), 0x0000FFu);
}

}  // namespace
}  // namespace tunedeck

namespace tunedeck {
namespace {

// The bottom of the stacking is kept drawn between frames; a change there must still show.
TEST(Rendering, ChangesAtTheBottomOfTheStackingShow) {
    Screen screen = Screen::offscreen(200, 150);
    const double tpp = screen.twipsperpixelx();
    Element& bottom = screen.add(solidbox(0, 0x0000FF));
    Element& moving = screen.add(solidbox(static_cast<int32_t>(100 * tpp), 0xFFFFFF));
    bottom.width = bottom.height = moving.width = moving.height = static_cast<int32_t>(20 * tpp);
    screen.render();
    screen.render();
    moving.left += static_cast<int32_t>(10 * tpp);
    EXPECT_TRUE(screen.render());
    bottom.fillcolor = 0x00FF00;
    SdlSurface frame = screen.capture();
    EXPECT_EQ(pixelat(frame.get(), 5, 5), 0x00FF00u);
    EXPECT_EQ(pixelat(frame.get(), 115, 5), 0xFFFFFFu);
    bottom.visible = false;
    frame = screen.capture();
    EXPECT_EQ(pixelat(frame.get(), 5, 5), 0u);
    screen.background().fillrect({0, 0, 400, 400}, 0x102030);
    frame = screen.capture();
    EXPECT_EQ(pixelat(frame.get(), 5, 5), 0x102030u);
}

}  // namespace
}  // namespace tunedeck
