#include "platform/screen/textrender.h"

#include <hb.h>

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

namespace tunedeck {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One character with the font and script it is drawn in.
struct Glyph {
    char32_t c;
    TTF_Font* font;
    hb_script_t script;
};

// Characters of one font and script, drawn with one call.
struct Run {
    TTF_Font* font;
    hb_script_t script;
    std::string text;  // UTF-8
};

hb_script_t scriptof(char32_t c) {
    // HarfBuzz's default Unicode functions: a process-wide table that is never changed.
    return hb_unicode_script(hb_unicode_funcs_get_default(), c);
}

bool isneutral(hb_script_t s) {
    return s == HB_SCRIPT_COMMON || s == HB_SCRIPT_INHERITED || s == HB_SCRIPT_UNKNOWN;
}

bool isrighttoleft(hb_script_t s) {
    return hb_script_get_horizontal_direction(s) == HB_DIRECTION_RTL;
}

// Scripts whose text a font draws correctly one character after the other, unshaped.
bool isplainscript(hb_script_t s) {
    static constexpr std::array kPlain = {
        HB_SCRIPT_LATIN,    HB_SCRIPT_GREEK,   HB_SCRIPT_CYRILLIC, HB_SCRIPT_ARMENIAN,
        HB_SCRIPT_GEORGIAN, HB_SCRIPT_HAN,     HB_SCRIPT_HIRAGANA, HB_SCRIPT_KATAKANA,
        HB_SCRIPT_HANGUL,   HB_SCRIPT_BOPOMOFO};
    return isneutral(s) || std::find(kPlain.begin(), kPlain.end(), s) != kPlain.end();
}

bool iscontrol(char32_t c) {
    return c < 0x20 || c == 0x7F;
}

bool isdigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// Length of the UTF-8 sequence that `lead` starts, 0 when it starts none.
int sequencelength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Code points of UTF-8 text; each invalid byte becomes U+FFFD.
std::u32string decode(std::string_view text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int n = sequencelength(lead);
        char32_t c = n == 1   ? lead
                     : n == 2 ? (lead & 0x1F)
                     : n == 3 ? (lead & 0x0F)
                              : (lead & 0x07);
        bool valid = n > 0 && i + static_cast<std::size_t>(n) <= text.size();
        for (int k = 1; valid && k < n; ++k) {
            const auto b = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = (b & 0xC0) == 0x80;
            c = c << 6 | (b & 0x3F);
        }
        // Overlong forms and surrogates are invalid too.
        valid = valid && !(n == 3 && c < 0x800) && !(n == 4 && (c < 0x10000 || c > 0x10FFFF)) &&
                !(c >= 0xD800 && c <= 0xDFFF);
        out.push_back(valid ? c : kReplacement);
        i += valid ? static_cast<std::size_t>(n) : 1;
    }
    return out;
}

void appendutf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// The lines of a text: CR LF, CR and LF each end one.
std::vector<std::u32string> splitlines(const std::u32string& text) {
    std::vector<std::u32string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'\r' || text[i] == U'\n') {
            if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
            lines.emplace_back();
        } else {
            lines.back().push_back(text[i]);
        }
    }
    return lines;
}

bool provides(TTF_Font* font, char32_t c) {
    return font && TTF_GlyphIsProvided32(font, c);
}

// The font of one character: a neutral one (blank, punctuation) stays in the run it is in when
// that run's font has it; any other goes to the label's own font when it has it, then to the
// run's font, then to a fallback font. With no font at all the label's font draws a box.
TTF_Font* fontfor(FontCache& fonts, TTF_Font* own, TTF_Font* previous, char32_t c, bool neutral,
                  bool bold, int pixelsize) {
    if (iscontrol(c)) return previous ? previous : own;  // drawn by no font
    if (neutral && provides(previous, c)) return previous;
    if (provides(own, c)) return own;
    if (provides(previous, c)) return previous;
    TTF_Font* f = fonts.fallback(c, bold, pixelsize);
    return f ? f : own;
}

