#include "platform/screen/draw.h"

#include "platform/screen/textrender.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tunedeck {
namespace {

void setcolour(SDL_Renderer* r, uint32_t c) {
    SDL_SetRenderDrawColor(r, redof(c), greenof(c), blueof(c), 255);
}

// Narrows the drawing to `box` within the region; false when nothing of it is left.
bool clipto(const DrawContext& dc, const SDL_Rect& box) {
    SDL_Rect clip;
    if (!SDL_IntersectRect(&box, &dc.region, &clip)) return false;
    SDL_RenderSetClipRect(dc.renderer, &clip);
    return true;
}

void unclip(const DrawContext& dc) {
    SDL_RenderSetClipRect(dc.renderer, &dc.region);
}

std::string textkey(const ElementProps& e, int fontpx, int wrap) {
    return e.caption + '\x1f' + e.font.name + '\x1f' + std::to_string(fontpx) + '\x1f' +
           (e.font.bold ? "b" : "r") + std::to_string(e.forecolor) + '\x1f' + std::to_string(wrap) +
           '\x1f' + std::to_string(static_cast<int>(e.alignment));
}

int wrappedalign(Alignment a) {
    switch (a) {
        case Alignment::Right:
            return TTF_WRAPPED_ALIGN_RIGHT;
        case Alignment::Center:
            return TTF_WRAPPED_ALIGN_CENTER;
        case Alignment::Left:
            break;
    }
    return TTF_WRAPPED_ALIGN_LEFT;
}

// CR LF, CR alone and LF alone each end one line; the font library breaks at CR and at LF.
std::string singlebreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out.push_back(text[i]);
            continue;
        }
        out.push_back('\n');
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    return out;
}

// A text that fits on one line gets a surface just as wide as the text; the wrapping
// renderer would make it as wide as the box, which costs a blend of the whole box per frame.
SDL_Surface* textsurface(TTF_Font* font, const std::string& text, SDL_Color fg, int wrap) {
    int w = 0, h = 0;
    if (text.find('\n') == std::string::npos && TTF_SizeUTF8(font, text.c_str(), &w, &h) == 0 &&
        w <= wrap)
        return TTF_RenderUTF8_Blended(font, text.c_str(), fg);
    return TTF_RenderUTF8_Blended_Wrapped(font, text.c_str(), fg, static_cast<Uint32>(wrap));
}

// Where a label's text lands, before the box cuts it.
SDL_Rect textplace(const SDL_Rect& box, SDL_Texture* text, Alignment alignment) {
    int tw = 0, th = 0;
    SDL_QueryTexture(text, nullptr, nullptr, &tw, &th);
    SDL_Rect dest{box.x, box.y, tw, th};
    if (alignment == Alignment::Right) dest.x = box.x + box.w - tw;
    if (alignment == Alignment::Center) dest.x = box.x + (box.w - tw) / 2;
    return dest;
}

void drawlabel(DrawContext& dc, const Element& e) {
    SDL_Rect box = pixelbox(dc.scale, e);
    if (box.w <= 0 || box.h <= 0) return;
    if (e.opaque) {
        setcolour(dc.renderer, e.backcolor);
        SDL_RenderFillRect(dc.renderer, &box);
    }
    SDL_Texture* text = labeltexture(dc, e);
    if (!text) return;
    const SDL_Rect dest = textplace(box, text, e.alignment);
    // Lines that do not fit the box are cut off at its edge.
    if (!clipto(dc, box)) return;
    SDL_RenderCopy(dc.renderer, text, nullptr, &dest);
    unclip(dc);
}

SDL_Rect imageplace(const Scale& scale, const Element& e) {
    SDL_Rect dest = pixelbox(scale, e);
    if (!e.stretch) {
        dest.w = e.picture->width();
        dest.h = e.picture->height();
    }
    return dest;
}

