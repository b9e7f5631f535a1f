// Screen units. Geometry is designed in twips; the twips-per-pixel factor scales with the
// display height so that the designed layout fills any display: 15 on a display 768 pixels
// high, 7.5 at 1536, and so on. Colours are RGB words R + 256*G + 65536*B.
#pragma once

#include <cmath>
#include <cstdint>

namespace tunedeck {

inline constexpr double kDesignHeightPx = 768.0;
inline constexpr double kDesignTwipsPerPixel = 15.0;
inline constexpr double kTwipsPerPoint = 20.0;

inline double twipsperpixelfor(int heightpx) {
    return heightpx > 0 ? kDesignTwipsPerPixel * kDesignHeightPx / heightpx : kDesignTwipsPerPixel;
}

inline constexpr uint32_t rgbword(int r, int g, int b) {
    return static_cast<uint32_t>(r & 255) | static_cast<uint32_t>(g & 255) << 8 |
           static_cast<uint32_t>(b & 255) << 16;
}
inline constexpr uint8_t redof(uint32_t c) {
    return c & 255;
}
inline constexpr uint8_t greenof(uint32_t c) {
    return (c >> 8) & 255;
}
inline constexpr uint8_t blueof(uint32_t c) {
    return (c >> 16) & 255;
}

// Twips-per-pixel factor of one screen, with conversions. Pixel edges are rounded, so
// adjacent boxes in twips stay adjacent in pixels.
struct Scale {
    double tpp = kDesignTwipsPerPixel;

    int px(double twips) const { return static_cast<int>(std::lround(twips / tpp)); }
    int32_t twips(double px) const { return static_cast<int32_t>(std::lround(px * tpp)); }
    // Pixel size of a font given in points (1 pt = 20 twips), at least 1.
    int fontpx(double points) const {
        int p = px(points * kTwipsPerPoint);
        return p < 1 ? 1 : p;
    }
};

}  // namespace tunedeck
