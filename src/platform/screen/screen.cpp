#include "platform/screen/screen.h"

#include <SDL_image.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "platform/screen/damage.h"
#include "platform/screen/draw.h"

namespace tunedeck {

void Stacking::remove(const Element* e) {
    std::erase(order_, e);
}

void Stacking::tofront(const Element* e) {
    auto it = std::find(order_.begin(), order_.end(), e);
    if (it == order_.end()) return;
    std::rotate(it, it + 1, order_.end());
}

namespace {

SDL_DisplayMode desktopmode() {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) throw SdlError("SDL_GetDesktopDisplayMode");
    return mode;
}

// Whether a window manager that follows the freedesktop hints runs on the window's X display
// (it names its check window on the root). A television box often runs X alone: nobody then
// answers a request for full screen, SDL waits 100 ms for the answer at every show, and a
// borderless window as large as the display is all full screen would give. Any other video
// system, or an X display that cannot be asked, counts as managed.
bool windowmanaged(SDL_Window* window) {
    SDL_SysWMinfo info{};
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return true;
    Display* display = info.info.x11.display;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* value = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                          XA_WINDOW, &type, &format, &count, &after, &value);
    const bool named = status == Success && type == XA_WINDOW && count == 1;
    if (value != nullptr) XFree(value);
    return named;
}

// A remote control sends keys only; the pointer and its events would only get in the way.
void ignoremouse() {
    SDL_ShowCursor(SDL_DISABLE);
    for (Uint32 type : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP, SDL_MOUSEWHEEL})
        SDL_EventState(type, SDL_IGNORE);
}

// SDL's software renderer draws into the window's own pixels, which stay as drawn; the window
// then shows the changed rectangles only.
bool drawsinsoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    return SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
}

// A resized picture is resampled from where a clip cuts it, and a slanted line is stepped
// from there: either would differ by a pixel from the same element drawn uncut.
bool clipsunevenly(const Scale& scale, const Element& e) {
    if (!e.visible) return false;
    if (e.kind == ElementKind::Line) return e.x1 != e.x2 && e.y1 != e.y2;
    if (e.kind != ElementKind::Image || !e.picture || !e.stretch) return false;
    const SDL_Rect box = pixelbox(scale, e);
    return box.w != e.picture->width() || box.h != e.picture->height();
}

// The screen changes a few times a second at most and the software renderer draws a whole page
// in a few milliseconds, so it is the default, drawing straight into the window's own
// framebuffer: a GL context costs far more memory and start-up time than it saves (with a
// software GL stack, over 150 MB and 200 ms). SDL_RENDER_DRIVER and
// SDL_FRAMEBUFFER_ACCELERATION in the environment still choose otherwise.
SdlRenderer windowrenderer(SDL_Window* window) {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SdlRenderer r(SDL_CreateRenderer(window, -1, 0));
    if (!r) r = SdlRenderer(SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE));
    if (!r) throw SdlError("SDL_CreateRenderer");
    return r;
}

}  // namespace

Screen::Screen(int widthpx, int heightpx, bool withwindow)
    : ttf_(startttf()),
      image_(startimage()),
      fonts_(std::make_unique<FontCache>()),
      stacking_(std::make_unique<Stacking>()) {
    if (withwindow) {
        video_ = startsdl(SDL_INIT_VIDEO);
        SDL_DisplayMode mode = desktopmode();
        window_ =
            SdlWindow(sdlcheck(SDL_CreateWindow("Tunedeck", SDL_WINDOWPOS_UNDEFINED_DISPLAY(0),
                                                SDL_WINDOWPOS_UNDEFINED_DISPLAY(0), mode.w, mode.h,
                                                SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS),
                               "SDL_CreateWindow"));
        // Asked while hidden, full screen is only noted for the window manager to act on; were
        // it refused, the borderless window as large as the display stays.
        if (windowmanaged(window_.get()))
            SDL_SetWindowFullscreen(window_.get(), SDL_WINDOW_FULLSCREEN_DESKTOP);
        renderer_ = windowrenderer(window_.get());
        keepsframe_ = drawsinsoftware(renderer_.get());
        if (SDL_GetRendererOutputSize(renderer_.get(), &widthpx, &heightpx) != 0)
            widthpx = mode.w, heightpx = mode.h;
        ignoremouse();
    } else {
        if (widthpx <= 0 || heightpx <= 0)
            throw std::invalid_argument("offscreen size must be positive");
        target_ = makesurface(widthpx, heightpx);
        renderer_ = SdlRenderer(
            sdlcheck(SDL_CreateSoftwareRenderer(target_.get()), "SDL_CreateSoftwareRenderer"));
    }
    widthpx_ = widthpx;
    heightpx_ = heightpx;
    scale_.tpp = twipsperpixelfor(heightpx);
    // The background image holds one pixel per 15 twips of the screen.
    background_ = std::make_unique<BackgroundImage>(static_cast<int>(width() / 15),
                                                    static_cast<int>(height() / 15), backcolor_);
    stretch_ = std::make_unique<BackgroundStretch>(background_->width(), background_->height(),
                                                   widthpx_, heightpx_);
}

