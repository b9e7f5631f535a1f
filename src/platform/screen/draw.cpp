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

void drawlabel(DrawContext& dc, const Element& e) {
    SDL_Rect box = pixelbox(dc.scale, e);
    if (box.w <= 0 || box.h <= 0) return;
    if (e.opaque) {
        setcolour(dc.renderer, e.backcolor);
        SDL_RenderFillRect(dc.renderer, &box);
    }
    SDL_Texture* text = labeltexture(dc, e);
    if (!text) return;
    int tw = 0, th = 0;
    SDL_QueryTexture(text, nullptr, nullptr, &tw, &th);
    SDL_Rect dest{box.x, box.y, tw, th};
    if (e.alignment == Alignment::Right) dest.x = box.x + box.w - tw;
    if (e.alignment == Alignment::Center) dest.x = box.x + (box.w - tw) / 2;
    // Lines that do not fit the box are cut off at its edge.
    SDL_RenderSetClipRect(dc.renderer, &box);
    SDL_RenderCopy(dc.renderer, text, nullptr, &dest);
    SDL_RenderSetClipRect(dc.renderer, nullptr);
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
    SDL_Rect dest = pixelbox(dc.scale, e);
    if (!e.stretch) {
        dest.w = e.picture->width();
        dest.h = e.picture->height();
    }
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

void drawhatch(SDL_Renderer* r, const SDL_Rect& b) {
    constexpr int kSpacing = 8;
    SDL_RenderSetClipRect(r, &b);
    for (int d = -b.h; d < b.w + b.h; d += kSpacing) {
        SDL_RenderDrawLine(r, b.x + d, b.y, b.x + d + b.h, b.y + b.h);
        SDL_RenderDrawLine(r, b.x + d, b.y + b.h, b.x + d + b.h, b.y);
    }
    SDL_RenderSetClipRect(r, nullptr);
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
            setcolour(dc.renderer, e.fillcolor);
            drawhatch(dc.renderer, inner);
        }
    }
    if (bw > 0) {
        setcolour(dc.renderer, e.bordercolor);
        drawring(dc.renderer, box, radius, inner, innerradius);
    }
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
