// Owning handles for the C objects of SDL and SDL_ttf.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include "platform/lib/handle.h"
#include "platform/lib/sdl/sdl.h"

namespace tunedeck {

using SdlWindow = UniqueHandle<SDL_Window*, SDL_DestroyWindow>;
using SdlRenderer = UniqueHandle<SDL_Renderer*, SDL_DestroyRenderer>;
using SdlTexture = UniqueHandle<SDL_Texture*, SDL_DestroyTexture>;
using SdlSurface = UniqueHandle<SDL_Surface*, SDL_FreeSurface>;
using TtfFont = UniqueHandle<TTF_Font*, TTF_CloseFont>;
// An open audio device; closing it waits for its callback to return.
using AudioDevice = UniqueHandle<SDL_AudioDeviceID, SDL_CloseAudioDevice>;

// An ARGB8888 software surface of the given size in pixels. Throws SdlError.
SdlSurface makesurface(int width, int height);

// Opens the named audio device (null: the default) exactly in `want`'s format, paused.
// Throws SdlError.
AudioDevice openaudiodevice(const char* name, const SDL_AudioSpec& want);

}  // namespace tunedeck
