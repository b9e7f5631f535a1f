#include "platform/screen/background.h"

#include <algorithm>

#include "platform/screen/units.h"

namespace tunedeck {

BackgroundImage::BackgroundImage(int width, int height, uint32_t colour)
    : surface_(makesurface(std::max(width, 1), std::max(height, 1))) {
    clear(colour);
}

bool BackgroundImage::fillrect(const PixelRect& rect, uint32_t colour) {
    int32_t l = std::max<int32_t>(rect.left, 0), t = std::max<int32_t>(rect.top, 0);
    int32_t r = std::min<int32_t>(rect.right, width()),
            b = std::min<int32_t>(rect.bottom, height());
    if (l >= r || t >= b) return false;
    SDL_Rect area{l, t, r - l, b - t};
    Uint32 pixel = SDL_MapRGB(surface_->format, redof(colour), greenof(colour), blueof(colour));
    SDL_FillRect(surface_.get(), &area, pixel);  // cannot fail on a clipped software surface
    ++version_;
    return true;
}

void BackgroundImage::clear(uint32_t colour) {
    fillrect({0, 0, width(), height()}, colour);
}

uint32_t BackgroundImage::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    auto* row = static_cast<const uint8_t*>(surface_->pixels) + y * surface_->pitch;
    Uint32 value = reinterpret_cast<const Uint32*>(row)[x];
    Uint8 r, g, b;
    SDL_GetRGB(value, surface_->format, &r, &g, &b);
    return rgbword(r, g, b);
}

}  // namespace tunedeck
