// What the list area shows, read back from its elements.
#include "view/view.h"

namespace tunedeck {
namespace {

// The meaning of a row's icon, told by the icon holder whose picture it shows.
std::string iconmeaning(const MainScreen& form, int row) {
    const Element* icon = form.imgIcon.get(static_cast<int16_t>(row));
    if (icon == nullptr || !icon->visible || !icon->picture) return {};
    if (icon->picture == form.imgAlbum.picture) return "folder";
    if (icon->picture == form.imgPlaylisted.picture) return "queued";
    if (icon->picture == form.imgPlaylist.picture) return "playlist";
    if (icon->picture == form.imgMusic.picture) return "music";
    return {};
}

}  // namespace

std::string rowcaption(const View& view, int row) {
    const Element* label = view.form.lblItem.get(static_cast<int16_t>(row));
    return label != nullptr && row != 0 ? label->caption : std::string();
}

ShownList shownlist(const View& view) {
    const MainScreen& form = view.form;
    ShownList shown;
    shown.title = form.lblTitle.caption;
    // Row labels exist for the rows of one page only.
    for (int n = 1;; ++n) {
        const Element* label = form.lblItem.get(static_cast<int16_t>(n));
        if (label == nullptr || !label->visible) break;
        shown.rows.push_back(label->caption);
        shown.icons.push_back(view.browse.letterfocus ? "letter" : iconmeaning(form, n));
    }
    // Rows past the end of the listing show nothing on the television.
    while (!shown.rows.empty() && shown.rows.back().empty() && shown.icons.back().empty()) {
        shown.rows.pop_back();
        shown.icons.pop_back();
    }
    shown.highlight = form.shpHighlight.visible ? view.browse.row : 0;
    shown.moreabove = form.lblMoreAbove.visible;
    shown.morebelow = form.lblMoreBelow.visible;
    return shown;
}

}  // namespace tunedeck
