#include "platform/audio/lametag.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace tunedeck {

namespace {

constexpr std::size_t kHeadBytes = 1 << 16;  // an ID3v2 tag larger than this is not looked past

uint32_t be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Where the first frame starts: after an ID3v2 tag, if there is one.
std::size_t firstframe(const uint8_t* data, std::size_t size) {
    if (size < 10 || std::memcmp(data, "ID3", 3) != 0) return 0;
    const std::size_t body = (std::size_t{data[6] & 0x7fu} << 21) |
                             (std::size_t{data[7] & 0x7fu} << 14) |
                             (std::size_t{data[8] & 0x7fu} << 7) | (data[9] & 0x7fu);
    return 10 + body + ((data[5] & 0x10) ? 10 : 0);
}

}  // namespace

std::optional<int64_t> mp3exactsamples(const uint8_t* data, std::size_t size) {
    const std::size_t frame = firstframe(data, size);
    if (frame + 4 > size) return std::nullopt;
    const uint8_t* h = data + frame;
    const int version = (h[1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const bool layer3 = ((h[1] >> 1) & 3) == 1;
    if (h[0] != 0xff || (h[1] & 0xe0) != 0xe0 || version == 1 || !layer3) return std::nullopt;
    const bool mono = ((h[3] >> 6) & 3) == 3;
    const std::size_t sideinfo = version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const int64_t perframe = version == 3 ? 1152 : 576;
    std::size_t at = frame + 4 + sideinfo;
    if (at + 8 > size) return std::nullopt;
    if (std::memcmp(data + at, "Xing", 4) != 0 && std::memcmp(data + at, "Info", 4) != 0) {
        return std::nullopt;
    }
    const uint32_t flags = be32(data + at + 4);
    at += 8;
    if (!(flags & 1) || at + 4 > size) return std::nullopt;
    const int64_t frames = be32(data + at);
    at += 4;
    if (flags & 2) at += 4;    // byte count
    if (flags & 4) at += 100;  // seek table
    if (flags & 8) at += 4;    // quality
    int64_t trimmed = 0;
    // The extension is written by LAME and, in the same layout, by FFmpeg's own muxer.
    const bool extension = at + 24 <= size && (std::memcmp(data + at, "LAME", 4) == 0 ||
                                               std::memcmp(data + at, "Lavf", 4) == 0 ||
                                               std::memcmp(data + at, "Lavc", 4) == 0);
    if (extension) {
        const uint8_t* gap = data + at + 21;
        trimmed = ((gap[0] << 4) | (gap[1] >> 4)) + (((gap[1] & 0x0f) << 8) | gap[2]);
    }
    const int64_t samples = frames * perframe - trimmed;
    return samples > 0 ? std::optional<int64_t>(samples) : std::nullopt;
}

std::optional<int64_t> mp3exactsamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> head(kHeadBytes);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    return mp3exactsamples(head.data(), static_cast<std::size_t>(in.gcount()));
}

}  // namespace tunedeck
