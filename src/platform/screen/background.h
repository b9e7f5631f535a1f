// The persistent background image under every element: a picture of (width / 15) x
// (height / 15) pixels of the screen's twips, stretched to the display. Drawing on it goes
// through solid rectangle fills, so each row is held as runs of one colour, and rows that the
// same fills made share their runs: a gradient of bands costs a few kilobytes, not a bitmap.
// UI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace tunedeck {

// Rectangle in the image's pixels: left and top inclusive, right and bottom exclusive.
struct PixelRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// A stretch of one row in one colour, from `start` to the next run's start (or the row's end).
struct ColourRun {
    int32_t start = 0;
    uint32_t colour = 0;
    bool operator==(const ColourRun&) const = default;
};
using RowRuns = std::vector<ColourRun>;

class BackgroundImage {
  public:
    BackgroundImage(int width, int height, uint32_t colour);

    int width() const { return width_; }
    int height() const { return static_cast<int>(rows_.size()); }
    // Fills the part of `rect` inside the image with an RGB word; returns false when nothing
    // of it lies inside.
    bool fillrect(const PixelRect& rect, uint32_t colour);
    // Fills the whole image.
    void clear(uint32_t colour);
    // RGB word of one pixel (tests, screenshots).
    uint32_t pixel(int x, int y) const;
    // Row y (0 <= y < height()) as runs, left to right, the first starting at 0.
    const RowRuns& row(int y) const { return *rows_[static_cast<std::size_t>(y)]; }
    // Changes with every drawing, so the screen knows when to draw it again.
    uint64_t version() const { return version_; }

  private:
    int width_;
    std::vector<std::shared_ptr<const RowRuns>> rows_;
    uint64_t version_ = 0;
};

}  // namespace tunedeck
