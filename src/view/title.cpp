#include <cstddef>

#include "view/view.h"

namespace tunedeck {
namespace {

// Characters of a UTF-8 text: every byte that does not continue a sequence starts one.
std::size_t characters(const std::string& text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

void rendertitle(View& view, const std::string& title) {
    MainScreen& f = view.form;
    f.lblTitle.caption = title;
    f.lblTitleShadow.caption = title;
    f.lblTitle.left = 500;
    f.lblTitleShadow.left = 570;
    f.lblTitle.width = f.screen.width() - 500;
    f.lblTitleShadow.width = f.screen.width() - 500;
    const bool longtitle = characters(title) > 32;
    f.lblTitle.font.size = longtitle ? 18 : 36;
    f.lblTitleShadow.font.size = longtitle ? 18 : 36;
    f.lblTitle.top = longtitle ? 500 : 200;
    f.lblTitleShadow.top = longtitle ? 570 : 270;
}

}  // namespace tunedeck
