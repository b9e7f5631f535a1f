#include "platform/audio/output.h"

#include <cstring>

#include "platform/audio/format.h"

namespace tunedeck {

void Output::open(const char* name) {
    close();
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = kOutputChannels;
    want.samples = kDeviceFrames;
    want.callback = &Output::callback;
    want.userdata = this;
    device_ = AudioDevice(name, want);
    setrunning(true);
}

void Output::close() noexcept {
    device_ = AudioDevice();  // the old device closes here, after its last callback
    running_ = false;
    order_.fill(nullptr);
    count_ = 0;
}

bool Output::lost() const {
    return device_ && SDL_GetAudioDeviceStatus(device_.id()) == SDL_AUDIO_STOPPED;
}

void Output::setrunning(bool running) {
    if (!device_) return;
    SDL_PauseAudioDevice(device_.id(), running ? 0 : 1);
    running_ = running;
}

bool Output::append(Stream* stream) {
    AudioDeviceLock lock(device_);
    if (find(stream) < count_) return true;
    if (count_ == kMaxStreams) return false;
    order_[count_++] = stream;
    return true;
}

void Output::remove(Stream* stream) {
    AudioDeviceLock lock(device_);
    const std::size_t at = find(stream);
    if (at >= count_) return;
    for (std::size_t i = at; i + 1 < count_; ++i) order_[i] = order_[i + 1];
    order_[--count_] = nullptr;
}

bool Output::contains(const Stream* stream) const {
    AudioDeviceLock lock(device_);
    return find(stream) < count_;
}

void Output::clear() {
    AudioDeviceLock lock(device_);
    order_.fill(nullptr);
    count_ = 0;
}

std::size_t Output::find(const Stream* stream) const {
    std::size_t at = 0;
    while (at < count_ && order_[at] != stream) ++at;
    return at;
}

void Output::popfront() {
    for (std::size_t i = 0; i + 1 < count_; ++i) order_[i] = order_[i + 1];
    order_[--count_] = nullptr;
}

void SDLCALL Output::callback(void* self, Uint8* out, int len) {
    static_cast<Output*>(self)->mix(out, len > 0 ? static_cast<std::size_t>(len) : 0);
}

// Audio thread, under the device's lock: copies only, never waits or allocates.
void Output::mix(uint8_t* out, std::size_t total) {
    const std::size_t len = total - total % kBytesPerFrame;
    std::size_t done = 0;
    while (done < len && count_ > 0) {
        Stream* stream = order_[0];
        // Read before pulling: when the decoder had finished, nothing can arrive after the pull.
        const bool decoded = stream->decoded();
        done += stream->pull(out + done, len - done);
        if (decoded && stream->drained()) {
            stream->markplayedout();
            popfront();
        } else if (done < len) {
            break;  // the decoder is behind: silence until it catches up
        }
    }
    std::memset(out + done, 0, total - done);
}

}  // namespace tunedeck
