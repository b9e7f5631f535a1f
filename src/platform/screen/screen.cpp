#include "platform/screen/screen.h"

#include <SDL_image.h>

#include <algorithm>

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
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0)
        throw ScreenError(std::string("SDL_GetDesktopDisplayMode: ") + SDL_GetError());
    return mode;
}

// A remote control sends keys only; the pointer and its events would only get in the way.
void ignoremouse() {
    SDL_ShowCursor(SDL_DISABLE);
    for (Uint32 type : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP, SDL_MOUSEWHEEL})
        SDL_EventState(type, SDL_IGNORE);
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
    if (!r) throw ScreenError(std::string("SDL_CreateRenderer: ") + SDL_GetError());
    return r;
}

}  // namespace

Screen::Screen(int widthpx, int heightpx, bool withwindow)
    : ttf_(std::make_unique<TtfLibrary>()),
      image_(std::make_unique<ImageLibrary>()),
      fonts_(std::make_unique<FontCache>()),
      stacking_(std::make_unique<Stacking>()) {
    if (withwindow) {
        video_ = std::make_unique<SdlVideoLibrary>();
        SDL_DisplayMode mode = desktopmode();
        window_ =
            SdlWindow(sdlcheck(SDL_CreateWindow("Tunedeck", SDL_WINDOWPOS_UNDEFINED_DISPLAY(0),
                                                SDL_WINDOWPOS_UNDEFINED_DISPLAY(0), mode.w, mode.h,
                                                SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS |
                                                    SDL_WINDOW_FULLSCREEN_DESKTOP),
                               "SDL_CreateWindow"));
        renderer_ = windowrenderer(window_.get());
        if (SDL_GetRendererOutputSize(renderer_.get(), &widthpx, &heightpx) != 0)
            widthpx = mode.w, heightpx = mode.h;
        ignoremouse();
    } else {
        if (widthpx <= 0 || heightpx <= 0) throw ScreenError("offscreen size must be positive");
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

bool Screen::changed() const {
    if (forced_ || shownbackground_ != background_->version() || shownorder_ != stacking_->order())
        return true;
    const auto& order = stacking_->order();
    for (std::size_t i = 0; i < order.size(); ++i)
        if (!(static_cast<const ElementProps&>(*order[i]) == shown_[i])) return true;
    return false;
}

void Screen::remember() {
    shownorder_ = stacking_->order();
    shown_.clear();
    shown_.reserve(shownorder_.size());
    for (const Element* e : shownorder_) shown_.push_back(*e);
    shownbackground_ = background_->version();
    forced_ = false;
}

void Screen::updatebackground() {
    if (backgroundversion_ == background_->version() && backgroundtexture_) return;
    // Stretch once per change of the image, not once per frame.
    SdlSurface full = makesurface(widthpx_, heightpx_);
    SDL_SoftStretchLinear(background_->surface(), nullptr, full.get(), nullptr);
    backgroundtexture_ = SdlTexture(SDL_CreateTextureFromSurface(renderer_.get(), full.get()));
    // Opaque: a plain copy is much cheaper than blending a whole screen.
    if (backgroundtexture_) SDL_SetTextureBlendMode(backgroundtexture_.get(), SDL_BLENDMODE_NONE);
    backgroundversion_ = background_->version();
}

std::size_t Screen::stableprefix() const {
    const auto& order = stacking_->order();
    std::size_t n = 0;
    while (n < order.size() && n < shownorder_.size() && order[n] == shownorder_[n] &&
           static_cast<const ElementProps&>(*order[n]) == shown_[n])
        ++n;
    return n;
}

bool Screen::underlayvalid() const {
    const auto& order = stacking_->order();
    if (!underlay_ || underlaybackground_ != backgroundversion_ ||
        underlayorder_.size() > order.size())
        return false;
    for (std::size_t i = 0; i < underlayorder_.size(); ++i)
        if (order[i] != underlayorder_[i] ||
            !(static_cast<const ElementProps&>(*order[i]) == underlayprops_[i]))
            return false;
    return true;
}

void Screen::drawelements(std::size_t from, std::size_t to) {
    DrawContext dc{renderer_.get(), scale_, *fonts_};
    const auto& order = stacking_->order();
    for (std::size_t i = from; i < to && i < order.size(); ++i) drawelement(dc, *order[i]);
}

void Screen::rebuildunderlay(std::size_t count) {
    if (!underlay_)
        underlay_ = SdlTexture(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_ARGB8888,
                                                 SDL_TEXTUREACCESS_TARGET, widthpx_, heightpx_));
    underlayorder_.clear();
    underlayprops_.clear();
    if (!underlay_ || SDL_SetRenderTarget(renderer_.get(), underlay_.get()) != 0) {
        underlay_ = SdlTexture();
        return;
    }
    SDL_SetTextureBlendMode(underlay_.get(), SDL_BLENDMODE_NONE);
    if (backgroundtexture_)
        SDL_RenderCopy(renderer_.get(), backgroundtexture_.get(), nullptr, nullptr);
    drawelements(0, count);
    SDL_SetRenderTarget(renderer_.get(), nullptr);
    const auto& order = stacking_->order();
    underlayorder_.assign(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(count));
    for (const Element* e : underlayorder_) underlayprops_.push_back(*e);
    underlaybackground_ = backgroundversion_;
}

void Screen::drawframe() {
    updatebackground();
    // The elements at the bottom of the stacking that stay put (the hatched band, for one)
    // are kept drawn over the background, so a frame starts from one opaque copy.
    std::size_t stable = stableprefix();
    if (!underlayvalid() || (underlayorder_.empty() && stable > 0)) rebuildunderlay(stable);
    SDL_Texture* base = underlay_ ? underlay_.get() : backgroundtexture_.get();
    if (base) {
        SDL_RenderCopy(renderer_.get(), base, nullptr, nullptr);
    } else {
        SDL_SetRenderDrawColor(renderer_.get(), redof(backcolor_), greenof(backcolor_),
                               blueof(backcolor_), 255);
        SDL_RenderClear(renderer_.get());
    }
    drawelements(underlay_ ? underlayorder_.size() : 0, stacking_->order().size());
}

bool Screen::render() {
    if (!changed()) return false;
    drawframe();
    if (window_) SDL_RenderPresent(renderer_.get());
    remember();
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
    drawframe();
    SdlSurface out = makesurface(widthpx_, heightpx_);
    if (SDL_RenderReadPixels(renderer_.get(), nullptr, SDL_PIXELFORMAT_ARGB8888, out->pixels,
                             out->pitch) != 0)
        throw ScreenError(std::string("SDL_RenderReadPixels: ") + SDL_GetError());
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
    DrawContext dc{renderer_.get(), scale_, *fonts_};
    SDL_Texture* t = labeltexture(dc, label);
    int h = 0;
    if (t) SDL_QueryTexture(t, nullptr, nullptr, nullptr, &h);
    return h;
}

}  // namespace tunedeck
