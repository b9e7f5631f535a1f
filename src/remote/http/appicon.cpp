#include "remote/http/appicon.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace tunedeck {
namespace {

// Inside tests in the unit square (x right, y down).
bool insidenote(double x, double y) {
    const auto head = [](double x0, double y0, double cx, double cy) {
        const double dx = (x0 - cx) / 0.105, dy = (y0 - cy) / 0.075;
        return dx * dx + dy * dy <= 1.0;
    };
    const bool heads = head(x, y, 0.36, 0.70) || head(x, y, 0.66, 0.64);
    const bool stems = (x >= 0.43 && x <= 0.47 && y >= 0.27 && y <= 0.70) ||
                       (x >= 0.73 && x <= 0.77 && y >= 0.21 && y <= 0.64);
    // The beam rises from the left stem to the right one.
    const double beamtop = 0.27 - (x - 0.43) * 0.2;
    const bool beam = x >= 0.43 && x <= 0.77 && y >= beamtop && y <= beamtop + 0.08;
    return heads || stems || beam;
}

bool insiderounded(double x, double y) {
    constexpr double kRadius = 0.18;
    const double cx = std::clamp(x, kRadius, 1 - kRadius), cy = std::clamp(y, kRadius, 1 - kRadius);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= kRadius * kRadius;
}

void put32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

void chunk(std::string& out, const char* type, const std::string& data) {
    put32(out, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    put32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                           static_cast<uInt>(typed.size()))));
}

}  // namespace

std::vector<uint8_t> drawappicon(int side) {
    std::vector<uint8_t> px(static_cast<std::size_t>(side) * side * 4);
    constexpr int kSub = 4;  // samples per pixel along each side
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            int card = 0, note = 0;
            for (int sy = 0; sy < kSub; ++sy)
                for (int sx = 0; sx < kSub; ++sx) {
                    const double u = (x + (sx + 0.5) / kSub) / side;
                    const double v = (y + (sy + 0.5) / kSub) / side;
                    card += insiderounded(u, v);
                    note += insidenote(u, v);
                }
            // The television's gradient, top to bottom.
            const double t = static_cast<double>(y) / std::max(1, side - 1);
            const double cover = static_cast<double>(note) / (kSub * kSub);
            const std::array<double, 3> blue{7 + t * 61, 18 + t * 56, 143 + t * 4};
            uint8_t* p = &px[(static_cast<std::size_t>(y) * side + x) * 4];
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint8_t>(std::lround(blue[c] + (255 - blue[c]) * cover));
            p[3] = static_cast<uint8_t>(std::lround(255.0 * card / (kSub * kSub)));
        }
    return px;
}

std::string encodepng(const std::vector<uint8_t>& rgba, int width, int height) {
    std::string raw;
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    raw.reserve((stride + 1) * height);
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');  // no filter
        raw.append(reinterpret_cast<const char*>(&rgba[y * stride]), stride);
    }
    uLongf packed = compressBound(static_cast<uLong>(raw.size()));
    std::string deflated(packed, '\0');
    if (compress2(reinterpret_cast<Bytef*>(deflated.data()), &packed,
                  reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("cannot compress the icon");
    deflated.resize(packed);

    std::string header;
    put32(header, static_cast<uint32_t>(width));
    put32(header, static_cast<uint32_t>(height));
    header += std::string{8, 6, 0, 0, 0};  // 8 bits, RGBA, deflate, no filter set, no interlace
    std::string out = "\x89PNG\r\n\x1a\n";
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", deflated);
    chunk(out, "IEND", "");
    return out;
}

}  // namespace tunedeck
