#include "platform/lib/ffmpeg/sniff.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace tunedeck {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr std::size_t kHead = 12;
constexpr std::size_t kFrames = 3;           // MPEG frames in a row that make an MP3 sure
constexpr std::size_t kMpegLook = 3 * 1441;  // room for three of the largest layer III frames

Bytes readat(std::ifstream& in, std::streamoff offset, std::size_t count) {
    Bytes out(count);
    in.clear();
    in.seekg(offset);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(count));
    out.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return out;
}

bool startswith(const Bytes& b, std::size_t at, const char* text) {
    const std::size_t n = std::strlen(text);
    return b.size() >= at + n && std::memcmp(b.data() + at, text, n) == 0;
}

// Length of the MPEG layer III frame whose header starts at `p`, 0 when it is none; `key`
// gets the version and rate bits, which stay the same along a file.
std::size_t layer3frame(const uint8_t* p, unsigned& key) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return 0;
    const unsigned version = (p[1] >> 3) & 3;  // 0 MPEG 2.5, 2 MPEG 2, 3 MPEG 1
    const unsigned layer = (p[1] >> 1) & 3;    // 1 layer III
    const unsigned bitrate = p[2] >> 4;
    const unsigned rate = (p[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrate == 0 || bitrate == 15 || rate == 3) return 0;
    static constexpr std::array<unsigned, 15> kMpeg1 = {0,   32,  40,  48,  56,  64,  80, 96,
                                                        112, 128, 160, 192, 224, 256, 320};
    static constexpr std::array<unsigned, 15> kMpeg2 = {0,  8,  16, 24,  32,  40,  48, 56,
                                                        64, 80, 96, 112, 128, 144, 160};
    static constexpr std::array<unsigned, 3> kRates = {44100, 48000, 32000};
    const unsigned hz = kRates[rate] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const unsigned kbps = version == 3 ? kMpeg1[bitrate] : kMpeg2[bitrate];
    const unsigned padding = (p[2] >> 1) & 1;
    key = (version << 2) | rate;
    return (version == 3 ? 144 : 72) * kbps * 1000 / hz + padding;
}

bool mpegframes(const Bytes& b) {
    std::size_t at = 0;
    unsigned first = 0;
    for (std::size_t n = 0; n < kFrames; ++n) {
        unsigned key = 0;
        if (at + 4 > b.size()) return false;
        const std::size_t length = layer3frame(b.data() + at, key);
        if (length == 0 || (n > 0 && key != first)) return false;
        first = key;
        at += length;
    }
    return true;
}

// Where the audio starts after an ID3v2 tag at the start; 0 without one.
std::streamoff afterid3(const Bytes& head) {
    if (!startswith(head, 0, "ID3") || head.size() < 10 || head[3] == 0xFF || head[4] == 0xFF)
        return 0;
    std::streamoff size = 0;
    for (std::size_t i = 6; i < 10; ++i) {
        if (head[i] & 0x80) return 0;
        size = size << 7 | head[i];
    }
    const bool footer = (head[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

const char* containername(std::ifstream& in, const Bytes& head) {
    if (startswith(head, 0, "RIFF") && startswith(head, 8, "WAVE")) return "wav";
    if (startswith(head, 0, "fLaC")) return "flac";
    if (startswith(head, 0, "OggS")) return "ogg";
    if (startswith(head, 4, "ftyp")) return "mp4";
    static constexpr uint8_t kAsf[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};
    if (head.size() >= sizeof kAsf && std::memcmp(head.data(), kAsf, sizeof kAsf) == 0)
        return "asf";
    const std::streamoff audio = afterid3(head);
    return mpegframes(readat(in, audio, kMpegLook)) ? "mp3" : nullptr;
}

}  // namespace

const AVInputFormat* knowncontainer(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return nullptr;
    const char* name = containername(in, readat(in, 0, kHead));
    return name != nullptr ? av_find_input_format(name) : nullptr;
}

}  // namespace tunedeck
