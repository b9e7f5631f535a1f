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
// One period of SDL's audio device (~23 ms): the device's thread wakes once a period, and a
// pause or stop is heard within about two of them (the period being played and the one queued
// behind it), well inside the 100 ms a key may take.
inline constexpr int kDeviceFrames = 1024;

}  // namespace tunedeck
