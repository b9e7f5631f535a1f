// The drawn message box: its lines fit the screen, and it waits for an OK-like key without
// taking the program's other events (its page on a real display: tests/e2e). The window mode on
// SDL's dummy video driver, key codes and the once-a-second tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/screen/drawnmessagebox.h"
#include "platform/screen/errorpage.h"
#include "platform/screen/keys.h"
#include "platform/screen/screen.h"
#include "platform/screen/tick.h"

namespace tunedeck {
namespace {

// As long as the messages the CD layer shows, with a path that has no blank to break at.
const std::string kLongMessage =
    "The CD drive or disc image could not be opened. Check [cd] device in settings.ini: it must "
    "name a CD device such as /dev/sr0, a readable disc image whose data file exists, or none."
    "\r\n\r\n/home/listener/music/collections/" +
    std::string(60, 'x') + "/missing-image.cue";

std::string withoutblanks(const std::string& text) {
    std::string out;
    std::copy_if(text.begin(), text.end(), std::back_inserter(out),
                 [](char c) { return c != ' ' && c != '\r' && c != '\n'; });
    return out;
}

TEST(MessageBoxLines, FitTheWidthBreakOnceAtEachLineEndAndKeepEveryCharacter) {
    Screen screen = Screen::offscreen(1024, 768);
    TTF_Font* font = screen.fonts().font({"Trebuchet MS", 24, false}, 32);
    ASSERT_NE(font, nullptr);
    const auto lines = wraplines(font, kLongMessage + "\rÉcoute\nfin", 600);
    std::string joined;
    for (const std::string& line : lines) {
        int w = 0, h = 0;
        ASSERT_EQ(TTF_SizeUTF8(font, line.c_str(), &w, &h), 0);
        EXPECT_LE(w, 600) << line;
        joined += line;
    }
    EXPECT_EQ(withoutblanks(joined), withoutblanks(kLongMessage + "Écoutefin"));
    // CR LF is one break, so the blank line between the paragraphs is one line.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), ""), 1);
    EXPECT_EQ(lines.back(), "fin");
    EXPECT_EQ(lines[lines.size() - 2], "Écoute");
}

struct RecordingBoxes : MessageBoxes {
    void show(const std::string& title, const std::string& text, MessageIcon) override {
        shown.push_back(title + "|" + text);
    }
    std::vector<std::string> shown;
};

void pushkey(SDL_Keycode key, Uint8 repeat = 0) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    e.key.repeat = repeat;
    SDL_PushEvent(&e);
}

void pushuser(Uint32 type, int code) {
    SDL_Event e{};
    e.type = type;
    e.user.code = code;
    SDL_PushEvent(&e);
}

TEST(DrawnMessageBox, WaitsForAnOkKeyAndPutsTheProgramsEventsBack) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    Screen page = Screen::window();
    const Uint32 notice = SDL_RegisterEvents(1);
    // Keys that are not OK, and an OK key held down from before, leave the box up.
    pushuser(notice, 1);
    pushkey(SDLK_a);
    pushkey(SDLK_RETURN, 1);
    pushuser(notice, 2);
    pushkey(SDLK_ESCAPE);
    pushuser(notice, 3);  // after the dismissing key
    waitfordismiss(page);

    std::vector<int> after;
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) {
        EXPECT_NE(e.type, SDL_KEYDOWN) << "a key went past the box";
        if (e.type == notice) after.push_back(e.user.code);
    }
    EXPECT_EQ(after, (std::vector<int>{1, 2, 3}));
}

TEST(DrawnMessageBox, FallsBackWhereNoWindowOpensOrNobodyCouldSeeIt) {
    for (const char* driver : {"no-such-driver", "dummy"}) {
        setenv("SDL_VIDEODRIVER", driver, 1);
        auto fallback = std::make_unique<RecordingBoxes>();
        RecordingBoxes& fell = *fallback;
        DrawnMessageBoxes boxes(nullptr, std::move(fallback));
        boxes.show("CD", "No CD drive was found.", MessageIcon::None);
        EXPECT_EQ(fell.shown, (std::vector<std::string>{"CD|No CD drive was found."})) << driver;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 1);
}

TEST(Keys, MediaKeysActAsTheirCommandLetters) {
    EXPECT_EQ(virtualkey(SDLK_AUDIOPLAY), 'L');
    EXPECT_EQ(virtualkey(SDLK_AUDIOSTOP), 'S');
    EXPECT_EQ(virtualkey(SDLK_AUDIONEXT), 'N');
    EXPECT_EQ(virtualkey(SDLK_AUDIOPREV), 'P');
    EXPECT_EQ(virtualkey(SDLK_KP_ENTER), virtualkey(SDLK_RETURN));  // OK on some receivers
    EXPECT_EQ(virtualkey(SDLK_LSHIFT), 0);
    EXPECT_EQ(virtualkey(SDLK_VOLUMEUP), 0);
}

TEST(TickDeadline, TicksOncePerIntervalWithoutBursts) {
    TickDeadline tick(5000);
    EXPECT_EQ(tick.timeout(5000), 1000);
    EXPECT_FALSE(tick.due(5999));
    EXPECT_EQ(tick.timeout(5999), 1);
    EXPECT_TRUE(tick.due(6000));
    EXPECT_FALSE(tick.due(6000));
    EXPECT_EQ(tick.timeout(6000), 1000);
    EXPECT_TRUE(tick.due(7003));  // a little late: the next one stays on the 1 s grid
    EXPECT_EQ(tick.timeout(7003), 997);
    // A loop that was stuck for 10 s runs one tick, then waits a full interval.
    EXPECT_TRUE(tick.due(18000));
    EXPECT_FALSE(tick.due(18500));
    EXPECT_EQ(tick.timeout(18000), 1000);
}

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
