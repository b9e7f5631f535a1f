// Drawing one element with an SDL renderer. Internal to the screen.
#pragma once

#include "platform/screen/element.h"
#include "platform/screen/fonts.h"
#include "platform/screen/units.h"

namespace tunedeck {

struct DrawContext {
    SDL_Renderer* renderer;
    Scale scale;
    FontCache& fonts;
    // The part of the frame being drawn; nothing is drawn outside it.
    SDL_Rect region{0, 0, 0, 0};
    // The frame's own pixels when the renderer draws into them (the software renderer), for
    // patterns cheaper to write directly; null otherwise.
    SDL_Surface* pixels = nullptr;
};

// The element's box in pixels.
SDL_Rect pixelbox(const Scale& scale, const ElementProps& e);

// The pixels drawing the element would touch (empty when it is hidden or shows nothing).
SDL_Rect drawnextent(DrawContext& dc, const Element& e);

// The label's text as a texture, from its cache when caption and font are unchanged.
// Null when there is no text to show or no font.
SDL_Texture* labeltexture(DrawContext& dc, const Element& label);

void drawelement(DrawContext& dc, const Element& e);

}  // namespace tunedeck
