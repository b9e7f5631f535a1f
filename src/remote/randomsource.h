// Secrets from the system's random source (getrandom). Any thread.
#pragma once

#include <cstdint>
#include <string>

namespace tunedeck {

// `bytes` random bytes as lower-case hexadecimal text. Throws std::runtime_error when the
// system's random source fails.
std::string randomhex(std::size_t bytes);

// A uniform number in [0, bound), without modulo bias. Same failure as randomhex.
uint32_t randombelow(uint32_t bound);

}  // namespace tunedeck
