// The remote page's home-screen icon, drawn by the program: a white note on the television's
// blue, as PNG files of any size. No picture file ships beside the program.
// Any thread: pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunedeck {

// RGBA pixels, `side` x `side`, rows top first.
std::vector<uint8_t> drawappicon(int side);

// An RGBA picture as a PNG file (8 bits per channel, compressed with zlib). Throws
// std::runtime_error when zlib fails.
std::string encodepng(const std::vector<uint8_t>& rgba, int width, int height);

}  // namespace tunedeck
