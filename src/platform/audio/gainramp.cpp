#include "platform/audio/gainramp.h"

#include <algorithm>
#include <cmath>

#include "platform/audio/format.h"

namespace tunedeck {

namespace {

int16_t scaled(int16_t sample, float gain) {
    const float value = std::nearbyint(static_cast<float>(sample) * gain);
    return static_cast<int16_t>(std::clamp(value, -32768.0f, 32767.0f));
}

void scaleframe(int16_t* frame, float gain) {
    for (int c = 0; c < kOutputChannels; ++c) frame[c] = scaled(frame[c], gain);
}

}  // namespace

float volumegain(double position) {
    if (!(position > 0)) return 0.0f;
    if (position >= 1) return 1.0f;
    return static_cast<float>(position * position * position);
}

void GainRamp::apply(int16_t* samples, std::size_t frames, float target) noexcept {
    if (!std::isfinite(target) || target < 0) target = 0;
    if (target != aim_) {
        // A linear step per frame that reaches the new target after kRampFrames frames.
        aim_ = target;
        step_ = (target - current_) / static_cast<float>(kRampFrames);
    }
    if (step_ == 0) current_ = target;
    std::size_t at = 0;
    for (; at < frames && current_ != target; ++at) {
        const float next = current_ + step_;
        current_ = (step_ > 0 ? next >= target : next <= target) ? target : next;
        scaleframe(samples + at * kOutputChannels, current_);
    }
    if (target == 1.0f) return;
    for (; at < frames; ++at) scaleframe(samples + at * kOutputChannels, target);
}

void GainRamp::jump(float gain) noexcept {
    if (!std::isfinite(gain) || gain < 0) gain = 0;
    current_ = gain;
    aim_ = gain;
}

}  // namespace tunedeck
