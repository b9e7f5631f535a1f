#include "platform/screen/damage.h"

namespace tunedeck {

void Damage::add(const SDL_Rect& added) {
    SDL_Rect rect;
    if (!SDL_IntersectRect(&added, &frame_, &rect)) return;
    for (std::size_t i = 0; i < rects_.size();) {
        if (SDL_HasIntersection(&rect, &rects_[i])) {
            const SDL_Rect joined = rect;
            SDL_UnionRect(&joined, &rects_[i], &rect);
            rects_.erase(rects_.begin() + static_cast<std::ptrdiff_t>(i));
            i = 0;  // the larger rectangle may now overlap one passed over
            continue;
        }
        ++i;
    }
    rects_.push_back(rect);
    if (rects_.size() <= kMaxRects) return;
    SDL_Rect all = rects_.front();
    for (const SDL_Rect& r : rects_) {
        const SDL_Rect so_far = all;
        SDL_UnionRect(&so_far, &r, &all);
    }
    rects_.assign(1, all);
}

bool Damage::cuts(const SDL_Rect& rect) const {
    bool overlaps = false;
    for (const SDL_Rect& r : rects_) {
        SDL_Rect common;
        if (!SDL_IntersectRect(&rect, &r, &common)) continue;
        if (SDL_RectEquals(&common, &rect)) return false;
        overlaps = true;
    }
    return overlaps;
}

}  // namespace tunedeck
