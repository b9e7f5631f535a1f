#include "platform/screen/sdlmessagebox.h"

namespace tunedeck {
namespace {

Uint32 iconflag(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Stop:
            return SDL_MESSAGEBOX_ERROR;
        case MessageIcon::Exclamation:
            return SDL_MESSAGEBOX_WARNING;
        case MessageIcon::Information:
            return SDL_MESSAGEBOX_INFORMATION;
        case MessageIcon::None:
            break;
    }
    return 0;
}

}  // namespace

void SdlMessageBoxes::show(const std::string& title, const std::string& text, MessageIcon icon) {
    SDL_MessageBoxButtonData ok{};
    ok.flags = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    ok.buttonid = 0;
    ok.text = "OK";
    SDL_MessageBoxData data{};
    data.flags = iconflag(icon);
    data.window = parent_;
    data.title = title.c_str();
    data.message = text.c_str();
    data.numbuttons = 1;
    data.buttons = &ok;
    int pressed = 0;
    // Without a display there is nobody to answer; the text still reaches the user's terminal.
    if (SDL_ShowMessageBox(&data, &pressed) != 0)
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s", title.c_str(), text.c_str());
}

}  // namespace tunedeck
