#include "settings/numeric.h"

#include <charconv>
#include <cmath>

namespace tunedeck {

namespace {

std::string_view trimblanks(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool decimalonly(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789.eE+-") == std::string_view::npos;
}

// Independent of the floating-point environment's rounding mode.
double roundhalfeven(double value) {
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return whole;
}

}  // namespace

std::optional<double> decimalnumber(std::string_view text) {
    std::string_view s = trimblanks(text);
    if (s.starts_with('+')) s.remove_prefix(1);
    // Keeps out "inf", "nan" and hexadecimal forms, which are not numbers a person types here.
    if (!decimalonly(s) || s.starts_with('+')) return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int64_t> wholenumber(std::string_view text, int64_t lo, int64_t hi) {
    const auto value = decimalnumber(text);
    if (!value) return std::nullopt;
    const double rounded = roundhalfeven(*value);
    if (rounded < static_cast<double>(lo) || rounded > static_cast<double>(hi)) {
        return std::nullopt;
    }
    return static_cast<int64_t>(rounded);
}

}  // namespace tunedeck
