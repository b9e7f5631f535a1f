// Where the sound goes: SDL's audio device, or a named pipe paced in real time by us (for a
// multi-room server that reads the pipe). The engine and the CD player both play through this
// interface: each is a SampleSource that the output asks for one period of samples at a time,
// on the output's own thread, in the one output format (format.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace tunedeck {

class SampleSource {
  public:
    // Output thread, with the output's lock held: fills all of `out` (whole frames), silence
    // where nothing plays. False when nothing plays at all (paused, stopped, nothing queued):
    // an output that need not keep a device fed, the pipe, then writes nothing.
    // Never blocks, waits or allocates.
    virtual bool fill(uint8_t* out, std::size_t bytes) noexcept = 0;

  protected:
    ~SampleSource() = default;
};

// An open output calling its source every period. Member functions are for the thread that
// opened it; lock() and unlock() make it a BasicLockable: while held, the source is not called,
// so what fill() reads may be changed. Hold it briefly: the output waits meanwhile.
class OutputDevice {
  public:
    virtual ~OutputDevice() = default;
    // Starts or pauses the calls of the source; an output starts running.
    virtual void set_running(bool running) = 0;
    // The output has gone away since it was opened (a sound card unplugged, a write failed).
    virtual bool lost() const = 0;
    virtual void lock() = 0;
    virtual void unlock() = 0;
};

// Holds an output's lock when there is an output; nothing to hold when there is none.
class OutputLock {
  public:
    explicit OutputLock(OutputDevice* device) : device_(device) {
        if (device_ != nullptr) device_->lock();
    }
    ~OutputLock() {
        if (device_ != nullptr) device_->unlock();
    }
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

  private:
    OutputDevice* device_;
};

// The output as the settings name it: the value of "[audio] output", empty for SDL's device or
// "pipe:<path>" for a named pipe; a relative path is taken from `folder`.
struct OutputTarget {
    std::string setting;
    std::filesystem::path folder;
};

// The output setting names something that cannot be used; the message names the setting.
class OutputSettingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Opens the output the target names, running. `device_name` chooses SDL's device (null: the
// default) and `device_frames` its period; a pipe ignores both and writes periods of
// kPeriodFrames. Throws OutputSettingError for a setting that names no usable pipe, SdlError
// when SDL's device cannot be opened.
std::unique_ptr<OutputDevice> open_output(const OutputTarget& target, const char* device_name,
                                          int device_frames, SampleSource& source);

}  // namespace tunedeck
