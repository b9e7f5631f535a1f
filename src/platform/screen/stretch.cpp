#include "platform/screen/stretch.h"

#include <algorithm>

#include "platform/screen/units.h"

namespace tunedeck {

namespace {

// Pixel centres line up: screen pixel i samples the image at (i + 0.5) * size / count - 0.5.
std::vector<BackgroundStretch::Tap> taps(int size, int count) {
    std::vector<BackgroundStretch::Tap> out(static_cast<std::size_t>(std::max(count, 0)));
    const int64_t twice = 2 * static_cast<int64_t>(count);
    for (int i = 0; i < count; ++i) {
        const int64_t at = (2 * static_cast<int64_t>(i) + 1) * size - count;  // in 1/twice
        auto& tap = out[static_cast<std::size_t>(i)];
        if (at <= 0) continue;  // left of the first pixel's centre
        tap.first = static_cast<int32_t>(at / twice);
        if (tap.first >= size - 1) {
            tap.first = tap.second = size - 1;
            continue;
        }
        tap.second = tap.first + 1;
        tap.weight = static_cast<uint32_t>((at % twice) * BackgroundStretch::kOne / twice);
    }
    return out;
}

uint32_t mix(uint32_t a, uint32_t b, uint32_t weight) {
    if (weight == 0 || a == b) return a;
    auto channel = [weight](uint32_t x, uint32_t y) {
        return (x * (BackgroundStretch::kOne - weight) + y * weight +
                BackgroundStretch::kOne / 2) >>
               16;
    };
    return rgbword(static_cast<int>(channel(redof(a), redof(b))),
                   static_cast<int>(channel(greenof(a), greenof(b))),
                   static_cast<int>(channel(blueof(a), blueof(b))));
}

// Walks a row's runs left to right.
class RunCursor {
  public:
    explicit RunCursor(const RowRuns& runs) : runs_(runs) {}
    uint32_t at(int32_t x) {
        while (index_ + 1 < runs_.size() && runs_[index_ + 1].start <= x) ++index_;
        return runs_[index_].colour;
    }

  private:
    const RowRuns& runs_;
    std::size_t index_ = 0;
};

void fill(SDL_Renderer* renderer, uint32_t colour, const SDL_Rect& rect) {
    SDL_SetRenderDrawColor(renderer, redof(colour), greenof(colour), blueof(colour), 255);
    SDL_RenderFillRect(renderer, &rect);
}

}  // namespace

BackgroundStretch::BackgroundStretch(int imagewidth, int imageheight, int widthpx, int heightpx)
    : columns_(taps(imagewidth, widthpx)), rows_(taps(imageheight, heightpx)) {}

void BackgroundStretch::paint(SDL_Renderer* renderer, const BackgroundImage& image,
                              const SDL_Rect& region) const {
    const int top = std::max(region.y, 0);
    const int bottom = std::min(region.y + region.h, static_cast<int>(rows_.size()));
    // Rows of one colour are gathered into one fill while the colour holds.
    SDL_Rect band{region.x, top, region.w, 0};
    uint32_t bandcolour = 0;
    for (int y = top; y < bottom; ++y) {
        const Tap& tap = rows_[static_cast<std::size_t>(y)];
        const RowRuns& a = image.row(tap.first);
        const RowRuns& b = image.row(tap.second);
        if (a.size() == 1 && b.size() == 1) {
            const uint32_t colour = mix(a[0].colour, b[0].colour, tap.weight);
            if (band.h > 0 && colour != bandcolour) {
                fill(renderer, bandcolour, band);
                band.h = 0;
            }
            if (band.h == 0) band.y = y, bandcolour = colour;
            ++band.h;
            continue;
        }
        if (band.h > 0) fill(renderer, bandcolour, band);
        band.h = 0;
        paintrow(renderer, image, region, y);
    }
    if (band.h > 0) fill(renderer, bandcolour, band);
}

// A row whose image rows change along it: runs of one colour, pixel by pixel.
void BackgroundStretch::paintrow(SDL_Renderer* renderer, const BackgroundImage& image,
                                 const SDL_Rect& region, int y) const {
    const Tap& vertical = rows_[static_cast<std::size_t>(y)];
    RunCursor a0(image.row(vertical.first)), a1(image.row(vertical.first));
    RunCursor b0(image.row(vertical.second)), b1(image.row(vertical.second));
    const int left = std::max(region.x, 0);
    const int right = std::min(region.x + region.w, static_cast<int>(columns_.size()));
    SDL_Rect run{left, y, 0, 1};
    uint32_t runcolour = 0;
    for (int x = left; x < right; ++x) {
        const Tap& t = columns_[static_cast<std::size_t>(x)];
        const uint32_t top = mix(a0.at(t.first), a1.at(t.second), t.weight);
        const uint32_t bottom = mix(b0.at(t.first), b1.at(t.second), t.weight);
        const uint32_t colour = mix(top, bottom, vertical.weight);
        if (run.w > 0 && colour != runcolour) {
            fill(renderer, runcolour, run);
            run.x = x;
            run.w = 0;
        }
        runcolour = colour;
        ++run.w;
    }
    if (run.w > 0) fill(renderer, runcolour, run);
}

}  // namespace tunedeck