Screen Screen::offscreen(int widthpx, int heightpx) {
    return Screen(widthpx, heightpx, false);
}
Screen Screen::window() {
    return Screen(0, 0, true);
}

Screen::Screen(Screen&&) noexcept = default;
Screen& Screen::operator=(Screen&&) noexcept = default;
Screen::~Screen() noexcept = default;

Element& Screen::add(const ElementProps& props) {
    auto e = std::make_unique<Element>(props);
    stacking_->add(e.get());
    elements_.push_back(std::move(e));
    return *elements_.back();
}

ElementArray& Screen::addarray(const ElementProps& templ) {
    arrays_.push_back(std::make_unique<ElementArray>(*stacking_, templ));
    return *arrays_.back();
}

void Screen::bringtofront(const Element& e) {
    stacking_->tofront(&e);
}

void Screen::setbackcolor(uint32_t colour) {
    backcolor_ = colour;
    background_->clear(colour);
}

void Screen::setpicture(Element& image, PictureRef picture) {
    if (!picture) return;
    if (!image.stretch) {
        image.width = scale_.twips(picture->width());
        image.height = scale_.twips(picture->height());
    }
    image.picture = std::move(picture);
}

DrawContext Screen::context() {
    SDL_Surface* pixels = target_.get();
    if (window_ && keepsframe_) pixels = SDL_GetWindowSurface(window_.get());
    return DrawContext{renderer_.get(), scale_, *fonts_, SDL_Rect{0, 0, widthpx_, heightpx_},
                       pixels};
}

// Where each element of the stacking draws now, bottom first.
std::vector<SDL_Rect> Screen::extents(DrawContext& dc) {
    const auto& order = stacking_->order();
    std::vector<SDL_Rect> out;
    out.reserve(order.size());
    for (const Element* e : order) out.push_back(drawnextent(dc, *e));
    return out;
}

std::optional<std::vector<SDL_Rect>> Screen::damage(const std::vector<SDL_Rect>& now) const {
    const SDL_Rect whole{0, 0, widthpx_, heightpx_};
    if (forced_ || shownbackground_ != background_->version()) return std::vector<SDL_Rect>{whole};
    Damage out(whole);
    bool changed = false;
    const auto& order = stacking_->order();
    std::unordered_map<const Element*, std::size_t> before;
    for (std::size_t i = 0; i < shown_.size(); ++i) before.emplace(shown_[i].element, i);
    const std::unordered_set<const Element*> present(order.begin(), order.end());
    for (const Shown& was : shown_) {
        if (present.count(was.element) != 0) continue;
        out.add(was.extent);  // gone since the last frame
        changed = true;
    }
    // Elements that stayed must keep their order among themselves; from the first that did
    // not, everything above it is drawn again, as the overlaps may have changed.
    std::size_t next = 0;  // the next element of the last frame that stayed
    bool moved = false;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto it = before.find(order[i]);
        if (it == before.end()) {
            out.add(now[i]);  // new since the last frame
            changed = true;
            continue;
        }
        while (next < shown_.size() && present.count(shown_[next].element) == 0) ++next;
        moved = moved || next >= shown_.size() || shown_[next].element != order[i];
        ++next;
        const Shown& was = shown_[it->second];
        if (moved || !(static_cast<const ElementProps&>(*order[i]) == was.props)) {
            out.add(was.extent);
            out.add(now[i]);
            changed = true;
        }
    }
    if (!changed) return std::nullopt;
    if (!keepsframe_) return std::vector<SDL_Rect>{whole};
    // What clipping would draw differently is drawn whole wherever a region reaches it.
    for (bool grew = true; grew;) {
        grew = false;
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (!clipsunevenly(scale_, *order[i]) || !out.cuts(now[i])) continue;
            out.add(now[i]);
            grew = true;
        }
    }
    return out.rects();
}

