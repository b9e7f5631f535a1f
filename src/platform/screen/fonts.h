// Fonts by family name, found through fontconfig (a family that is not installed falls back to
// the closest installed sans font) and opened at a pixel size. Opened fonts are kept for reuse.
// UI thread only.
#pragma once

#include <map>
#include <string>
#include <tuple>

#include "platform/screen/element.h"
#include "platform/screen/handles.h"

namespace tunedeck {

// Path of the font file fontconfig matches for a family and weight; empty when none.
std::string matchfontfile(const std::string& family, bool bold);

class FontCache {
  public:
    // The font for a spec at a pixel size, or null when no font file could be opened.
    TTF_Font* font(const FontSpec& spec, int pixelsize);

  private:
    std::map<std::pair<std::string, bool>, std::string> files_;
    std::map<std::tuple<std::string, bool, int>, TtfFont> fonts_;
};

}  // namespace tunedeck
