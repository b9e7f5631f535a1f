#include "platform/screen/jpegheader.h"

#include <fstream>
#include <vector>

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

// Enough to pass a few large metadata segments (each at most 64 KiB) before the frame header.
constexpr std::size_t kHeadLimit = 1 << 20;

}  // namespace

std::optional<JpegSize> jpegsize(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return std::nullopt;
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF) return std::nullopt;
        uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (isstandalone(marker)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // image data before a frame
        std::size_t length = be16(bytes, at + 2);
        if (length < 2) return std::nullopt;
        if (isframemarker(marker)) {
            if (length < 7 || at + 9 > bytes.size()) return std::nullopt;
            return JpegSize{be16(bytes, at + 7), be16(bytes, at + 5)};
        }
        at += 2 + length;
    }
    return std::nullopt;
}

std::optional<JpegSize> jpegfilesize(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<uint8_t> head(kHeadLimit);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return jpegsize(head);
}

bool jpeghasend(const std::filesystem::path& file) {
    constexpr std::streamoff kTail = 4096;
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) return false;
    std::streamoff size = in.tellg();
    if (size < 4) return false;
    std::streamoff from = size > kTail ? size - kTail : 0;
    in.seekg(from);
    std::vector<char> tail(static_cast<std::size_t>(size - from));
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    for (std::size_t i = tail.size() - 1; i > 0; --i)
        if (static_cast<uint8_t>(tail[i - 1]) == 0xFF && static_cast<uint8_t>(tail[i]) == 0xD9)
            return true;
    return false;
}

}  // namespace tunedeck
