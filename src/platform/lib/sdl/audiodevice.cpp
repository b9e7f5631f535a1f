#include "platform/lib/sdl/audiodevice.h"

namespace tunedeck {

SdlSubsystem::SdlSubsystem(Uint32 flags) {
    if (SDL_InitSubSystem(flags) != 0) throw SdlError("cannot start SDL");
    flags_ = flags;
}

AudioDevice::AudioDevice(const char* name, const SDL_AudioSpec& want) {
    SDL_AudioSpec have{};
    id_ = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (id_ == 0) throw SdlError("cannot open the audio output");
}

}  // namespace tunedeck
