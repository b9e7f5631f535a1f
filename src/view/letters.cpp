#include <algorithm>
#include <cmath>
#include <string>

#include "view/view.h"

namespace tunedeck {
namespace {

constexpr int kColumns = 5;
constexpr int32_t kColumnStep = 1500;
constexpr int32_t kLineStep = 800;
constexpr int32_t kFirstLineTop = 2200;
// Rows a list page may have created (renderitems clears this many).
constexpr int kListRows = 27;

// List rows numbered above the grid's last letter would otherwise stay on screen over it.
void removeleftoverrows(View& view, int count) {
    const int last = std::max(kListRows, view.settings.perpage);
    for (int n = count + 1; n <= last; ++n) {
        view.form.lblItem.destroy(static_cast<int16_t>(n));
        view.form.imgIcon.destroy(static_cast<int16_t>(n));
    }
}

}  // namespace

void renderletters(View& view) {
    MainScreen& f = view.form;
    const BrowseState& b = view.browse;
    const double x0 = f.screen.width() / 2.0 - 3000;
    double x = x0;
    int32_t y = kFirstLineTop;
    int c = 1;
    int n = 0;
    for (const Item& item : b.items) {
        const auto cell = static_cast<int16_t>(++n);
        f.lblItem.destroy(cell);
        f.imgIcon.destroy(cell);
        f.lblItem.create(cell);
        Element& lbl = f.lblItem.at(cell);
        lbl.left = static_cast<int32_t>(std::nearbyint(x));
        lbl.top = y;
        lbl.caption = item.label;
        lbl.tag = std::to_string(n);
        lbl.visible = true;
        f.screen.bringtofront(lbl);
        x += kColumnStep;
        if (++c > kColumns) {
            c = 1;
            y += kLineStep;
            x = x0;
        }
    }
    removeleftoverrows(view, n);
    f.imgCover.visible = false;
    f.lblMoreAbove.visible = false;
    f.lblMoreBelow.visible = false;
    view.browse.letterfocus = true;
}

}  // namespace tunedeck
