// SHA-256 from the system's crypto library.
#pragma once

#include <string>
#include <string_view>

namespace tunedeck {

// The SHA-256 digest of `data` as 64 lower-case hexadecimal digits.
std::string sha256hex(std::string_view data);

}  // namespace tunedeck
