// Engine lifecycle: start-up, output control, shutdown, device loss.
#include "platform/audio/engine.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>

#include "platform/audio/format.h"

namespace tunedeck {

namespace {

// How far decoding runs ahead of the output. The library's buffer length is honoured within
// these bounds: the end notification comes about this long before the audible end, and the
// UI thread has this long to start the next file without a gap.
constexpr float kMinBufferSeconds = 0.2f;
constexpr float kMaxBufferSeconds = 0.5f;

std::size_t bufferbytes(float seconds) {
    const float clamped = std::clamp(seconds, kMinBufferSeconds, kMaxBufferSeconds);
    return static_cast<std::size_t>(std::lround(clamped * kOutputRate)) * kBytesPerFrame;
}

}  // namespace

AudioEngine::AudioEngine(OutputTarget target)
    : target_(std::move(target)),
      bufferbytes_(bufferbytes(kMaxBufferSeconds)),
      token_(std::random_device{}()) {}

AudioEngine::~AudioEngine() {
    free();
}

BOOL AudioEngine::ok() {
    error_ = BASS_OK;
    return 1;
}

BOOL AudioEngine::fail(int code) {
    error_ = code;
    return 0;
}

BOOL AudioEngine::init(int device) {
    if (initialised_) return fail(BASS_ERROR_ALREADY);
    if (device != -1 && device < 1) return fail(BASS_ERROR_DEVICE);
    synceventtype();
    output_error_.clear();
    try {
        SdlInit sdl = startsdl(SDL_INIT_EVENTS);
        SdlInit audio;  // keeps a device's name valid until it is opened
        const char* name = nullptr;
        if (device > 0) {
            audio = startsdl(SDL_INIT_AUDIO);
            name = SDL_GetAudioDeviceName(device - 1, 0);
            if (!name) return fail(BASS_ERROR_DEVICE);
        }
        output_.open(target_, name);
        sdl_ = std::move(sdl);
    } catch (const OutputSettingError& e) {
        output_error_ = e.what();
        return fail(BASS_ERROR_DRIVER);
    } catch (const std::exception&) {
        return fail(BASS_ERROR_DRIVER);
    }
    initialised_ = true;
    return ok();
}

BOOL AudioEngine::setbufferlength(float seconds) {
    if (!(seconds > 0)) return fail(BASS_ERROR_ILLPARAM);
    bufferbytes_ = bufferbytes(seconds);
    return ok();
}

BOOL AudioEngine::start() {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    poll();
    if (!ensureoutput()) return fail(BASS_ERROR_DRIVER);
    output_.setrunning(true);
    return ok();
}

// Stops the output and every stream in it, cutting even the last file's tail.
BOOL AudioEngine::stop() {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    output_.setrunning(false);
    output_.clear();
    draining_.clear();
    for (auto& [handle, channel] : channels_) {
        if (channel.state == State::Playing) channel.state = State::Stopped;
    }
    return ok();
}

void AudioEngine::free() {
    output_.close();
    channels_.clear();
    draining_.clear();
    closing_.clear();
    sdl_.reset();
    initialised_ = false;
}

// Brings the engine up to date with what the audio thread did: played-out tails are released
// and a vanished device stops everything.
void AudioEngine::poll() {
    if (output_.lost()) devicelost();
    std::erase_if(draining_, [](const auto& stream) { return stream->playedout(); });
    std::erase_if(closing_, [](const auto& stream) { return stream->finished(); });
}

void AudioEngine::devicelost() {
    output_.close();
    draining_.clear();
    for (auto& [handle, channel] : channels_) channel.state = State::Stopped;
}

// Reopens the output (SDL's default device, or the pipe) when the last one went away.
bool AudioEngine::ensureoutput() {
    if (output_.isopen()) return true;
    try {
        output_.open(target_, nullptr);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

Uint32 AudioEngine::synceventtype() {
    static const Uint32 kEventType = SDL_RegisterEvents(1);
    return kEventType;
}

}  // namespace tunedeck