// The script a neutral character (blank, punctuation, digit) is drawn in, from the strong
// scripts around it (HB_SCRIPT_INVALID for none): that of its neighbours when both run the
// same way, else that of the neighbour running the line's way. A digit after right-to-left
// text stands on its own, read left to right.
hb_script_t neutralscript(char32_t c, hb_script_t before, hb_script_t after, bool linertl) {
    auto rtl = [linertl](hb_script_t s) {
        return s == HB_SCRIPT_INVALID ? linertl : isrighttoleft(s);
    };
    if (isdigit(c) && rtl(before)) return HB_SCRIPT_COMMON;
    hb_script_t pick = before;
    if (rtl(before) != rtl(after) ? rtl(before) != linertl : before == HB_SCRIPT_INVALID)
        pick = after;
    return pick == HB_SCRIPT_INVALID ? HB_SCRIPT_COMMON : pick;
}

// The script and font of each character of a line.
std::vector<Glyph> assign(FontCache& fonts, TTF_Font* own, bool bold, int pixelsize,
                          const std::u32string& line) {
    std::vector<hb_script_t> after(line.size() + 1, HB_SCRIPT_INVALID);
    for (std::size_t i = line.size(); i > 0; --i) {
        const hb_script_t s = scriptof(line[i - 1]);
        after[i - 1] = isneutral(s) ? after[i] : s;
    }
    const bool linertl = after[0] != HB_SCRIPT_INVALID && isrighttoleft(after[0]);
    std::vector<Glyph> glyphs;
    glyphs.reserve(line.size());
    hb_script_t before = HB_SCRIPT_INVALID;
    TTF_Font* previous = nullptr;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char32_t c = line[i];
        hb_script_t s = scriptof(c);
        const bool neutral = isneutral(s);
        if (neutral)
            s = neutralscript(c, before, after[i + 1], linertl);
        else
            before = s;
        previous = fontfor(fonts, own, previous, c, neutral, bold, pixelsize);
        glyphs.push_back({c, previous, s});
    }
    return glyphs;
}

std::vector<Run> runsof(std::span<const Glyph> glyphs) {
    std::vector<Run> runs;
    for (const Glyph& g : glyphs) {
        if (runs.empty() || runs.back().font != g.font || runs.back().script != g.script)
            runs.push_back({g.font, g.script, {}});
        appendutf8(runs.back().text, g.c);
    }
    return runs;
}

// Sets a font's direction and script for one run and puts the defaults back afterwards, since
// the font is shared with every other text drawn in it.
class Shaping {
  public:
    Shaping(TTF_Font* font, hb_script_t script) : font_(font) {
        std::array<char, 5> tag{};
        hb_tag_to_string(hb_script_to_iso15924_tag(script), tag.data());
        // Without HarfBuzz in SDL_ttf these fail and the run is drawn unshaped.
        TTF_SetFontDirection(font, isrighttoleft(script) ? TTF_DIRECTION_RTL : TTF_DIRECTION_LTR);
        // Plain scripts are drawn as the label's own text is, without a script of their own.
        if (!isplainscript(script)) TTF_SetFontScriptName(font, tag.data());
    }
    ~Shaping() noexcept {
        TTF_SetFontDirection(font_, TTF_DIRECTION_LTR);
        TTF_SetFontScriptName(font_, "Zzzz");
    }
    Shaping(const Shaping&) = delete;
    Shaping& operator=(const Shaping&) = delete;

  private:
    TTF_Font* font_;
};

int widthof(std::span<const Glyph> glyphs) {
    int total = 0;
    for (const Run& run : runsof(glyphs)) {
        Shaping shaping(run.font, run.script);
        int w = 0, h = 0;
        if (TTF_SizeUTF8(run.font, run.text.c_str(), &w, &h) == 0) total += w;
    }
    return total;
}

// Line breaks at blanks: each line takes as many words as fit in `wrap` (at least one).
std::vector<std::span<const Glyph>> wrapline(std::span<const Glyph> glyphs, int wrap) {
    std::vector<std::span<const Glyph>> lines;
    std::size_t start = 0, end = 0;
    int width = 0;
    while (end < glyphs.size()) {
        std::size_t word = end;
        while (word < glyphs.size() && glyphs[word].c == U' ') ++word;
        while (word < glyphs.size() && glyphs[word].c != U' ') ++word;
        const int extra = widthof(glyphs.subspan(end, word - end));
        if (end > start && width + extra > wrap) {
            lines.push_back(glyphs.subspan(start, end - start));
            while (end < glyphs.size() && glyphs[end].c == U' ') ++end;  // blanks at a break go
            start = end;
            width = 0;
            continue;
        }
        width += extra;
        end = word;
    }
    lines.push_back(glyphs.subspan(start, end - start));
    return lines;
}

