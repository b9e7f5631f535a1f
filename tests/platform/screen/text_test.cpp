// Labels: fonts found by family name, word wrap inside the box, lines cut at its bottom,
// transparency, and names in other scripts. (Sizes that follow the display: tests/view.)
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "platform/screen/screen.h"
#include "tests/platform/screen/pixels.h"

namespace tunedeck {
namespace {

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
    for (int dy = 0; dy <= 12; ++dy) {
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

}  // namespace
}  // namespace tunedeck
