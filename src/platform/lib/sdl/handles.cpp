#include "platform/lib/sdl/handles.h"

namespace tunedeck {

SdlSurface makesurface(int width, int height) {
    return SdlSurface(
        sdlcheck(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888),
                 "SDL_CreateRGBSurfaceWithFormat"));
}

AudioDevice openaudiodevice(const char* name, const SDL_AudioSpec& want) {
    SDL_AudioSpec have{};
    AudioDevice device(SDL_OpenAudioDevice(name, 0, &want, &have, 0));
    if (!device) throw SdlError("cannot open the audio output");
    return device;
}

}  // namespace tunedeck
