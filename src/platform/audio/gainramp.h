// Gain on the output's samples: the software volume and each stream's loudness levelling.
// A change of gain within a stream is ramped over a few milliseconds, so that it never clicks;
// at a join between streams the next stream's gain starts at its first sample, where the sound
// changes anyway. A gain of exactly 1 leaves the samples untouched, bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tunedeck {

// The gain of a volume control's position, 0 (silent) to 1 (full, unchanged): a cubic curve,
// so that equal steps of the control sound like equal steps of loudness (half way is -18 dB).
// Positions outside 0..1, or not a number, count as the nearer end.
float volumegain(double position);

// One output's running gain. Output thread only.
class GainRamp {
  public:
    // Frames over which a change of the target is spread (~10 ms).
    static constexpr std::size_t kRampFrames = 441;

    // Scales `frames` interleaved stereo frames in place towards `target`, rounding to the
    // nearest sample and saturating at full scale.
    void apply(int16_t* samples, std::size_t frames, float target) noexcept;
    // Takes `gain` at once, without a ramp: for the first sample of another stream.
    void jump(float gain) noexcept;
    float current() const { return current_; }

  private:
    float current_ = 1.0f;
    float aim_ = 1.0f;   // the target the ramp heads for
    float step_ = 0.0f;  // per frame
};

}  // namespace tunedeck
