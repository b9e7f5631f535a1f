// Fonts by family name, found through fontconfig (a family that is not installed falls back to
// the closest installed sans font) and opened at a pixel size, and fallback fonts for the
// characters a family lacks. Opened fonts are kept for reuse.
// UI thread only.
#pragma once

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/lib/sdl/handles.h"
#include "platform/screen/element.h"

namespace tunedeck {

// A face in a font file (a collection such as a .ttc holds several).
struct FontFace {
    std::string file;  // empty: none
    int index = 0;
    auto operator<=>(const FontFace&) const = default;
};

// Path of the font file fontconfig matches for a family and weight; empty when none.
std::string matchfontfile(const std::string& family, bool bold);
// The sans face fontconfig finds that has character `c`; an empty file when none has it.
FontFace matchfontfor(char32_t c, bool bold);

class FontCache {
  public:
    // The font for a spec at a pixel size, or null when no font file could be opened.
    TTF_Font* font(const FontSpec& spec, int pixelsize);
    // A font at that size that has character `c`, for text whose own font lacks it: one of the
    // fallback faces found so far, else the one fontconfig finds. Null when no font has it.
    TTF_Font* fallback(char32_t c, bool bold, int pixelsize);

  private:
    TTF_Font* open(const FontFace& face, int pixelsize);

    std::map<std::pair<std::string, bool>, FontFace> faces_;
    std::map<std::pair<FontFace, int>, TtfFont> fonts_;
    std::vector<FontFace> fallbacks_[2];             // by bold, in the order found
    std::set<std::pair<char32_t, bool>> unmatched_;  // characters no installed font has
};

}  // namespace tunedeck
