// The key names of the API (POST /api/key/<name>) and the key codes they stand for.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tunedeck {

// The key code of a name (up, down, left, right, enter, l, s, n, p, e, z, space, a, c, d, u,
// x); empty for any other name. Names are lower case only.
std::optional<int16_t> keycodefor(std::string_view name);

}  // namespace tunedeck
