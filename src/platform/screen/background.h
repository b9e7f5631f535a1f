// The persistent background image under every element: a software picture of
// (width / 15) x (height / 15) pixels of the screen's twips, stretched to the display.
// Drawing on it goes through solid rectangle fills.
#pragma once

#include <cstdint>

#include "platform/screen/handles.h"

namespace tunedeck {

// Rectangle in the image's pixels: left and top inclusive, right and bottom exclusive.
struct PixelRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class BackgroundImage {
  public:
    BackgroundImage(int width, int height, uint32_t colour);

    int width() const { return surface_->w; }
    int height() const { return surface_->h; }
    // Fills the part of `rect` inside the image with an RGB word; returns false when nothing
    // of it lies inside.
    bool fillrect(const PixelRect& rect, uint32_t colour);
    // Fills the whole image.
    void clear(uint32_t colour);
    // RGB word of one pixel (tests, screenshots).
    uint32_t pixel(int x, int y) const;
    // Changes with every drawing, so the screen knows when to stretch it again.
    uint64_t version() const { return version_; }
    SDL_Surface* surface() const { return surface_.get(); }

  private:
    SdlSurface surface_;
    uint64_t version_ = 0;
};

}  // namespace tunedeck
