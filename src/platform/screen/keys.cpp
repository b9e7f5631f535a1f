#include "platform/screen/keys.h"

namespace tunedeck {
namespace {

int16_t specialkey(SDL_Keycode key) {
    switch (key) {
        case SDLK_BACKSPACE:
            return 8;
        case SDLK_TAB:
            return 9;
        case SDLK_RETURN:
        case SDLK_RETURN2:
        case SDLK_KP_ENTER:
            return 13;
        case SDLK_ESCAPE:
            return 27;
        case SDLK_SPACE:
            return 32;
        case SDLK_PAGEUP:
            return 33;
        case SDLK_PAGEDOWN:
            return 34;
        case SDLK_END:
            return 35;
        case SDLK_HOME:
            return 36;
        case SDLK_LEFT:
            return 37;
        case SDLK_UP:
            return 38;
        case SDLK_RIGHT:
            return 39;
        case SDLK_DOWN:
            return 40;
        case SDLK_INSERT:
            return 45;
        case SDLK_DELETE:
            return 46;
        // Media keys of remote controls act as the letters of their commands.
        case SDLK_AUDIOPLAY:
            return 'L';
        case SDLK_AUDIOSTOP:
            return 'S';
        case SDLK_AUDIONEXT:
            return 'N';
        case SDLK_AUDIOPREV:
            return 'P';
        default:
            return 0;
    }
}

}  // namespace

int16_t virtualkey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<int16_t>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<int16_t>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<int16_t>(112 + (key - SDLK_F1));
    if (key == SDLK_KP_0) return 96;
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return static_cast<int16_t>(97 + (key - SDLK_KP_1));
    return specialkey(key);
}

}  // namespace tunedeck