// Draws one region of the frame whole: the background, then every element reaching into it.
void Screen::drawregion(DrawContext& dc, const SDL_Rect& region, const std::vector<SDL_Rect>& now) {
    dc.region = region;
    SDL_RenderSetClipRect(renderer_.get(), &region);
    stretch_->paint(renderer_.get(), *background_, region);
    const auto& order = stacking_->order();
    for (std::size_t i = 0; i < order.size(); ++i)
        if (SDL_HasIntersection(&now[i], &region)) drawelement(dc, *order[i]);
    SDL_RenderSetClipRect(renderer_.get(), nullptr);
}

// Shows the regions drawn; false when the window could not take them (the next frame is then
// drawn whole).
bool Screen::present(const std::vector<SDL_Rect>& rects) {
    SDL_RenderFlush(renderer_.get());
    if (!window_) return true;
    if (!keepsframe_) {
        SDL_RenderPresent(renderer_.get());
        return true;
    }
    if (rects.empty()) return true;
    return SDL_UpdateWindowSurfaceRects(window_.get(), rects.data(),
                                        static_cast<int>(rects.size())) == 0;
}

void Screen::remember(const std::vector<SDL_Rect>& now) {
    const auto& order = stacking_->order();
    shown_.clear();
    shown_.reserve(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) shown_.push_back({order[i], *order[i], now[i]});
    shownbackground_ = background_->version();
    forced_ = false;
}

bool Screen::render() {
    DrawContext dc = context();
    const std::vector<SDL_Rect> now = extents(dc);
    const auto rects = damage(now);
    if (!rects) return false;
    for (const SDL_Rect& region : *rects) drawregion(dc, region, now);
    const bool shown = present(*rects);
    remember(now);
    forced_ = !shown;
    ++frames_;
    return true;
}

void Screen::show() {
    if (!window_) return;
    SDL_ShowWindow(window_.get());
    SDL_RaiseWindow(window_.get());
    invalidate();
}

uint32_t Screen::windowid() const {
    return window_ ? SDL_GetWindowID(window_.get()) : 0;
}

SdlSurface Screen::capture() {
    if (keepsframe_) {
        render();
    } else {  // the back buffer holds nothing once presented
        DrawContext dc = context();
        drawregion(dc, SDL_Rect{0, 0, widthpx_, heightpx_}, extents(dc));
    }
    SdlSurface out = makesurface(widthpx_, heightpx_);
    if (SDL_RenderReadPixels(renderer_.get(), nullptr, SDL_PIXELFORMAT_ARGB8888, out->pixels,
                             out->pitch) != 0)
        throw SdlError("SDL_RenderReadPixels");
    return out;
}

bool Screen::savepng(const std::filesystem::path& file) {
    SdlSurface frame = capture();
    return IMG_SavePNG(frame.get(), file.c_str()) == 0;
}

bool Screen::savepng(const std::filesystem::path& file, int widthpx, int heightpx) {
    if (widthpx <= 0 || heightpx <= 0) return false;
    SdlSurface frame = capture();
    if (widthpx == widthpx_ && heightpx == heightpx_)
        return IMG_SavePNG(frame.get(), file.c_str()) == 0;
    SdlSurface scaled = makesurface(widthpx, heightpx);
    if (SDL_SoftStretchLinear(frame.get(), nullptr, scaled.get(), nullptr) != 0) return false;
    return IMG_SavePNG(scaled.get(), file.c_str()) == 0;
}

int Screen::textheightpx(const Element& label) {
    DrawContext dc = context();
    SDL_Texture* t = labeltexture(dc, label);
    int h = 0;
    if (t) SDL_QueryTexture(t, nullptr, nullptr, nullptr, &h);
    return h;
}

}  // namespace tunedeck
