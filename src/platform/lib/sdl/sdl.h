// SDL's one exception type and its start-up guard. SDL_ttf and SDL_image report their failures
// through SDL_GetError too, so both use them as well.
#pragma once

#include <SDL.h>

#include <stdexcept>
#include <string>

#include "platform/lib/handle.h"

namespace tunedeck {

// A failed SDL, SDL_ttf or SDL_image call, carrying SDL_GetError's text after `what`.
class SdlError : public std::runtime_error {
  public:
    explicit SdlError(const std::string& what);
};

// Throws SdlError when `p` is null; returns it otherwise.
template <typename T>
T* sdlcheck(T* p, const char* what) {
    if (!p) throw SdlError(what);
    return p;
}

// A started part of SDL: the function that ends it and the subsystem flags it is given.
struct SdlPart {
    void (*quit)(Uint32) = nullptr;
    Uint32 flags = 0;
    bool operator==(const SdlPart&) const = default;
};
void stoppart(SdlPart part) noexcept;

// Keeps a part of SDL started while it lives. SDL and SDL_ttf count their users, so guards for
// the same part may overlap, as several screens or engines in one process do.
using SdlInit = UniqueHandle<SdlPart, stoppart>;

// SDL's subsystems in `flags` (SDL_INIT_*). Throws SdlError.
SdlInit startsdl(Uint32 flags);
// SDL_ttf. Throws SdlError.
SdlInit startttf();
// SDL_image with its JPEG and PNG loaders. Throws SdlError.
SdlInit startimage();

}  // namespace tunedeck
