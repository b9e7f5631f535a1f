// Reads the Xing/Info header of an MP3 file and its LAME extension: the frame count and the
// encoder delay and padding, which give the exact number of samples the file holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tunedeck {

// Samples per channel at the file's own rate, after trimming delay and padding; nothing when
// the file has no Xing/Info frame with a frame count.
std::optional<int64_t> mp3exactsamples(const std::string& path);

// The same on bytes already read from the start of a file (for tests and fuzzing).
std::optional<int64_t> mp3exactsamples(const uint8_t* data, std::size_t size);

}  // namespace tunedeck
