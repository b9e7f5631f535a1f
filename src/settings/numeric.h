// Reading numbers that people typed into the settings file.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tunedeck {

// A decimal number with optional blanks around it, an optional sign, an optional fraction and
// exponent, brought to the nearest whole number (a half to the even neighbour: 7.5 -> 8,
// 8.5 -> 8). Nothing when the text is empty, not a number or outside lo..hi.
// The same number as it stands, not rounded.
std::optional<double> decimalnumber(std::string_view text);

std::optional<int64_t> wholenumber(std::string_view text, int64_t lo, int64_t hi);

}  // namespace tunedeck