void drawimage(DrawContext& dc, const Element& e) {
    if (!e.picture) return;
    ElementCache& c = e.cache;
    if (!c.image || c.imagesource != e.picture.get()) {
        c.image = SdlTexture(SDL_CreateTextureFromSurface(dc.renderer, e.picture->surface()));
        c.imagesource = e.picture.get();
        if (!c.image) return;
        SDL_SetTextureBlendMode(c.image.get(), SDL_BLENDMODE_BLEND);
    }
    const SDL_Rect dest = imageplace(dc.scale, e);
    // Smooth scaling only where the picture is resized; an unscaled copy takes the fast path.
    bool resized = dest.w != e.picture->width() || dest.h != e.picture->height();
    SDL_SetTextureScaleMode(c.image.get(), resized ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    SDL_RenderCopy(dc.renderer, c.image.get(), nullptr, &dest);
}

// Horizontal inset of a rounded rectangle's row `y` (0..h-1) for corner radius `r`.
int cornerinset(int y, int h, int r) {
    int dy = 0;
    if (y < r)
        dy = r - y;
    else if (y >= h - r)
        dy = y - (h - r - 1);
    if (dy == 0) return 0;
    double inside = std::sqrt(std::max(0.0, static_cast<double>(r) * r - (dy - 0.5) * (dy - 0.5)));
    return r - static_cast<int>(std::lround(inside));
}

// Spans of a (rounded) rectangle, one per row: x from, x to (exclusive).
std::vector<std::pair<int, int>> shapespans(const SDL_Rect& b, int radius) {
    std::vector<std::pair<int, int>> spans(static_cast<std::size_t>(std::max(b.h, 0)));
    for (int y = 0; y < b.h; ++y) {
        int in = radius > 0 ? cornerinset(y, b.h, radius) : 0;
        spans[static_cast<std::size_t>(y)] = {b.x + in, b.x + b.w - in};
    }
    return spans;
}

void fillspans(SDL_Renderer* r, const SDL_Rect& b, const std::vector<std::pair<int, int>>& spans) {
    std::vector<SDL_Rect> rows;
    rows.reserve(spans.size());
    for (std::size_t y = 0; y < spans.size(); ++y)
        if (spans[y].second > spans[y].first)
            rows.push_back(
                {spans[y].first, b.y + static_cast<int>(y), spans[y].second - spans[y].first, 1});
    SDL_RenderFillRects(r, rows.data(), static_cast<int>(rows.size()));
}

constexpr int kHatchSpacing = 8;

int hatchphase(int v) {
    return ((v % kHatchSpacing) + kHatchSpacing) % kHatchSpacing;
}

// The hatch written straight into the frame, row by row: both families of diagonal lines cross
// a row every kHatchSpacing pixels, at the same pixels as the lines drawn one by one.
void hatchpixels(const DrawContext& dc, const SDL_Rect& b, const SDL_Rect& clip, uint32_t colour) {
    SDL_Surface* s = dc.pixels;
    SDL_RenderFlush(dc.renderer);  // what was drawn before lies beneath
    if (SDL_LockSurface(s) != 0) return;
    const Uint32 pixel = SDL_MapRGB(s->format, redof(colour), greenof(colour), blueof(colour));
    for (int y = clip.y; y < clip.y + clip.h; ++y) {
        auto* row = reinterpret_cast<Uint32*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch);
        const int t = y - b.y;
        for (const int phase : {hatchphase(t - b.h), hatchphase(-t)}) {
            for (int x = clip.x + hatchphase(b.x + phase - clip.x); x < clip.x + clip.w;
                 x += kHatchSpacing)
                row[x] = pixel;
        }
    }
    SDL_UnlockSurface(s);
}

