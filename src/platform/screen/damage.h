// The parts of a frame to draw again: rectangles in pixels, each kept inside the frame, those that
// overlap joined into one. UI thread only.
#pragma once

#include <SDL.h>

#include <vector>

namespace tunedeck {

class Damage {
  public:
    explicit Damage(const SDL_Rect& frame) : frame_(frame) {}
    // Adds a rectangle; an empty one, or one outside the frame, adds nothing.
    void add(const SDL_Rect& added);
    const std::vector<SDL_Rect>& rects() const { return rects_; }
    // True when `rect` overlaps a rectangle but lies wholly inside none.
    bool cuts(const SDL_Rect& rect) const;

  private:
    // Beyond this many separate rectangles, one around them all is cheaper to draw and show.
    static constexpr std::size_t kMaxRects = 16;

    SDL_Rect frame_;
    std::vector<SDL_Rect> rects_;
};

}  // namespace tunedeck
