// Pictures shown by image elements: decoded pixels held in a software surface, shared between
// the elements that show them (row icons show copies of the icon holders' pictures).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <span>

#include "platform/lib/sdl/handles.h"

namespace tunedeck {

class Picture {
  public:
    explicit Picture(SdlSurface surface);
    // A copy scaled down from a picture of ownwidth x ownheight pixels.
    Picture(SdlSurface surface, int ownwidth, int ownheight);
    int width() const { return surface_->w; }   // pixels held
    int height() const { return surface_->h; }  // pixels held
    // The size of the picture as its file has it; larger than the pixels held when it was
    // scaled down on loading.
    int ownwidth() const { return ownwidth_; }
    int ownheight() const { return ownheight_; }
    SDL_Surface* surface() const { return surface_.get(); }

  private:
    SdlSurface surface_;  // ARGB8888
    int ownwidth_ = 0, ownheight_ = 0;
};

using PictureRef = std::shared_ptr<const Picture>;

// Largest picture side accepted from a file, in pixels.
inline constexpr int kMaxPictureSide = 8000;

// Loads a PNG or JPEG picture (icons, generated art). Null when the file is missing or broken.
PictureRef loadpicture(const std::filesystem::path& file);

// Loads a cover picture file, a JPEG or a PNG whatever its name says. Its declared size is read
// from the header first, and a picture wider or higher than kMaxPictureSide is refused before
// decoding. The picture is turned upright by its EXIF orientation; one larger than
// maxwidth x maxheight is scaled down (keeping its proportions) to fit. Null when refused or
// broken; the caller then keeps the picture it had.
PictureRef loadcover(const std::filesystem::path& file, int maxwidth, int maxheight);
// The same for a picture's encoded bytes, such as a picture embedded in a music file.
PictureRef decodecover(std::span<const uint8_t> bytes, int maxwidth, int maxheight);

// Wraps a surface the caller drew (converted to ARGB8888).
PictureRef picturefromsurface(SDL_Surface* surface);

}  // namespace tunedeck
