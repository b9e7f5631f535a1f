#include "platform/screen/picture.h"

#include <SDL_image.h>

#include <fstream>
#include <system_error>
#include <vector>

#include "platform/screen/coverdecode.h"
#include "platform/screen/pictureheader.h"

namespace tunedeck {
namespace {

// Enough of a file's head to pass a few large metadata segments before a JPEG frame header.
constexpr std::size_t kHeadBytes = 1 << 20;
// Larger than any sane cover of at most kMaxPictureSide pixels a side; a bound on what is read.
constexpr std::uintmax_t kMaxCoverBytes = 64u << 20;

SdlSurface toargb(SDL_Surface* s) {
    return SdlSurface(SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0));
}

bool isregularfile(const std::filesystem::path& file) {
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec);
}

// Up to `limit` bytes from the start of an open file.
std::vector<uint8_t> readbytes(std::ifstream& in, std::size_t limit) {
    std::vector<uint8_t> bytes(limit);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

bool acceptable(const std::optional<PictureHeader>& h) {
    return h && h->width > 0 && h->height > 0 && h->width <= kMaxPictureSide &&
           h->height <= kMaxPictureSide;
}

}  // namespace

Picture::Picture(SdlSurface surface) : surface_(std::move(surface)) {
    ownwidth_ = surface_->w;
    ownheight_ = surface_->h;
}

Picture::Picture(SdlSurface surface, int ownwidth, int ownheight)
    : surface_(std::move(surface)), ownwidth_(ownwidth), ownheight_(ownheight) {}

PictureRef picturefromsurface(SDL_Surface* surface) {
    if (!surface) return nullptr;
    SdlSurface argb = toargb(surface);
    if (!argb) return nullptr;
    return std::make_shared<const Picture>(std::move(argb));
}

PictureRef loadpicture(const std::filesystem::path& file) {
    if (!isregularfile(file)) return nullptr;
    SdlSurface raw(IMG_Load(file.c_str()));
    if (!raw || raw->w > kMaxPictureSide || raw->h > kMaxPictureSide) return nullptr;
    return picturefromsurface(raw.get());
}

PictureRef loadcover(const std::filesystem::path& file, int maxwidth, int maxheight) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || !isregularfile(file) || size > kMaxCoverBytes) return nullptr;
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes = readbytes(in, kHeadBytes);
    // The header decides before the rest of the file is read or anything is decoded.
    if (!acceptable(pictureheader(bytes))) return nullptr;
    if (size > bytes.size()) {
        std::vector<uint8_t> rest = readbytes(in, static_cast<std::size_t>(size) - bytes.size());
        bytes.insert(bytes.end(), rest.begin(), rest.end());
    }
    return decodecover(bytes, maxwidth, maxheight);
}

PictureRef decodecover(std::span<const uint8_t> bytes, int maxwidth, int maxheight) {
    auto header = pictureheader(bytes);
    if (!acceptable(header)) return nullptr;
    // The JPEG decoder fills a cut-off picture with grey instead of failing; refuse it instead.
    if (header->kind == PictureKind::Jpeg && !jpeghasend(bytes)) return nullptr;
    try {
        DecodedPicture d = decodepicture(bytes, *header, maxwidth, maxheight);
        return std::make_shared<const Picture>(std::move(d.surface), d.width, d.height);
    } catch (const std::exception&) {
        return nullptr;  // broken or refused: the caller keeps the picture it had
    }
}

}  // namespace tunedeck
