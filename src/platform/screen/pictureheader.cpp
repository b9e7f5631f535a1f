#include "platform/screen/pictureheader.h"

#include <algorithm>
#include <array>

namespace tunedeck {
namespace {

// A start-of-frame marker: C0..CF except DHT (C4), JPG (C8) and DAC (CC).
bool isframemarker(uint8_t m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// Markers that stand alone, without a length field.
bool isstandalone(uint8_t m) {
    return m == 0x01 || (m >= 0xD0 && m <= 0xD7);
}

uint16_t be16(std::span<const uint8_t> b, std::size_t at) {
    return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

uint32_t be32(std::span<const uint8_t> b, std::size_t at) {
    return static_cast<uint32_t>(be16(b, at)) << 16 | be16(b, at + 2);
}

// The position of the next marker at or after `at`: an 0xFF followed by a marker code. Bytes
// that are not a marker (a segment whose length field is a little off) are passed over.
std::size_t nextmarker(std::span<const uint8_t> b, std::size_t at) {
    while (at + 1 < b.size() && !(b[at] == 0xFF && b[at + 1] != 0x00 && b[at + 1] != 0xFF)) ++at;
    return at;
}

constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

}  // namespace

std::optional<PictureHeader> jpegheader(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return std::nullopt;
    for (std::size_t at = nextmarker(bytes, 2); at + 4 <= bytes.size();
         at = nextmarker(bytes, at)) {
        uint8_t marker = bytes[at + 1];
        if (isstandalone(marker)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // image data before a frame
        std::size_t length = be16(bytes, at + 2);
        if (length < 2) return std::nullopt;
        if (isframemarker(marker)) {
            if (length < 7 || at + 9 > bytes.size()) return std::nullopt;
            return PictureHeader{PictureKind::Jpeg, be16(bytes, at + 7), be16(bytes, at + 5)};
        }
        at += 2 + length;
    }
    return std::nullopt;
}

std::optional<PictureHeader> pngheader(std::span<const uint8_t> bytes) {
    // Signature, then the header chunk: length 13, "IHDR", width and height.
    constexpr std::size_t kHeaderEnd = 8 + 4 + 4 + 8;
    if (bytes.size() < kHeaderEnd ||
        !std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin()))
        return std::nullopt;
    const std::array<uint8_t, 4> ihdr = {'I', 'H', 'D', 'R'};
    if (be32(bytes, 8) != 13 || !std::equal(ihdr.begin(), ihdr.end(), bytes.begin() + 12))
        return std::nullopt;
    const uint32_t width = be32(bytes, 16), height = be32(bytes, 20);
    // The format allows up to 2^31 - 1; anything above is not a PNG.
    if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return std::nullopt;
    return PictureHeader{PictureKind::Png, static_cast<int>(width), static_cast<int>(height)};
}

std::optional<PictureHeader> pictureheader(std::span<const uint8_t> bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return jpegheader(bytes);
    return pngheader(bytes);
}

bool jpeghasend(std::span<const uint8_t> bytes) {
    constexpr std::size_t kTail = 4096;
    if (bytes.size() < 4) return false;
    const std::size_t from = bytes.size() > kTail ? bytes.size() - kTail : 0;
    for (std::size_t i = bytes.size() - 1; i > from; --i)
        if (bytes[i - 1] == 0xFF && bytes[i] == 0xD9) return true;
    return false;
}

}  // namespace tunedeck
