// The drawn message box: its lines fit the screen, and it waits for an OK-like key without
// taking the program's other events. (Its page on a real display: tests/e2e.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/screen/drawnmessagebox.h"
#include "platform/screen/errorpage.h"
#include "platform/screen/screen.h"

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

}  // namespace
}  // namespace tunedeck
