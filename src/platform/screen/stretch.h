// The background image stretched to the screen with linear filtering, painted one region at a
// time. Each pixel depends on its own position only, so regions painted apart join up exactly
// with a whole frame, and at the designed 1024x768 every pixel is the image's own. Rows of one
// colour (a gradient's bands) are painted as single fills. UI thread only.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "platform/screen/background.h"

namespace tunedeck {

class BackgroundStretch {
  public:
    BackgroundStretch(int imagewidth, int imageheight, int widthpx, int heightpx);
    // Paints the screen pixels of `region` through the renderer (which may clip further).
    void paint(SDL_Renderer* renderer, const BackgroundImage& image, const SDL_Rect& region) const;

    // Where a screen pixel samples the image along one axis: between `first` and `second`, with
    // `weight` (out of kOne) on `second`.
    struct Tap {
        int32_t first = 0, second = 0;
        uint32_t weight = 0;
    };
    static constexpr uint32_t kOne = 1u << 16;

  private:
    void paintrow(SDL_Renderer* renderer, const BackgroundImage& image, const SDL_Rect& region,
                  int y) const;

    std::vector<Tap> columns_, rows_;
};

}  // namespace tunedeck
