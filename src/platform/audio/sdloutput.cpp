#include "platform/audio/sdloutput.h"

#include "platform/audio/format.h"

namespace tunedeck {

SdlOutput::SdlOutput(const char* name, int frames, SampleSource& source)
    : source_(source), audio_(startsdl(SDL_INIT_AUDIO)) {
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = kOutputChannels;
    want.samples = static_cast<Uint16>(frames);
    want.callback = &SdlOutput::callback;
    want.userdata = this;
    device_ = openaudiodevice(name, want);
    set_running(true);
}

void SdlOutput::set_running(bool running) {
    SDL_PauseAudioDevice(device_.get(), running ? 0 : 1);
}

bool SdlOutput::lost() const {
    return SDL_GetAudioDeviceStatus(device_.get()) == SDL_AUDIO_STOPPED;
}

void SDLCALL SdlOutput::callback(void* self, Uint8* out, int len) {
    static_cast<SdlOutput*>(self)->source_.fill(out, len > 0 ? static_cast<std::size_t>(len) : 0);
}

}  // namespace tunedeck
