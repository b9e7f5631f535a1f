#include <algorithm>
#include <cmath>
#include <cstdint>

#include "view/view.h"

namespace tunedeck {
namespace {

struct Components {
    int64_t r = 0, g = 0, b = 0;
};

Components split(uint32_t colour) {
    Components c;
    c.b = colour / 65536;
    c.g = (colour - c.b * 65536) / 256;
    c.r = colour - c.b * 65536 - c.g * 256;
    return c;
}

// Extents beyond the 16-bit range count as 0, which paints nothing.
int32_t to16(int32_t v) {
    return v < INT16_MIN || v > INT16_MAX ? 0 : v;
}

int32_t nearest(double x) {
    return static_cast<int32_t>(std::nearbyint(x));
}

// Colour change per band; a zero extent gives no change instead of a division by zero.
float step(int64_t from, int64_t to, int32_t extent) {
    if (extent - 60 == 0) return 0.0f;
    return static_cast<float>(static_cast<double>(to - from) / (extent - 60) * 15);
}

int channel(float v) {
    return std::clamp(nearest(v), 0, 255);
}

}  // namespace

void rendergradient(BackgroundImage& surface, int32_t width, int32_t height, uint32_t color1,
                    uint32_t color2, int16_t direction) {
    if (direction != 0 && direction != 1) return;
    Components c1 = split(color1), c2 = split(color2);
    int32_t w = to16(width), h = to16(height);
    float r = static_cast<float>(c1.r), g = static_cast<float>(c1.g), b = static_cast<float>(c1.b);
    int32_t extent = direction == 0 ? w : h;
    float sr = step(c1.r, c2.r, extent), sg = step(c1.g, c2.g, extent),
          sb = step(c1.b, c2.b, extent);
    PixelRect band = direction == 0 ? PixelRect{0, 0, 3, nearest(h / 15.0 - 2)}
                                    : PixelRect{0, 0, nearest(w / 15.0 - 2), 3};
    int32_t n = nearest(extent / 15.0 - 5);
    for (int32_t i = 0; i <= n; ++i) {
        surface.fillrect(band, rgbword(channel(r), channel(g), channel(b)));
        r += sr;
        g += sg;
        b += sb;
        if (direction == 0) {
            ++band.left;
            ++band.right;
        } else {
            ++band.top;
            ++band.bottom;
        }
    }
}

}  // namespace tunedeck
