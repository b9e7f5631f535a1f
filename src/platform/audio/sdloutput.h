// The output on SDL's audio device: SDL's audio thread calls the source from its callback, and
// the device's own lock is the output's lock.
#pragma once

#include "platform/audio/outputdevice.h"
#include "platform/lib/sdl/handles.h"

namespace tunedeck {

class SdlOutput final : public OutputDevice {
  public:
    // Opens the named device (null: the default) with periods of `frames` and starts it.
    // Throws SdlError.
    SdlOutput(const char* name, int frames, SampleSource& source);
    // Closing the device waits for a running callback.
    ~SdlOutput() override = default;

    void set_running(bool running) override;
    bool lost() const override;
    void lock() override { SDL_LockAudioDevice(device_.get()); }
    void unlock() override { SDL_UnlockAudioDevice(device_.get()); }

  private:
    static void SDLCALL callback(void* self, Uint8* out, int len);

    SampleSource& source_;
    SdlInit audio_;
    AudioDevice device_;  // after the subsystem it needs
};

}  // namespace tunedeck
