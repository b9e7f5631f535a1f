// Decoding a JPEG or PNG picture held in memory with FFmpeg's decoders, which read Adobe CMYK
// and YCCK JPEGs and pass over metadata segments whose length is off. The picture is turned
// upright by its EXIF orientation and scaled down, with an area filter, to fit a box.
// Any thread; no shared state.
#pragma once

#include <cstdint>
#include <span>

#include "platform/lib/sdl/handles.h"
#include "platform/screen/pictureheader.h"

namespace tunedeck {

struct DecodedPicture {
    SdlSurface surface;  // ARGB8888, upright, within the box
    int width = 0;       // the upright picture's own size, pixels
    int height = 0;
};

// Decodes `bytes`, whose header the caller has read and accepted. A box side of 0 or less sets
// no bound. Throws FfmpegError when the bytes do not decode to the declared size.
DecodedPicture decodepicture(std::span<const uint8_t> bytes, const PictureHeader& header,
                             int maxwidth, int maxheight);

// The same pixels turned by an EXIF orientation (1 as stored, 2 mirrored, 3 turned half round,
// 4 flipped, 5 transposed, 6 turned clockwise, 7 transversed, 8 turned anticlockwise); any other
// value leaves them as stored.
SdlSurface orient(SdlSurface surface, int orientation);

}  // namespace tunedeck
