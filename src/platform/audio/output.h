// The engine's output: the streams it plays, in order, mixed into one output device (SDL's
// device or a pipe, as the settings name it). Each period plays the first stream of the order;
// when that one has been decoded to its end and its ring is empty, it is played out and the
// next stream continues in the same period, at the very next sample. A stream that has not
// reached its end holds back those behind it (an underrun is silence).
// All members are for the UI thread; fill() runs on the output's thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/audio/outputdevice.h"
#include "platform/audio/stream.h"

namespace tunedeck {

class Output : private SampleSource {
  public:
    static constexpr std::size_t kMaxStreams = 8;

    Output() = default;
    ~Output() { close(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Opens the target's output (`name`: SDL's device, null for the default) and starts it.
    // Throws OutputSettingError or SdlError.
    void open(const OutputTarget& target, const char* name);
    // Closes the output (waiting for a period being mixed) and forgets the order.
    void close() noexcept;
    bool isopen() const { return static_cast<bool>(device_); }
    // The output was opened and has since gone away (unplugged, write failure).
    bool lost() const { return device_ && device_->lost(); }
    // Starts or pauses the output's periods.
    void setrunning(bool running);
    bool running() const { return running_; }

    // The play order. append() is false when the order is full.
    bool append(Stream* stream);
    void remove(Stream* stream);
    // Puts `replacement` in the place of `stream` in the order; false when `stream` is not in it.
    bool replace(Stream* stream, Stream* replacement);
    bool contains(const Stream* stream) const;
    void clear();

  private:
    bool fill(uint8_t* out, std::size_t len) noexcept override;
    void popfront();
    std::size_t find(const Stream* stream) const;

    bool running_ = false;
    // Shared with fill(): changed only under the output's lock.
    std::array<Stream*, kMaxStreams> order_{};
    std::size_t count_ = 0;
    std::unique_ptr<OutputDevice> device_;  // last: closes before the order it reads
};

}  // namespace tunedeck
