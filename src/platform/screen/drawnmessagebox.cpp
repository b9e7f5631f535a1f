#include "platform/screen/drawnmessagebox.h"

#include <SDL.h>

#include <exception>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/screen/errorpage.h"

namespace tunedeck {
namespace {

// Far more than a box ever holds back (end-of-stream notices, window changes); the bound only
// keeps a flood from growing without end.
constexpr std::size_t kMaxKept = 4096;

enum class BoxEvent { Dismiss, Redraw, Drop, Keep, KeepAndEnd };

bool okkey(SDL_Keycode key) {
    switch (key) {
        case SDLK_RETURN:
        case SDLK_RETURN2:
        case SDLK_KP_ENTER:
        case SDLK_ESCAPE:
        case SDLK_SPACE:
        case SDLK_x:
        case SDLK_SELECT:
        case SDLK_AUDIOPLAY:
        case SDLK_AUDIOSTOP:
        case SDLK_AUDIONEXT:
        case SDLK_AUDIOPREV:
            return true;
        default:
            return false;
    }
}

bool keyboardevent(Uint32 type) {
    return type == SDL_KEYDOWN || type == SDL_KEYUP || type == SDL_TEXTEDITING ||
           type == SDL_TEXTINPUT;
}

BoxEvent classify(const SDL_Event& event, uint32_t boxwindow) {
    // A key held down from before the box came up repeats; only a fresh press answers it.
    if (event.type == SDL_KEYDOWN && event.key.repeat == 0 && okkey(event.key.keysym.sym))
        return BoxEvent::Dismiss;
    if (keyboardevent(event.type)) return BoxEvent::Drop;
    if (event.type == SDL_WINDOWEVENT && event.window.windowID == boxwindow)
        return event.window.event == SDL_WINDOWEVENT_CLOSE ? BoxEvent::Dismiss : BoxEvent::Redraw;
    if (event.type == SDL_QUIT) return BoxEvent::KeepAndEnd;
    return BoxEvent::Keep;
}

// Drivers that draw where nobody looks: SDL picks offscreen when no display is there.
bool seenbyanyone() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string_view name = driver ? driver : "";
    return name != "offscreen" && name != "dummy";
}

}  // namespace

void waitfordismiss(Screen& page) {
    std::vector<SDL_Event> kept;
    SDL_Event event;
    bool open = true;
    while (open && SDL_WaitEvent(&event) != 0) {
        switch (classify(event, page.windowid())) {
            case BoxEvent::Dismiss:
                open = false;
                break;
            case BoxEvent::Redraw:
                page.invalidate();
                page.render();
                break;
            case BoxEvent::Drop:
                break;
            case BoxEvent::KeepAndEnd:
                open = false;
                [[fallthrough]];
            case BoxEvent::Keep:
                if (kept.size() < kMaxKept) kept.push_back(event);
                break;
        }
    }
    // What came after the dismissing key goes behind what the box held: all in their order.
    std::vector<SDL_Event> rest(64);
    int n = 0;
    while ((n = SDL_PeepEvents(rest.data(), static_cast<int>(rest.size()), SDL_GETEVENT,
                               SDL_FIRSTEVENT, SDL_LASTEVENT)) > 0)
        kept.insert(kept.end(), rest.begin(), rest.begin() + n);
    for (SDL_Event& e : kept) SDL_PushEvent(&e);
}

DrawnMessageBoxes::DrawnMessageBoxes(SDL_Window* parent, std::unique_ptr<MessageBoxes> fallback)
    : parent_(parent), fallback_(std::move(fallback)) {}

void DrawnMessageBoxes::show(const std::string& title, const std::string& text, MessageIcon icon) {
    std::optional<Screen> page;
    try {
        page.emplace(Screen::window());
        if (!seenbyanyone()) throw std::runtime_error("no display to show the box on");
        builderrorpage(*page, title, text);
        SDL_SetWindowTitle(page->sdlwindow(), title.c_str());
        page->show();
        page->render();
    } catch (const std::exception&) {
        page.reset();
        fallback_->show(title, text, icon);
        return;
    }
    waitfordismiss(*page);
    page.reset();
    if (parent_ && (SDL_GetWindowFlags(parent_) & SDL_WINDOW_SHOWN) != 0)
        SDL_SetWindowInputFocus(parent_);
}

}  // namespace tunedeck
