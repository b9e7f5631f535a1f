#include "platform/screen/background.h"

#include <algorithm>

namespace tunedeck {

namespace {

// The colour at x of a row.
uint32_t colourat(const RowRuns& runs, int32_t x) {
    auto after = std::upper_bound(runs.begin(), runs.end(), x,
                                  [](int32_t at, const ColourRun& run) { return at < run.start; });
    return std::prev(after)->colour;
}

// `runs` of a row `width` pixels long with [left, right) painted in `colour`; neighbours of one
// colour are joined.
RowRuns painted(const RowRuns& runs, int32_t width, int32_t left, int32_t right, uint32_t colour) {
    RowRuns out;
    out.reserve(runs.size() + 2);
    auto add = [&out](int32_t start, uint32_t c) {
        if (!out.empty() && out.back().start == start) out.pop_back();
        if (out.empty() || out.back().colour != c) out.push_back({start, c});
    };
    for (const ColourRun& run : runs) {
        if (run.start >= left) break;
        add(run.start, run.colour);
    }
    add(left, colour);
    if (right < width) add(right, colourat(runs, right));
    for (const ColourRun& run : runs)
        if (run.start > right) add(run.start, run.colour);
    return out;
}

}  // namespace

BackgroundImage::BackgroundImage(int width, int height, uint32_t colour)
    : width_(std::max(width, 1)),
      rows_(static_cast<std::size_t>(std::max(height, 1)),
            std::make_shared<const RowRuns>(RowRuns{{0, colour}})) {
    ++version_;
}

bool BackgroundImage::fillrect(const PixelRect& rect, uint32_t colour) {
    const int32_t l = std::max<int32_t>(rect.left, 0), t = std::max<int32_t>(rect.top, 0);
    const int32_t r = std::min<int32_t>(rect.right, width()),
                  b = std::min<int32_t>(rect.bottom, height());
    if (l >= r || t >= b) return false;
    // Rows that shared their runs before the fill share the painted ones after it.
    std::shared_ptr<const RowRuns> before, after;
    for (int32_t y = t; y < b; ++y) {
        auto& row = rows_[static_cast<std::size_t>(y)];
        if (row != before) {
            before = row;
            after = std::make_shared<const RowRuns>(painted(*row, width_, l, r, colour));
        }
        row = after;
    }
    ++version_;
    return true;
}

void BackgroundImage::clear(uint32_t colour) {
    fillrect({0, 0, width(), height()}, colour);
}

uint32_t BackgroundImage::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    return colourat(row(y), x);
}

}  // namespace tunedeck
