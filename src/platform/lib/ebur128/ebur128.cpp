#include "platform/lib/ebur128/ebur128.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace tunedeck {

Ebur128Error::Ebur128Error(const char* what, int code)
    : std::runtime_error(std::string(what) + " (libebur128 error " + std::to_string(code) + ")"),
      code_(code) {}

LoudnessMeter::LoudnessMeter(unsigned channels, unsigned long rate)
    : state_(ebur128_init(channels, rate, EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK)),
      channels_(channels) {
    if (!state_) throw std::bad_alloc();
}

void LoudnessMeter::add(const int16_t* samples, std::size_t frames) {
    const int code = ebur128_add_frames_short(state_.get(), samples, frames);
    if (code != EBUR128_SUCCESS) throw Ebur128Error("cannot measure the samples", code);
}

std::optional<double> LoudnessMeter::integrated() const {
    double lufs = 0;
    if (ebur128_loudness_global(state_.get(), &lufs) != EBUR128_SUCCESS) return std::nullopt;
    // Silence, or less than one 400 ms block, has no loudness (libebur128 gives -inf).
    if (!std::isfinite(lufs)) return std::nullopt;
    return lufs;
}

double LoudnessMeter::samplepeak() const {
    double peak = 0;
    for (unsigned c = 0; c < channels_; ++c) {
        double channel = 0;
        if (ebur128_sample_peak(state_.get(), c, &channel) == EBUR128_SUCCESS)
            peak = std::max(peak, channel);
    }
    return peak;
}

}  // namespace tunedeck
