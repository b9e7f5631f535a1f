// The main screen: a borderless full-display window (or an offscreen picture of a given size for
// tests and screenshots) holding the persistent background image and the elements in their
// stacking order. A frame is drawn only when something on it changed since the last frame, and
// then only where it changed: the frame itself is kept between draws (the window's own pixels,
// or the offscreen picture), so a ticking clock redraws and uploads a few hundred pixels.
// UI thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "platform/lib/sdl/handles.h"
#include "platform/screen/background.h"
#include "platform/screen/element.h"
#include "platform/screen/fonts.h"
#include "platform/screen/stretch.h"
#include "platform/screen/units.h"

namespace tunedeck {

struct DrawContext;

// Stacking order of a screen's elements, bottom first.
class Stacking {
  public:
    void add(const Element* e) { order_.push_back(e); }
    void remove(const Element* e);
    void tofront(const Element* e);
    const std::vector<const Element*>& order() const { return order_; }

  private:
    std::vector<const Element*> order_;
};

class Screen {
  public:
    // An offscreen screen of the given pixel size; needs no display.
    static Screen offscreen(int widthpx, int heightpx);
    // A borderless window covering the first display, created hidden; call show() when ready.
    // It takes keys only: the mouse pointer is hidden and mouse events are dropped.
    static Screen window();

    Screen(Screen&&) noexcept;
    Screen& operator=(Screen&&) noexcept;
    ~Screen() noexcept;

    int widthpx() const { return widthpx_; }
    int heightpx() const { return heightpx_; }
    const Scale& scale() const { return scale_; }
    double twipsperpixelx() const { return scale_.tpp; }
    double twipsperpixely() const { return scale_.tpp; }
    // Screen size in twips.
    int32_t width() const { return scale_.twips(widthpx_); }
    int32_t height() const { return scale_.twips(heightpx_); }

    // A new element, on top of the stacking order. It lives as long as the screen.
    Element& add(const ElementProps& props);
    // A new element array; `templ` becomes its hidden element 0.
    ElementArray& addarray(const ElementProps& templ);
    void bringtofront(const Element& e);

    // Background colour: setting it clears the background image to that colour.
    uint32_t backcolor() const { return backcolor_; }
    void setbackcolor(uint32_t colour);
    BackgroundImage& background() { return *background_; }

    // Sets an image's picture; an image that does not stretch takes the picture's own size.
    // A null picture leaves the element as it was.
    void setpicture(Element& image, PictureRef picture);

    // Draws a frame when anything changed since the last one; true when it drew.
    bool render();
    // Forces the next render to draw (for instance after the window was exposed).
    void invalidate() { forced_ = true; }
    uint64_t framecount() const { return frames_; }

    void show();
    SDL_Window* sdlwindow() const { return window_.get(); }
    uint32_t windowid() const;

    // The frame as shown, once brought up to date (render()), as a surface, and as a PNG file
    // (false when it could not be written).
    SdlSurface capture();
    bool savepng(const std::filesystem::path& file);
    // The frame as capture() gives it, scaled to widthpx x heightpx, as a PNG file.
    bool savepng(const std::filesystem::path& file, int widthpx, int heightpx);

    // Pixel height of a label's rendered text lines (0 when it shows no text).
    int textheightpx(const Element& label);
    FontCache& fonts() { return *fonts_; }

  private:
    // One element as the last frame showed it.
    struct Shown {
        const Element* element;
        ElementProps props;
        SDL_Rect extent;  // the pixels it covered
    };

    Screen(int widthpx, int heightpx, bool withwindow);
    DrawContext context();
    std::vector<SDL_Rect> extents(DrawContext& dc);
    // The regions the next frame must draw; nothing when nothing changed.
    std::optional<std::vector<SDL_Rect>> damage(const std::vector<SDL_Rect>& now) const;
    void drawregion(DrawContext& dc, const SDL_Rect& region, const std::vector<SDL_Rect>& now);
    bool present(const std::vector<SDL_Rect>& rects);
    void remember(const std::vector<SDL_Rect>& now);

    SdlInit video_;  // only for a window
    SdlInit ttf_;
    SdlInit image_;
    SdlWindow window_;
    SdlSurface target_;  // offscreen frame
    SdlRenderer renderer_;
    // The frame keeps its pixels between draws, so a frame draws only what changed. Not so for
    // an accelerated renderer chosen through the environment: it draws every frame whole.
    bool keepsframe_ = true;
    int widthpx_ = 0, heightpx_ = 0;
    Scale scale_;
    std::unique_ptr<FontCache> fonts_;
    std::unique_ptr<BackgroundImage> background_;
    std::unique_ptr<BackgroundStretch> stretch_;
    uint32_t backcolor_ = 0;
    std::unique_ptr<Stacking> stacking_;
    std::list<std::unique_ptr<Element>> elements_;
    std::list<std::unique_ptr<ElementArray>> arrays_;
    // What the last frame showed, bottom first, to tell where the next one must draw.
    std::vector<Shown> shown_;
    uint64_t shownbackground_ = UINT64_MAX;
    bool forced_ = true;
    uint64_t frames_ = 0;
};

}  // namespace tunedeck
