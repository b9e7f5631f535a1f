// A main screen drawn offscreen with hand-filled browsing state and queue.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/screen/screen.h"
#include "view/view.h"

namespace tunedeck {

struct ViewBench {
    explicit ViewBench(int widthpx = 1024, int heightpx = 768, DisplaySettings s = {})
        : screen(Screen::offscreen(widthpx, heightpx)),
          form(screen),
          browse(std::make_unique<BrowseState>()),
          queue(std::make_unique<PlayQueue>()),
          view{form, *browse, *queue, s} {
        startuplayout(view);
    }

    // Items 1..count named "Item n" with target "/music/Item n" and the given kind code.
    void fill(int count, const char* kind = kKindPlayable) {
        browse->itemcount = static_cast<int16_t>(count);
        for (int n = 1; n <= count; ++n)
            browse->items[static_cast<std::size_t>(n)] = {"Item " + std::to_string(n),
                                                          "/music/Item " + std::to_string(n), kind};
    }

    Screen screen;
    MainScreen form;
    std::unique_ptr<BrowseState> browse;
    std::unique_ptr<PlayQueue> queue;
    View view;
};

inline uint32_t pixelat(SDL_Surface* s, int x, int y) {
    Uint32 v = static_cast<const Uint32*>(s->pixels)[y * (s->pitch / 4) + x];
    Uint8 r, g, b;
    SDL_GetRGB(v, s->format, &r, &g, &b);
    return rgbword(r, g, b);
}

}  // namespace tunedeck
