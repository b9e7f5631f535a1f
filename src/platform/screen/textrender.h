// Text a label's own font cannot draw alone: characters the font lacks are drawn with fallback
// fonts that fontconfig finds for them, one run of characters at a time, and runs in scripts
// that need shaping (Arabic, Hebrew, Indic, ...) are shaped in their script and direction. A
// line whose first strong character is right-to-left lays its runs out from the right.
// UI thread only, like the font cache.
#pragma once

#include <string_view>

#include "platform/lib/sdl/handles.h"
#include "platform/screen/element.h"
#include "platform/screen/fonts.h"

namespace tunedeck {

// True when `font` alone cannot draw `text` as it should: a character it lacks, or a script
// that must be shaped.
bool needsfallback(TTF_Font* font, std::string_view text);

// The text in colour `fg`, broken at blanks into lines at most `wrap` pixels wide (CR LF, CR
// and LF each end a line), the lines aligned within `wrap`. A single line is only as wide as
// its text. Null when there is nothing to draw.
SdlSurface rendermixedtext(FontCache& fonts, TTF_Font* font, bool bold, int pixelsize,
                           std::string_view text, SDL_Color fg, int wrap, Alignment align);

}  // namespace tunedeck
