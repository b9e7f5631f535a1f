// A main screen drawn offscreen with hand-filled browsing state and queue.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/screen/screen.h"
#include "tests/platform/screen/pixels.h"
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

    // Items 1..count named "Item n" with target "/music/Item n", all of one kind.
    void fill(int count, ItemKind kind = ItemKind::Playable) {
        fill(std::vector<ItemKind>(count, kind));
    }
    // Items named so, one for each kind given.
    void fill(const std::vector<ItemKind>& kinds) {
        browse->items.clear();
        for (std::size_t n = 1; n <= kinds.size(); ++n)
            browse->items.append(
                {"Item " + std::to_string(n), "/music/Item " + std::to_string(n), kinds[n - 1]});
    }

    Screen screen;
    MainScreen form;
    std::unique_ptr<BrowseState> browse;
    std::unique_ptr<PlayQueue> queue;
    View view;
};

}  // namespace tunedeck
