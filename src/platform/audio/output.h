// The audio output: one SDL device and the streams it plays, in order. The callback plays the
// first stream of the order; when that one has been decoded to its end and its ring is empty,
// it is played out and the next stream continues in the same buffer, at the very next sample.
// A stream that has not reached its end holds back those behind it (an underrun is silence).
// All members are for the UI thread; the callback runs on SDL's audio thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/audio/sdl.h"
#include "platform/audio/stream.h"

namespace tunedeck {

class Output {
  public:
    static constexpr std::size_t kMaxStreams = 8;
    static constexpr Uint16 kDeviceFrames = 512;  // ~11.6 ms per callback

    Output() = default;
    ~Output() { close(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Opens the device (null name: the default) and starts it. Throws SdlError.
    void open(const char* name);
    // Closes the device (waiting for a running callback) and forgets the order.
    void close() noexcept;
    bool isopen() const { return static_cast<bool>(device_); }
    // The device was opened and has since gone away (unplugged, write failure).
    bool lost() const;
    // Starts or pauses the device's callback.
    void setrunning(bool running);
    bool running() const { return running_; }

    // The play order. append() is false when the order is full.
    bool append(Stream* stream);
    void remove(Stream* stream);
    bool contains(const Stream* stream) const;
    void clear();

  private:
    static void SDLCALL callback(void* self, Uint8* out, int len);
    void mix(uint8_t* out, std::size_t len);
    void popfront();
    std::size_t find(const Stream* stream) const;

    AudioDevice device_;
    bool running_ = false;
    // Shared with the callback: changed only under the device's lock.
    std::array<Stream*, kMaxStreams> order_{};
    std::size_t count_ = 0;
};

}  // namespace tunedeck
