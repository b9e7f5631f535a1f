// The colour of a pixel of a captured frame, as the screen's 0xRRGGBB words.
#pragma once

#include <SDL.h>

#include "platform/screen/units.h"

namespace tunedeck {

inline uint32_t pixelat(SDL_Surface* s, int x, int y) {
    Uint8 r, g, b;
    SDL_GetRGB(static_cast<const Uint32*>(s->pixels)[y * (s->pitch / 4) + x], s->format, &r, &g,
               &b);
    return rgbword(r, g, b);
}

}  // namespace tunedeck
