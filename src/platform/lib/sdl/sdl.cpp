#include "platform/lib/sdl/sdl.h"

#include <SDL_image.h>
#include <SDL_ttf.h>

namespace tunedeck {

SdlError::SdlError(const std::string& what) : std::runtime_error(what + ": " + SDL_GetError()) {}

void stoppart(SdlPart part) noexcept {
    part.quit(part.flags);
}

SdlInit startsdl(Uint32 flags) {
    if (SDL_InitSubSystem(flags) != 0) throw SdlError("cannot start SDL");
    return SdlInit({SDL_QuitSubSystem, flags});
}

SdlInit startttf() {
    if (TTF_Init() != 0) throw SdlError("cannot start SDL_ttf");
    return SdlInit({[](Uint32) { TTF_Quit(); }, 0});
}

SdlInit startimage() {
    const int wanted = IMG_INIT_JPG | IMG_INIT_PNG;
    if ((IMG_Init(wanted) & wanted) != wanted) throw SdlError("cannot start SDL_image");
    return SdlInit({[](Uint32) { IMG_Quit(); }, 0});
}

}  // namespace tunedeck