void drawhatch(const DrawContext& dc, const SDL_Rect& b, uint32_t colour) {
    SDL_Rect clip;
    if (!SDL_IntersectRect(&b, &dc.region, &clip)) return;
    if (dc.pixels != nullptr && dc.pixels->format->BytesPerPixel == 4) {
        const SDL_Rect frame{0, 0, dc.pixels->w, dc.pixels->h};
        if (SDL_IntersectRect(&clip, &frame, &clip)) hatchpixels(dc, b, clip, colour);
        return;
    }
    setcolour(dc.renderer, colour);
    SDL_RenderSetClipRect(dc.renderer, &clip);
    // Only the lines that cross the clip: a line starting at offset d covers columns d to
    // d + height of the box.
    const int from = std::max(-b.h, clip.x - b.x - b.h);
    const int to = std::min(b.w + b.h, clip.x + clip.w - b.x + 1);
    for (int d = -b.h + (from + b.h) / kHatchSpacing * kHatchSpacing; d < to; d += kHatchSpacing) {
        SDL_RenderDrawLine(dc.renderer, b.x + d, b.y, b.x + d + b.h, b.y + b.h);
        SDL_RenderDrawLine(dc.renderer, b.x + d, b.y + b.h, b.x + d + b.h, b.y);
    }
    unclip(dc);
}

// The border ring: each row of the outer shape minus the inner shape's span on that row.
void drawring(SDL_Renderer* r, const SDL_Rect& outer, int radius, const SDL_Rect& inner,
              int innerradius) {
    auto out = shapespans(outer, radius);
    auto in = shapespans(inner, innerradius);
    std::vector<SDL_Rect> rows;
    for (int y = 0; y < outer.h; ++y) {
        auto [a, b] = out[static_cast<std::size_t>(y)];
        int iy = outer.y + y - inner.y;
        if (iy < 0 || iy >= inner.h || inner.w <= 0) {
            rows.push_back({a, outer.y + y, b - a, 1});
            continue;
        }
        auto [c, d] = in[static_cast<std::size_t>(iy)];
        if (c > a) rows.push_back({a, outer.y + y, c - a, 1});
        if (b > d) rows.push_back({d, outer.y + y, b - d, 1});
    }
    SDL_RenderFillRects(r, rows.data(), static_cast<int>(rows.size()));
}

void drawshape(DrawContext& dc, const Element& e) {
    SDL_Rect box = pixelbox(dc.scale, e);
    if (box.w <= 0 || box.h <= 0) return;
    int radius = e.shape == ShapeKind::RoundedRectangle ? std::min(box.w, box.h) / 4 : 0;
    int bw = e.border ? std::max(e.borderwidth, 1) : 0;
    SDL_Rect inner{box.x + bw, box.y + bw, box.w - 2 * bw, box.h - 2 * bw};
    int innerradius = std::max(radius - bw, 0);
    if (inner.w > 0 && inner.h > 0) {
        if (e.fillstyle == FillStyle::Solid) {
            setcolour(dc.renderer, e.fillcolor);
            fillspans(dc.renderer, inner, shapespans(inner, innerradius));
        } else if (e.fillstyle == FillStyle::DiagonalCross) {
            drawhatch(dc, inner, e.fillcolor);
        }
    }
    if (bw > 0) {
        setcolour(dc.renderer, e.bordercolor);
        drawring(dc.renderer, box, radius, inner, innerradius);
    }
}

// The rectangle around a line's ends, widened by its width on every side.
SDL_Rect lineextent(const Scale& scale, const Element& e) {
    const int x1 = scale.px(e.x1), y1 = scale.px(e.y1), x2 = scale.px(e.x2), y2 = scale.px(e.y2);
    const int w = std::max(e.borderwidth, 1);
    return {std::min(x1, x2) - w, std::min(y1, y2) - w, std::abs(x2 - x1) + 2 * w + 1,
            std::abs(y2 - y1) + 2 * w + 1};
}

