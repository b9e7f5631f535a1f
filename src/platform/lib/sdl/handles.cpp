#include "platform/lib/sdl/handles.h"

#include <SDL_image.h>

namespace tunedeck {

ScreenError::ScreenError(const std::string& what) : std::runtime_error(what) {}

SdlSurface makesurface(int width, int height) {
    return SdlSurface(
        sdlcheck(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888),
                 "SDL_CreateRGBSurfaceWithFormat"));
}

SdlVideoLibrary::SdlVideoLibrary() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        throw ScreenError(std::string("SDL video: ") + SDL_GetError());
}
SdlVideoLibrary::~SdlVideoLibrary() noexcept {
    if (owned_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

TtfLibrary::TtfLibrary() {
    if (TTF_Init() != 0) throw ScreenError(std::string("SDL_ttf: ") + TTF_GetError());
}
TtfLibrary::~TtfLibrary() noexcept {
    if (owned_) TTF_Quit();
}

ImageLibrary::ImageLibrary() {
    int wanted = IMG_INIT_JPG | IMG_INIT_PNG;
    if ((IMG_Init(wanted) & wanted) != wanted)
        throw ScreenError(std::string("SDL_image: ") + IMG_GetError());
}
ImageLibrary::~ImageLibrary() noexcept {
    if (owned_) IMG_Quit();
}

}  // namespace tunedeck