// One line drawn: its runs in the order they are seen, on the baseline of the label's own font,
// so that a row drawn partly by a fallback font (whose ascent is often taller: CJK fonts) sits
// exactly where a row in the label's font alone sits. Ink of a run above that ascent is cut.
struct DrawnLine {
    std::vector<SdlSurface> pieces;
    std::vector<int> ascents;
    int width = 0, ascent = 0, descent = 0;
};

DrawnLine drawline(std::span<const Glyph> glyphs, SDL_Color fg, TTF_Font* own) {
    DrawnLine line;
    line.ascent = TTF_FontAscent(own);
    line.descent = TTF_FontHeight(own) - line.ascent;
    std::vector<Run> runs = runsof(glyphs);
    auto strong = std::find_if(glyphs.begin(), glyphs.end(),
                               [](const Glyph& g) { return !isneutral(g.script); });
    if (strong != glyphs.end() && isrighttoleft(strong->script))
        std::reverse(runs.begin(), runs.end());
    for (const Run& run : runs) {
        Shaping shaping(run.font, run.script);
        SdlSurface piece(TTF_RenderUTF8_Blended(run.font, run.text.c_str(), fg));
        if (!piece) continue;
        const int ascent = TTF_FontAscent(run.font);
        line.descent = std::max(line.descent, piece->h - ascent);
        line.width += piece->w;
        line.ascents.push_back(ascent);
        line.pieces.push_back(std::move(piece));
    }
    return line;
}

int alignedx(Alignment align, int room, int width) {
    if (align == Alignment::Right) return room - width;
    if (align == Alignment::Center) return (room - width) / 2;
    return 0;
}

// The lines stacked, each on its baseline, onto a surface of the text's colour that is fully
// transparent, so that blending the pieces on keeps their colour and alpha exactly.
SdlSurface compose(std::vector<DrawnLine>& lines, SDL_Color fg, int wrap, Alignment align,
                   int lineskip) {
    int width = lines.size() > 1 ? wrap : 0, height = 0;
    for (const DrawnLine& l : lines) {
        if (lines.size() == 1) width = l.width;
        height += std::max(lineskip, l.ascent + l.descent);
    }
    if (width <= 0 || height <= 0) return SdlSurface();
    SdlSurface out = makesurface(width, height);
    SDL_FillRect(out.get(), nullptr, SDL_MapRGBA(out->format, fg.r, fg.g, fg.b, 0));
    int y = 0;
    for (DrawnLine& l : lines) {
        int x = alignedx(align, width, l.width);
        for (std::size_t i = 0; i < l.pieces.size(); ++i) {
            SDL_Rect at{x, y + l.ascent - l.ascents[i], l.pieces[i]->w, l.pieces[i]->h};
            SDL_SetSurfaceBlendMode(l.pieces[i].get(), SDL_BLENDMODE_BLEND);
            SDL_BlitSurface(l.pieces[i].get(), nullptr, out.get(), &at);
            x += l.pieces[i]->w;
        }
        y += std::max(lineskip, l.ascent + l.descent);
    }
    return out;
}

}  // namespace

bool needsfallback(TTF_Font* font, std::string_view text) {
    for (char32_t c : decode(text)) {
        if (iscontrol(c)) continue;
        if (!isplainscript(scriptof(c)) || !provides(font, c)) return true;
    }
    return false;
}

SdlSurface rendermixedtext(FontCache& fonts, TTF_Font* font, bool bold, int pixelsize,
                           std::string_view text, SDL_Color fg, int wrap, Alignment align) {
    std::vector<DrawnLine> lines;
    for (const std::u32string& paragraph : splitlines(decode(text))) {
        std::vector<Glyph> glyphs = assign(fonts, font, bold, pixelsize, paragraph);
        for (std::span<const Glyph> line : wrapline(glyphs, wrap))
            lines.push_back(drawline(line, fg, font));
    }
    return compose(lines, fg, wrap, align, TTF_FontLineSkip(font));
}

}  // namespace tunedeck
