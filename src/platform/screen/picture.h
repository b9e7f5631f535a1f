// Pictures shown by image elements: decoded pixels held in a software surface, shared between
// the elements that show them (row icons show copies of the icon holders' pictures).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "platform/screen/handles.h"

namespace tunedeck {

class Picture {
  public:
    explicit Picture(SdlSurface surface);
    int width() const { return surface_->w; }   // pixels
    int height() const { return surface_->h; }  // pixels
    SDL_Surface* surface() const { return surface_.get(); }

  private:
    SdlSurface surface_;  // ARGB8888
};

using PictureRef = std::shared_ptr<const Picture>;

// Largest picture side accepted from a file, in pixels.
inline constexpr int kMaxPictureSide = 8000;

// Loads a PNG or JPEG picture (icons, generated art). Null when the file is missing or broken.
PictureRef loadpicture(const std::filesystem::path& file);

// Loads a cover picture: only a JPEG is accepted, its declared size is read from the header
// first and a picture wider or higher than kMaxPictureSide is refused before decoding. A picture
// larger than maxwidth x maxheight is scaled down (keeping its proportions) to fit. Null when
// refused or broken; the caller then keeps the picture it had.
PictureRef loadcover(const std::filesystem::path& file, int maxwidth, int maxheight);

// Wraps a surface the caller drew (converted to ARGB8888).
PictureRef picturefromsurface(SDL_Surface* surface);

}  // namespace tunedeck
