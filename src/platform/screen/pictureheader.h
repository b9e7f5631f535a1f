// Reading a picture's format and declared size from its first bytes without decoding it, so that
// a picture claiming a huge size can be refused before any pixel memory is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tunedeck {

enum class PictureKind { Jpeg, Png };

struct PictureHeader {
    PictureKind kind = PictureKind::Jpeg;
    int width = 0;   // pixels, as the file declares
    int height = 0;  // pixels
};

// The frame size from a JPEG's first start-of-frame marker, or nothing when the bytes are not a
// JPEG or end before the marker. A metadata segment whose length field is off by a few bytes
// is passed over as the common decoders do, by looking for the next marker.
std::optional<PictureHeader> jpegheader(std::span<const uint8_t> bytes);

// The size in a PNG's header chunk, or nothing when the bytes are not a PNG.
std::optional<PictureHeader> pngheader(std::span<const uint8_t> bytes);

// Either of the two, told apart by the leading signature.
std::optional<PictureHeader> pictureheader(std::span<const uint8_t> bytes);

// True when a JPEG ends with the end-of-image marker (possibly followed by a little padding),
// which a truncated download or copy lacks.
bool jpeghasend(std::span<const uint8_t> bytes);

}  // namespace tunedeck