void drawline(DrawContext& dc, const Element& e) {
    int x1 = dc.scale.px(e.x1), y1 = dc.scale.px(e.y1);
    int x2 = dc.scale.px(e.x2), y2 = dc.scale.px(e.y2);
    int w = std::max(e.borderwidth, 1);
    setcolour(dc.renderer, e.bordercolor);
    if (y1 == y2 || x1 == x2) {
        SDL_Rect r{std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1), std::abs(y2 - y1)};
        if (y1 == y2) r.y -= w / 2, r.h = w;
        if (x1 == x2) r.x -= w / 2, r.w = w;
        if (x1 == x2 && y1 == y2) return;
        SDL_RenderFillRect(dc.renderer, &r);
        return;
    }
    for (int i = 0; i < w; ++i) SDL_RenderDrawLine(dc.renderer, x1 + i, y1, x2 + i, y2);
}

}  // namespace

SDL_Rect pixelbox(const Scale& scale, const ElementProps& e) {
    int x = scale.px(e.left), y = scale.px(e.top);
    return {x, y, scale.px(static_cast<double>(e.left) + e.width) - x,
            scale.px(static_cast<double>(e.top) + e.height) - y};
}

SDL_Texture* labeltexture(DrawContext& dc, const Element& e) {
    SDL_Rect box = pixelbox(dc.scale, e);
    if (e.caption.empty() || box.w <= 0) return nullptr;
    int fontpx = dc.scale.fontpx(e.font.size);
    std::string key = textkey(e, fontpx, box.w);
    ElementCache& c = e.cache;
    if (c.text && c.textkey == key) return c.text.get();
    c.text = SdlTexture();
    c.textkey = key;
    TTF_Font* font = dc.fonts.font(e.font, fontpx);
    if (!font) return nullptr;
    TTF_SetFontWrappedAlign(font, wrappedalign(e.alignment));
    SDL_Color fg{redof(e.forecolor), greenof(e.forecolor), blueof(e.forecolor), 255};
    // Names in scripts the label's font lacks or must shape take the slower, run-by-run way,
    // which ends lines at CR LF, CR and LF itself.
    SdlSurface s = needsfallback(font, e.caption)
                       ? rendermixedtext(dc.fonts, font, e.font.bold, fontpx, e.caption, fg, box.w,
                                         e.alignment)
                       : SdlSurface(textsurface(font, singlebreaks(e.caption), fg, box.w));
    if (!s) return nullptr;
    c.text = SdlTexture(SDL_CreateTextureFromSurface(dc.renderer, s.get()));
    return c.text.get();
}

SDL_Rect drawnextent(DrawContext& dc, const Element& e) {
    if (!e.visible) return {0, 0, 0, 0};
    switch (e.kind) {
        case ElementKind::Label: {
            const SDL_Rect box = pixelbox(dc.scale, e);
            if (box.w <= 0 || box.h <= 0) return {0, 0, 0, 0};
            if (e.opaque) return box;
            SDL_Texture* text = labeltexture(dc, e);
            if (!text) return {0, 0, 0, 0};
            const SDL_Rect dest = textplace(box, text, e.alignment);
            SDL_Rect shown{0, 0, 0, 0};
            SDL_IntersectRect(&box, &dest, &shown);
            return shown;
        }
        case ElementKind::Image:
            return e.picture ? imageplace(dc.scale, e) : SDL_Rect{0, 0, 0, 0};
        case ElementKind::Shape:
            return pixelbox(dc.scale, e);
        case ElementKind::Line:
            return lineextent(dc.scale, e);
    }
    return {0, 0, 0, 0};
}

void drawelement(DrawContext& dc, const Element& e) {
    if (!e.visible) return;
    switch (e.kind) {
        case ElementKind::Label:
            drawlabel(dc, e);
            break;
        case ElementKind::Image:
            drawimage(dc, e);
            break;
        case ElementKind::Shape:
            drawshape(dc, e);
            break;
        case ElementKind::Line:
            drawline(dc, e);
            break;
    }
}

}  // namespace tunedeck
