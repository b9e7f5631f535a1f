// Reading a JPEG file's declared size without decoding it, so that a picture claiming a huge
// size can be refused before any pixel memory is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace tunedeck {

struct JpegSize {
    int width = 0;
    int height = 0;
};

// The frame size from the first start-of-frame marker, or nothing when the bytes are not a JPEG
// or end before the marker. Reads at most the bytes given.
std::optional<JpegSize> jpegsize(std::span<const uint8_t> bytes);

// The same from a file, reading only a bounded head of it.
std::optional<JpegSize> jpegfilesize(const std::filesystem::path& file);

// True when the file ends with the end-of-image marker (possibly followed by a little padding),
// which a truncated download or copy lacks.
bool jpeghasend(const std::filesystem::path& file);

}  // namespace tunedeck
