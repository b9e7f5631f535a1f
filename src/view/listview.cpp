#include <string>
#include <system_error>

#include "view/view.h"

namespace tunedeck {
namespace {

namespace fs = std::filesystem;

constexpr int16_t kListRows = 27;  // row labels cleared before a page is drawn
constexpr int32_t kRowLeft = 1100;
constexpr int32_t kRowsTop = 1320;
constexpr int16_t kIconMusic = 0, kIconQueued = 1, kIconPlaylist = 2, kIconFolder = 3;

// Icon of a row from its kind code; -1 for no icon.
int16_t iconfor(const std::string& kind, bool queued) {
    if (kind == kKindFolder) return kIconFolder;
    if (kind == kKindPlayable) return queued ? kIconQueued : kIconMusic;
    if (kind == kKindPlaylist) return kIconPlaylist;
    return -1;
}

// The 1-based position of the first queue entry with this path, 0 when it is not queued.
int queueposition(const PlayQueue& q, const std::string& path) {
    int count = std::min<int>(q.playlistcount, kQueueRows);
    for (int j = 0; j < count; ++j)
        if (q.playlist[static_cast<std::size_t>(j)][1] == path) return j + 1;
    return 0;
}

// Draws row i showing item k. A row past the listing (or past the table) shows nothing:
// an empty caption and no icon, but still carries its item number.
void drawrow(View& view, int16_t i, int32_t k) {
    MainScreen& f = view.form;
    f.lblItem.create(i);
    Element& lbl = f.lblItem.at(i);
    lbl.left = kRowLeft;
    lbl.top = kRowsTop + i * lbl.height;
    const bool listed = k >= 1 && k <= view.browse.itemcount && k <= kMaxItems;
    lbl.caption = listed ? view.browse.items[static_cast<std::size_t>(k)][0] : std::string();
    lbl.tag = std::to_string(k);
    lbl.visible = true;
    f.screen.bringtofront(lbl);
    if (!listed) {
        f.imgIcon.destroy(i);
        return;
    }
    const ItemRow& item = view.browse.items[static_cast<std::size_t>(k)];
    int position = view.queue.playlistcount >= 1 ? queueposition(view.queue, item[1]) : 0;
    if (position > 0) lbl.caption += " (" + std::to_string(position) + ")";
    int16_t icon = iconfor(item[2], position > 0);
    if (icon < 0)
        f.imgIcon.destroy(i);
    else
        rendericon(view, icon, i);
}

void placemorebelow(View& view, int32_t nextitem) {
    MainScreen& f = view.form;
    const Element* last = f.lblItem.get(view.settings.perpage);
    const Element* first = f.lblItem.get(1);
    if (view.browse.itemcount > nextitem - 1 && last && first) {
        f.lblMoreBelow.left = kRowLeft;
        f.lblMoreBelow.top = last->top + first->height + 20;
        f.lblMoreBelow.visible = true;
    } else {
        f.lblMoreBelow.visible = false;
    }
}

void placemoreabove(View& view, int32_t nextitem) {
    MainScreen& f = view.form;
    const int32_t perpage = view.settings.perpage;
    const Element* first = f.lblItem.get(1);
    if (nextitem - perpage > perpage && first) {
        f.lblMoreAbove.left = kRowLeft;
        f.lblMoreAbove.top = first->top - f.lblMoreAbove.height - 20;
        f.lblMoreAbove.visible = true;
    } else {
        f.lblMoreAbove.visible = false;
    }
}

// The cover picture, from the memo while the file is unchanged.
PictureRef coverpicture(View& view, const fs::path& file) {
    std::error_code ec1, ec2;
    auto modified = fs::last_write_time(file, ec1);
    auto size = fs::file_size(file, ec2);
    CoverMemo& m = view.cover;
    if (!ec1 && !ec2 && m.picture && m.file == file && m.modified == modified && m.size == size)
        return m.picture;
    const Screen& s = view.form.screen;
    PictureRef picture = loadcover(file, s.widthpx(), s.heightpx());
    if (picture && !ec1 && !ec2) m = CoverMemo{file, modified, size, picture};
    return picture;
}

void placecover(View& view, const fs::path& folder) {
    MainScreen& f = view.form;
    Element& cover = f.imgCover;
    auto file = findcover(folder);
    if (!file || view.settings.rendercover != 1) {
        cover.visible = false;
        return;
    }
    const DisplaySettings& s = view.settings;
    if (s.coverx == 0 && s.covery == 0) cover.stretch = false;
    // A picture that cannot be loaded leaves the one the element had.
    f.screen.setpicture(cover, coverpicture(view, *file));
    cover.top = 2200;
    if (s.coverx != 0) {
        cover.stretch = true;
        cover.width = static_cast<int32_t>(std::lround(s.coverx * f.screen.twipsperpixelx()));
    }
    if (s.covery != 0) {
        cover.stretch = true;
        cover.height = static_cast<int32_t>(std::lround(s.covery * f.screen.twipsperpixely()));
    }
    cover.left = f.screen.width() - cover.width - 700;
    f.screen.bringtofront(cover);
    cover.visible = true;
}

}  // namespace

void renderitems(View& view, const fs::path& currentfolder) {
    MainScreen& f = view.form;
    const int16_t perpage = view.settings.perpage;
    int32_t k = static_cast<int32_t>(view.browse.page) * perpage - (perpage - 1);
    for (int16_t i = 1; i <= kListRows; ++i) f.lblItem.destroy(i);
    for (int16_t i = 1; i <= perpage && i > 0; ++i, ++k) drawrow(view, i, k);
    placemorebelow(view, k);
    placemoreabove(view, k);
    placecover(view, currentfolder);
    view.browse.letterfocus = 0;
}

void rendericon(View& view, int16_t kind, int16_t no) {
    MainScreen& f = view.form;
    f.imgIcon.destroy(no);
    f.imgIcon.create(no);
    Element& icon = f.imgIcon.at(no);
    const Element* holders[] = {&f.imgMusic, &f.imgPlaylisted, &f.imgPlaylist, &f.imgAlbum};
    if (kind >= 0 && kind <= 3) icon.picture = holders[kind]->picture;
    icon.left = 500;
    if (const Element* lbl = f.lblItem.get(no)) icon.top = lbl->top;
    icon.visible = true;
    f.screen.bringtofront(icon);
}

void renderhighlight(View& view) {
    MainScreen& f = view.form;
    const Element* lbl = f.lblItem.get(view.browse.row);
    // Without a row label (an empty letter list) there is nothing to mark.
    f.shpHighlight.visible = lbl != nullptr && view.browse.row > 0;
    if (!f.shpHighlight.visible) return;
    if (view.browse.letterfocus != 0) {
        f.shpHighlight.width = 1200;
        f.shpHighlight.left = lbl->left - 500;
    } else {
        f.shpHighlight.width = f.screen.width() - 400;
        f.shpHighlight.left = 200;
    }
    f.shpHighlight.top = lbl->top - 20;
}

}  // namespace tunedeck
