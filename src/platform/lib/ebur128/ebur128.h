// libebur128's loudness meter (EBU R128 / ITU-R BS.1770) behind an owning handle, and its one
// exception type.
#pragma once

#include <ebur128.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include "platform/lib/handle.h"

namespace tunedeck {

// A failure of libebur128 (its own error code).
class Ebur128Error : public std::runtime_error {
  public:
    Ebur128Error(const char* what, int code);
    int code() const { return code_; }

  private:
    int code_;
};

using Ebur128State = UniqueHandle<ebur128_state*, ebur128_destroy>;

// Integrated loudness and sample peak of interleaved signed 16-bit audio. One thread at a time.
class LoudnessMeter {
  public:
    // Throws Ebur128Error (or std::bad_alloc) when the meter cannot be made.
    LoudnessMeter(unsigned channels, unsigned long rate);

    // Adds `frames` interleaved frames. Throws Ebur128Error.
    void add(const int16_t* samples, std::size_t frames);
    // The integrated loudness in LUFS so far; empty for silence (or nothing added).
    std::optional<double> integrated() const;
    // The largest sample of any channel so far, as a fraction of full scale.
    double samplepeak() const;

  private:
    Ebur128State state_;
    unsigned channels_;
};

}  // namespace tunedeck
