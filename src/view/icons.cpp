#include "view/icons.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace tunedeck {
namespace {

// A shape as an inside test in the icon's unit square (x right, y down, 0..1).
using Shape = std::function<bool(double x, double y)>;

struct Colour {
    float r, g, b, a;
};

// An RGBA canvas painted with antialiased shapes (4 x 4 samples per pixel).
class Canvas {
  public:
    explicit Canvas(int side) : side_(side), px_(static_cast<std::size_t>(side * side)) {}

    void paint(const Shape& inside, Colour c, double dx = 0, double dy = 0) {
        constexpr int kSub = 4;
        for (int y = 0; y < side_; ++y)
            for (int x = 0; x < side_; ++x) {
                int hits = 0;
                for (int sy = 0; sy < kSub; ++sy)
                    for (int sx = 0; sx < kSub; ++sx)
                        hits += inside((x + (sx + 0.5) / kSub) / side_ - dx,
                                       (y + (sy + 0.5) / kSub) / side_ - dy);
                if (hits)
                    over(px_[static_cast<std::size_t>(y * side_ + x)], c,
                         c.a * hits / (kSub * kSub));
            }
    }

    PictureRef picture() const {
        SdlSurface s = makesurface(side_, side_);
        auto* out = static_cast<uint32_t*>(s->pixels);
        const int stride = s->pitch / 4;
        for (int y = 0; y < side_; ++y)
            for (int x = 0; x < side_; ++x) {
                const Colour& c = px_[static_cast<std::size_t>(y * side_ + x)];
                auto byte = [](float v) { return static_cast<uint32_t>(std::lround(v * 255)); };
                // Stored premultiplied; the surface wants straight alpha.
                float a = c.a > 0 ? c.a : 1;
                out[y * stride + x] =
                    byte(c.a) << 24 | byte(c.r / a) << 16 | byte(c.g / a) << 8 | byte(c.b / a);
            }
        SDL_SetSurfaceBlendMode(s.get(), SDL_BLENDMODE_BLEND);
        return std::make_shared<const Picture>(std::move(s));
    }

  private:
    static void over(Colour& d, Colour c, float a) {
        d.r = c.r * a + d.r * (1 - a);
        d.g = c.g * a + d.g * (1 - a);
        d.b = c.b * a + d.b * (1 - a);
        d.a = a + d.a * (1 - a);
    }

    int side_;
    std::vector<Colour> px_;  // premultiplied
};

constexpr Colour rgb(int r, int g, int b, float a = 1) {
    return {r / 255.f, g / 255.f, b / 255.f, a};
}
constexpr Colour kShadow = {0, 0, 0, 0.45f};
constexpr double kShadowOffset = 0.035;

Shape roundrect(double x0, double y0, double x1, double y1, double r) {
    return [=](double x, double y) {
        if (x < x0 || x > x1 || y < y0 || y > y1) return false;
        double cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    };
}

// An ellipse with radii a, b turned by `angle` radians.
Shape ellipse(double cx, double cy, double a, double b, double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    return [=](double x, double y) {
        double u = (x - cx) * c + (y - cy) * s, v = -(x - cx) * s + (y - cy) * c;
        return u * u / (a * a) + v * v / (b * b) <= 1;
    };
}

// A quadrilateral given by its corners in order (convex).
Shape quad(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3) {
    return [=](double x, double y) {
        auto side = [&](double ax, double ay, double bx, double by) {
            return (bx - ax) * (y - ay) - (by - ay) * (x - ax) >= 0;
        };
        bool s0 = side(x0, y0, x1, y1), s1 = side(x1, y1, x2, y2);
        bool s2 = side(x2, y2, x3, y3), s3 = side(x3, y3, x0, y0);
        return s0 == s1 && s1 == s2 && s2 == s3;
    };
}

Shape either(std::vector<Shape> parts) {
    return [parts = std::move(parts)](double x, double y) {
        return std::any_of(parts.begin(), parts.end(), [&](const Shape& s) { return s(x, y); });
    };
}

// Two beamed eighth notes filling the box (x, y, size).
Shape notes(double ox, double oy, double k) {
    auto px = [=](double v) { return ox + v * k; };
    auto py = [=](double v) { return oy + v * k; };
    return either({
        ellipse(px(0.27), py(0.76), 0.15 * k, 0.11 * k, -0.35),
        ellipse(px(0.73), py(0.66), 0.15 * k, 0.11 * k, -0.35),
        quad(px(0.35), py(0.18), px(0.42), py(0.18), px(0.42), py(0.76), px(0.35), py(0.76)),
        quad(px(0.81), py(0.08), px(0.88), py(0.08), px(0.88), py(0.66), px(0.81), py(0.66)),
        quad(px(0.35), py(0.18), px(0.88), py(0.08), px(0.88), py(0.22), px(0.35), py(0.32)),
    });
}

void drawmusic(Canvas& c) {
    Shape s = notes(0.06, 0.06, 0.88);
    c.paint(s, kShadow, kShadowOffset, kShadowOffset);
    c.paint(s, rgb(235, 244, 255));
}

void drawqueued(Canvas& c) {
    Shape badge = roundrect(0.04, 0.04, 0.96, 0.96, 0.2);
    c.paint(badge, kShadow, kShadowOffset, kShadowOffset);
    c.paint(badge, rgb(40, 190, 90));
    c.paint(notes(0.17, 0.17, 0.66), rgb(255, 255, 255));
}

void drawplaylist(Canvas& c) {
    Shape page = either({quad(0.14, 0.04, 0.66, 0.04, 0.86, 0.24, 0.14, 0.24),
                         roundrect(0.14, 0.04, 0.86, 0.96, 0.06)});
    Shape sheet = [=](double x, double y) {
        return page(x, y) && !(x > 0.66 && y < 0.24 && x - 0.66 > y - 0.04);
    };
    c.paint(sheet, kShadow, kShadowOffset, kShadowOffset);
    c.paint(sheet, rgb(255, 236, 200));
    c.paint(quad(0.66, 0.04, 0.86, 0.24, 0.66, 0.24, 0.66, 0.24), rgb(225, 160, 80));
    for (double y : {0.36, 0.54, 0.72}) {
        c.paint(roundrect(0.24, y, 0.34, y + 0.1, 0.05), rgb(230, 100, 30));
        c.paint(roundrect(0.40, y + 0.015, 0.76, y + 0.085, 0.035), rgb(230, 100, 30));
    }
}

void drawfolder(Canvas& c) {
    Shape back =
        either({roundrect(0.04, 0.12, 0.44, 0.3, 0.05), roundrect(0.04, 0.2, 0.96, 0.88, 0.06)});
    Shape front = roundrect(0.04, 0.32, 0.96, 0.88, 0.06);
    c.paint(back, kShadow, kShadowOffset, kShadowOffset);
    c.paint(back, rgb(214, 150, 30));
    c.paint(front, rgb(255, 200, 70));
    c.paint(roundrect(0.04, 0.32, 0.96, 0.37, 0.02), rgb(255, 226, 140));
}

}  // namespace

PictureRef drawicon(IconKind kind, int sizepx) {
    Canvas canvas(std::max(sizepx, 8));
    switch (kind) {
        case IconKind::Music:
            drawmusic(canvas);
            break;
        case IconKind::Queued:
            drawqueued(canvas);
            break;
        case IconKind::Playlist:
            drawplaylist(canvas);
            break;
        case IconKind::Folder:
            drawfolder(canvas);
            break;
    }
    return canvas.picture();
}

}  // namespace tunedeck
