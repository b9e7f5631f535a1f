#include "platform/cd/sdloutput.h"

#include <utility>

#include "platform/cd/errors.h"

namespace tunedeck::cd {

SdlAudioSubsystem::SdlAudioSubsystem() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) throw CdError(Error::AudioOutput);
}

SdlAudioSubsystem::~SdlAudioSubsystem() noexcept {
    if (owned_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

SdlAudioSubsystem::SdlAudioSubsystem(SdlAudioSubsystem&& other) noexcept
    : owned_(std::exchange(other.owned_, false)) {}

SdlAudioOutput::SdlAudioOutput(SDL_AudioCallback fill, void* user) {
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 2048;
    want.callback = fill;
    want.userdata = user;
    SDL_AudioSpec have{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) throw CdError(Error::AudioOutput);
    SDL_PauseAudioDevice(device_, 0);
}

SdlAudioOutput::~SdlAudioOutput() noexcept {
    if (device_ != 0) SDL_CloseAudioDevice(device_);
}

bool SdlAudioOutput::lost() const {
    return device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED;
}

SdlAudioOutput::SdlAudioOutput(SdlAudioOutput&& other) noexcept
    : subsystem_(std::move(other.subsystem_)), device_(std::exchange(other.device_, 0)) {}

}  // namespace tunedeck::cd
