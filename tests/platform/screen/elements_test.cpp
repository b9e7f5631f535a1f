// Element arrays, stacking and the render-only-on-change rule of the screen; labels: fonts,
// word wrap, lines cut at the box, transparency and names in other scripts.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/screen/screen.h"
#include "tests/platform/screen/pixels.h"

namespace tunedeck {
namespace {

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

ElementProps solidbox(int32_t left, uint32_t colour) {
    ElementProps p;
    p.kind = ElementKind::Shape;
    p.border = false;
    p.fillstyle = FillStyle::Solid;
    p.fillcolor = colour;
    p.left = left;
    p.width = p.height = 1500;
    return p;
}

TEST(ElementArray, NewElementsCopyTheHiddenTemplateAndOnlyMissingOnesAreCreated) {
    Screen screen = Screen::offscreen(320, 240);
    ElementArray& rows = screen.addarray(label("", 1000, 495));
    EXPECT_FALSE(rows.templ().visible);
    rows.templ().width = 4321;
    ASSERT_TRUE(rows.create(3));
    const Element& e = rows.at(3);
    EXPECT_EQ(e.width, 4321);
    EXPECT_EQ(e.height, 495);
    EXPECT_EQ(e.font, (FontSpec{"Trebuchet MS", 18, false}));
    EXPECT_EQ(e.forecolor, 0xFFFFFFu);
    EXPECT_FALSE(e.visible);

    rows.at(3).caption = "kept";
    EXPECT_FALSE(rows.create(3));
    EXPECT_EQ(rows.at(3).caption, "kept");
    EXPECT_FALSE(rows.destroy(2));
    EXPECT_FALSE(rows.destroy(0));  // the template stays
    EXPECT_TRUE(rows.exists(0));
    EXPECT_TRUE(rows.destroy(3));
    EXPECT_FALSE(rows.exists(3));
    EXPECT_EQ(rows.get(3), nullptr);
    EXPECT_THROW(rows.at(3), std::out_of_range);
    EXPECT_EQ(rows.count(), 0u);
}

TEST(Stacking, BringToFrontDrawsAnElementOverTheOthers) {
    Screen screen = Screen::offscreen(200, 150);  // 768/150 * 15 twips per pixel
    const double tpp = screen.twipsperpixelx();
    Element& red = screen.add(solidbox(0, 0x0000FF));
    Element& green = screen.add(solidbox(static_cast<int32_t>(5 * tpp), 0x00FF00));
    red.width = green.width = red.height = green.height = static_cast<int32_t>(20 * tpp);
    EXPECT_EQ(pixelat(screen.capture().get(), 10, 10), 0x00FF00u);
    screen.bringtofront(red);
    SdlSurface after = screen.capture();
    EXPECT_EQ(pixelat(after.get(), 10, 10), 0x0000FFu);
    EXPECT_EQ(pixelat(after.get(), 22, 10), 0x00FF00u);
}

TEST(Rendering, DrawsOnlyWhenSomethingChanged) {
    Screen screen = Screen::offscreen(320, 240);
    Element& text = screen.add(label("", 1000, 495));
    ElementArray& rows = screen.addarray(label("", 1000, 495));
    EXPECT_TRUE(screen.render());
    EXPECT_FALSE(screen.render());
    text.caption = "changed";
    EXPECT_TRUE(screen.render());
    EXPECT_FALSE(screen.render());
    rows.create(1);
    EXPECT_TRUE(screen.render());
    screen.bringtofront(rows.at(1));
    EXPECT_FALSE(screen.render());  // a new element is already on top
    screen.bringtofront(text);
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

bool sameframe(SDL_Surface* a, SDL_Surface* b) {
    for (int y = 0; y < a->h; ++y)
        for (int x = 0; x < a->w; ++x)
            if (pixelat(a, x, y) != pixelat(b, x, y)) return false;
    return true;
}

// A frame drawn only where something changed since the last one shows what the same frame
// drawn whole shows: nothing left behind where an element was, nothing cut where one is.
TEST(Rendering, FramesDrawnWhereThingsChangedMatchWholeFrames) {
    Screen screen = Screen::offscreen(320, 240);  // the background image is stretched down
    const int32_t tpp = static_cast<int32_t>(screen.twipsperpixelx());
    BackgroundImage& bg = screen.background();
    for (int y = 0; y < bg.height(); y += 40)
        bg.fillrect({0, y, bg.width(), y + 40}, 0x101010u * (y / 40));
    bg.fillrect({300, 200, 700, 500}, 0x3366CC);  // rows that change along them
    Element& text = screen.add(label("", 1000, 495));
    text.visible = true;
    text.caption = "A caption long enough";
    text.width = 250 * tpp;
    ElementProps hatch = solidbox(40 * tpp, 0xFFFFFF);
    hatch.fillstyle = FillStyle::DiagonalCross;
    hatch.width = hatch.height = 120 * tpp;
    screen.add(hatch);
    ElementProps round = solidbox(60 * tpp, 0x00FFFF);
    round.shape = ShapeKind::RoundedRectangle;
    round.border = true;
    round.borderwidth = 2;
    Element& box = screen.add(round);
    ElementProps slant;
    slant.kind = ElementKind::Line;
    slant.x1 = 10 * tpp, slant.y1 = 200 * tpp, slant.x2 = 300 * tpp, slant.y2 = 150 * tpp;
    Element& line = screen.add(slant);
    ElementProps icon;
    icon.kind = ElementKind::Image;
    icon.stretch = true;
    icon.left = 5 * tpp, icon.top = 5 * tpp, icon.width = icon.height = 45 * tpp;
    SdlSurface dots = makesurface(32, 32);
    for (int i = 0; i < 32 * 32; i += 3) static_cast<Uint32*>(dots->pixels)[i] = 0xFFFF0000u;
    icon.picture = picturefromsurface(dots.get());
    Element& image = screen.add(icon);
    ElementArray& rows = screen.addarray(label("", 1000, 495));
    for (int16_t n = 1; n <= 3; ++n) {
        rows.create(n);
        rows.at(n).visible = true;
        rows.at(n).caption = "Row " + std::to_string(n);
        rows.at(n).top = n * 40 * tpp;
    }
    screen.render();
    const std::vector<std::function<void()>> changes = {
        [&] { text.caption = "Short"; },
        [&] { text.left += 30 * tpp; },
        [&] { box.visible = false; },
        [&] { box.visible = true, screen.bringtofront(box); },
        [&] { rows.destroy(2); },
        [&] { line.y2 += 40 * tpp; },
        [&] { image.left += 7 * tpp; },
        [&] { rows.at(1).caption = "Row 1 under the picture", rows.at(1).top = 10 * tpp; },
        [&] {
            bg.fillrect({0, 0, 100, 100}, 0x00FF00);
        },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        changes[i]();
        SdlSurface partial = screen.capture();
        screen.invalidate();
        SdlSurface whole = screen.capture();
        EXPECT_TRUE(sameframe(partial.get(), whole.get())) << "after change " << i;
    }
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

TEST(Fonts, DesignedFamiliesFallBackToInstalledFonts) {
    EXPECT_FALSE(matchfontfile("Trebuchet MS", true).empty());
    EXPECT_FALSE(matchfontfile("Arial", false).empty());
    EXPECT_NE(matchfontfile("Arial", false), matchfontfile("Arial", true));
}

TEST(Labels, WrapAtWordsCutLinesBelowTheBoxAndAlignRight) {
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

    // Right-aligned text ends at the box's edge.
    one.visible = wrapped.visible = false;
    Element& time = screen.add(label("12:00", 3000, 495));
    time.alignment = Alignment::Right;
    frame = screen.capture();
    EXPECT_EQ(litrows(frame.get(), 0, 100, 0, 33, 0xFFFFFF), 0);
    EXPECT_GT(litrows(frame.get(), 150, 200, 0, 33, 0xFFFFFF), 5);
}

struct Script {
    const char* what;
    const char* name;
    char32_t first;     // the name's first character
    const char* shape;  // the script it is shaped in, right to left; null for none
};

class OtherScripts : public ::testing::TestWithParam<Script> {};

// The font that should draw the name, at `px`: the label's own when it has the characters,
// else the fallback fontconfig finds for them; set to shape the name's script right to left.
TtfFont expectedfont(const Script& script, int px) {
    const std::string own = matchfontfile("Trebuchet MS", false);
    TtfFont font(TTF_OpenFont(own.c_str(), px));
    if (!TTF_GlyphIsProvided32(font.get(), script.first)) {
        FontFace face = matchfontfor(script.first, false);
        EXPECT_FALSE(face.file.empty()) << "no installed font has the name's characters";
        font = TtfFont(TTF_OpenFontIndex(face.file.c_str(), px, face.index));
    }
    if (font && script.shape) {
        TTF_SetFontDirection(font.get(), TTF_DIRECTION_RTL);
        TTF_SetFontScriptName(font.get(), script.shape);
    }
    return font;
}

// Differing pixels between the text drawn alone (white, by its alpha) and the frame's black
// area at (0, top), at the best of a few vertical offsets: the label's line puts every run on
// the baseline it shares with the label's own font.
int differingpixels(SDL_Surface* want, SDL_Surface* frame, int top) {
    int best = INT32_MAX;
    for (int dy = -16; dy <= 12; ++dy) {
        int differing = 0;
        for (int y = 0; y < want->h; ++y)
            for (int x = 0; x < want->w; ++x) {
                Uint8 r, g, b, a;
                SDL_GetRGBA(static_cast<const Uint32*>(want->pixels)[y * want->pitch / 4 + x],
                            want->format, &r, &g, &b, &a);
                const int shown = redof(pixelat(frame, x, top + y + dy));
                differing += std::abs(shown - a) > 24;
            }
        best = std::min(best, differing);
    }
    return best;
}

// Names in scripts the label's font lacks, or must shape, read back as their own font draws
// them; empty boxes or unjoined letters in the wrong order would not match.
TEST_P(OtherScripts, NamesReadBackAsTheirOwnFontDrawsThem) {
    const Script& script = GetParam();
    Screen screen = Screen::offscreen(1024, 768);
    screen.setbackcolor(0x000000);
    ElementProps p = label(script.name, 15000, 1000);
    p.top = 1500;
    screen.add(p);
    SdlSurface frame = screen.capture();
    TtfFont font = expectedfont(script, screen.scale().fontpx(p.font.size));
    ASSERT_TRUE(font);
    SdlSurface want(TTF_RenderUTF8_Blended(font.get(), script.name, {255, 255, 255, 255}));
    ASSERT_TRUE(want);
    ASSERT_GT(want->w, 40);
    EXPECT_LT(differingpixels(want.get(), frame.get(), 100), want->w * want->h / 200);
}

INSTANTIATE_TEST_SUITE_P(Names, OtherScripts,
                         ::testing::Values(Script{"japanese", "東京タワー", U'東', nullptr},
                                           Script{"korean", "서울의 노래", U'서', nullptr},
                                           Script{"arabic", "مرحبا بالعالم", U'م', "Arab"}),
                         [](const auto& info) { return std::string(info.param.what); });

// The lowest lit row of the first letter of a label at (0, top), counted from its top.
int baselineof(SDL_Surface* frame, int top, int height) {
    int lowest = -1;
    for (int y = top; y < top + height; ++y)
        for (int x = 0; x < 6; ++x)
            if (redof(pixelat(frame, x, y)) > 128) lowest = y - top;
    return lowest;
}

// A name drawn partly by a fallback font (Japanese here, whose font is taller) sits on the same
// baseline as a name the label's own font draws alone: its Latin letters line up to the pixel.
TEST(Labels, ARowWithFallbackTextSitsOnTheOwnFontsBaseline) {
    Screen screen = Screen::offscreen(1920, 1080);
    screen.setbackcolor(0x000000);
    ElementProps latin = label("Hello", 15000, 1000);
    latin.top = 1500;
    ElementProps mixed = label("Hello 東京タワー", 15000, 1000);
    mixed.top = 4500;
    screen.add(latin);
    screen.add(mixed);
    SdlSurface frame = screen.capture();
    const int top1 = screen.scale().px(1500), top2 = screen.scale().px(4500);
    const int height = screen.scale().px(1000);
    const int own = baselineof(frame.get(), top1, height);
    ASSERT_GT(own, 0);
    EXPECT_EQ(baselineof(frame.get(), top2, height), own);
}

}  // namespace
}  // namespace tunedeck
