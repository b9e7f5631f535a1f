#include "platform/screen/picture.h"

#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <system_error>

#include "platform/screen/jpegheader.h"

namespace tunedeck {
namespace {

SdlSurface toargb(SDL_Surface* s) {
    return SdlSurface(SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0));
}

bool isregularfile(const std::filesystem::path& file) {
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec);
}

// Scales a picture down to fit inside maxwidth x maxheight, keeping its proportions.
SdlSurface fitwithin(SdlSurface s, int maxwidth, int maxheight) {
    if (maxwidth <= 0 || maxheight <= 0 || (s->w <= maxwidth && s->h <= maxheight)) return s;
    double f =
        std::min(static_cast<double>(maxwidth) / s->w, static_cast<double>(maxheight) / s->h);
    int w = std::max(1, static_cast<int>(std::lround(s->w * f)));
    int h = std::max(1, static_cast<int>(std::lround(s->h * f)));
    SdlSurface out(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888));
    if (!out || SDL_SoftStretchLinear(s.get(), nullptr, out.get(), nullptr) != 0) return s;
    return out;
}

}  // namespace

Picture::Picture(SdlSurface surface) : surface_(std::move(surface)) {}

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
    if (!isregularfile(file)) return nullptr;
    auto size = jpegfilesize(file);
    if (!size || size->width <= 0 || size->height <= 0 || size->width > kMaxPictureSide ||
        size->height > kMaxPictureSide)
        return nullptr;
    // The decoder fills a cut-off file with grey instead of failing; refuse it instead.
    if (!jpeghasend(file)) return nullptr;
    SDL_RWops* rw = SDL_RWFromFile(file.c_str(), "rb");
    if (!rw) return nullptr;
    SdlSurface raw(IMG_LoadJPG_RW(rw));
    SDL_RWclose(rw);  // closing a read-only file cannot lose data
    if (!raw || raw->w != size->width || raw->h != size->height) return nullptr;
    SdlSurface argb = toargb(raw.get());
    if (!argb) return nullptr;
    return std::make_shared<const Picture>(fitwithin(std::move(argb), maxwidth, maxheight));
}

}  // namespace tunedeck
