// The one output format of the engine: every stream is decoded and resampled to it, and every
// position or length the engine reports is a byte count of it.
#pragma once

#include <cstddef>

namespace tunedeck {

inline constexpr int kOutputRate = 44100;
inline constexpr int kOutputChannels = 2;
inline constexpr std::size_t kBytesPerFrame = 4;  // signed 16-bit, stereo
inline constexpr std::size_t kBytesPerSecond = kOutputRate * kBytesPerFrame;
// One period of the pipe output: what it asks its source for at a time (~11.6 ms). Small
// enough for a pipe to take each period whole or not at all (at most PIPE_BUF bytes).
inline constexpr int kPeriodFrames = 512;
inline constexpr std::size_t kPeriodBytes = kPeriodFrames * kBytesPerFrame;
// One period of SDL's audio device (~11.6 ms). A longer one halves the device thread's
// wake-ups but delays the first sound of every file by as much (measured: 11 ms to 23 ms from
// play to first sample at 1024), which costs more than the ~0.05 % of a core it saves.
inline constexpr int kDeviceFrames = 512;

}  // namespace tunedeck
