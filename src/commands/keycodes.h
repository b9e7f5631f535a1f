// Virtual-key codes the key handler acts on.
#pragma once

#include <cstdint>

namespace tunedeck {

inline constexpr int16_t kKeyEnter = 13;
inline constexpr int16_t kKeyEscape = 27;
inline constexpr int16_t kKeySpace = 32;
inline constexpr int16_t kKeyLeft = 37;
inline constexpr int16_t kKeyUp = 38;
inline constexpr int16_t kKeyRight = 39;
inline constexpr int16_t kKeyDown = 40;
inline constexpr int16_t kKeyA = 65;
inline constexpr int16_t kKeyC = 67;
inline constexpr int16_t kKeyD = 68;
inline constexpr int16_t kKeyE = 69;
inline constexpr int16_t kKeyL = 76;
inline constexpr int16_t kKeyN = 78;
inline constexpr int16_t kKeyP = 80;
inline constexpr int16_t kKeyS = 83;
inline constexpr int16_t kKeyU = 85;
inline constexpr int16_t kKeyX = 88;
inline constexpr int16_t kKeyZ = 90;

}  // namespace tunedeck
