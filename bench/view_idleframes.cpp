// Frames drawn in 60 s while nothing changes but the clock. The event loop renders after each
// tick only; the ticks are simulated one after another, which gives the same count as real time
// because a frame is drawn only when an element changed and only the tick changes anything here.
// Reference: the same 60 ticks with the clock label left unchanged (should draw no frame).
#include <cstdio>
#include <memory>
#include <string>

#include "platform/screen/screen.h"
#include "platform/screen/tick.h"
#include "view/view.h"

using namespace tunedeck;

namespace {

// Runs a simulated minute in 10 ms event-loop wake-ups; returns frames drawn.
uint64_t simulate(Screen& screen, MainScreen& form, bool clockruns) {
    uint64_t start = screen.framecount();
    TickDeadline tick(0);
    int seconds = 0;
    for (uint64_t now = 0; now < 60000; now += 10) {
        if (tick.due(now) && clockruns) form.lblTime.caption = "21:30:" + std::to_string(++seconds);
        screen.render();
    }
    return screen.framecount() - start;
}

}  // namespace

int main() {
    Screen screen = Screen::offscreen(1920, 1080);
    MainScreen form(screen);
    auto browse = std::make_unique<BrowseState>();
    auto queue = std::make_unique<PlayQueue>();
    View view{form, *browse, *queue, DisplaySettings{}};
    startuplayout(view);
    renderitems(view, "");
    renderhighlight(view);
    screen.render();
    uint64_t idle = simulate(screen, form, false);
    uint64_t ticking = simulate(screen, form, true);
    std::printf("frames in 60 s with only the clock changing: %llu (goal at most 60)\n",
                static_cast<unsigned long long>(ticking));
    std::printf("reference, nothing changing: %llu frames\n",
                static_cast<unsigned long long>(idle));
    return 0;
}
