// RAII owners of SDL's audio subsystem and of one audio output device.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace tunedeck::cd {

// Keeps SDL's audio subsystem up while it lives. Throws CdError(AudioOutput) on failure.
class SdlAudioSubsystem {
  public:
    SdlAudioSubsystem();
    ~SdlAudioSubsystem() noexcept;
    SdlAudioSubsystem(SdlAudioSubsystem&& other) noexcept;
    SdlAudioSubsystem& operator=(SdlAudioSubsystem&&) = delete;
    SdlAudioSubsystem(const SdlAudioSubsystem&) = delete;
    SdlAudioSubsystem& operator=(const SdlAudioSubsystem&) = delete;

  private:
    bool owned_ = true;
};

// An open output at 44100 Hz, signed 16-bit stereo, running from the moment it is opened.
// `fill` is called on SDL's audio thread with `user` and room for a number of bytes.
class SdlAudioOutput {
  public:
    SdlAudioOutput(SDL_AudioCallback fill, void* user);
    ~SdlAudioOutput() noexcept;
    SdlAudioOutput(SdlAudioOutput&& other) noexcept;
    SdlAudioOutput& operator=(SdlAudioOutput&&) = delete;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    // The device has gone away since it was opened (unplugged, a write failed).
    bool lost() const;

  private:
    SdlAudioSubsystem subsystem_;
    SDL_AudioDeviceID device_ = 0;
};

}  // namespace tunedeck::cd
