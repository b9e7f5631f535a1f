// The window mode on SDL's dummy video driver (no display needed).
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/screen/screen.h"

namespace tunedeck {
namespace {

TEST(Window, CoversTheDisplayAndStaysHiddenUntilShown) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    Screen screen = Screen::window();
    SDL_DisplayMode mode{};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &mode), 0);
    EXPECT_EQ(screen.widthpx(), mode.w);
    EXPECT_EQ(screen.heightpx(), mode.h);
    Uint32 flags = SDL_GetWindowFlags(screen.sdlwindow());
    EXPECT_TRUE(flags & SDL_WINDOW_HIDDEN);
    EXPECT_TRUE(flags & SDL_WINDOW_BORDERLESS);
    EXPECT_NE(screen.windowid(), 0u);
    EXPECT_EQ(SDL_EventState(SDL_MOUSEBUTTONDOWN, SDL_QUERY), SDL_IGNORE);
    screen.show();
    EXPECT_FALSE(SDL_GetWindowFlags(screen.sdlwindow()) & SDL_WINDOW_HIDDEN);
    EXPECT_TRUE(screen.render());
    EXPECT_FALSE(screen.render());
}

}  // namespace
}  // namespace tunedeck
