// RAII owners for the SDL audio resources the engine uses.
#pragma once

#include <SDL.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace tunedeck {

// An SDL failure with SDL's own message.
class SdlError : public std::runtime_error {
  public:
    explicit SdlError(const std::string& what) : std::runtime_error(what + ": " + SDL_GetError()) {}
};

// A reference on SDL subsystems (SDL counts them), released on destruction.
class SdlSubsystem {
  public:
    SdlSubsystem() = default;
    explicit SdlSubsystem(Uint32 flags);  // throws SdlError
    ~SdlSubsystem() noexcept {
        if (flags_) SDL_QuitSubSystem(flags_);
    }
    SdlSubsystem(SdlSubsystem&& other) noexcept : flags_(std::exchange(other.flags_, 0)) {}
    SdlSubsystem& operator=(SdlSubsystem&& other) noexcept {
        std::swap(flags_, other.flags_);
        return *this;
    }
    SdlSubsystem(const SdlSubsystem&) = delete;
    SdlSubsystem& operator=(const SdlSubsystem&) = delete;

  private:
    Uint32 flags_ = 0;
};

// An open audio output device; closing it waits for its callback to return.
class AudioDevice {
  public:
    AudioDevice() = default;
    // Opens the named device (null: the default) exactly in `want`'s format. Throws SdlError.
    explicit AudioDevice(const char* name, const SDL_AudioSpec& want);
    ~AudioDevice() noexcept {
        if (id_) SDL_CloseAudioDevice(id_);
    }
    AudioDevice(AudioDevice&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
    AudioDevice& operator=(AudioDevice&& other) noexcept {
        std::swap(id_, other.id_);
        return *this;
    }
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    SDL_AudioDeviceID id() const { return id_; }
    explicit operator bool() const { return id_ != 0; }

  private:
    SDL_AudioDeviceID id_ = 0;
};

}  // namespace tunedeck
