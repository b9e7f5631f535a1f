#include <algorithm>
#include <cmath>
#include <string>
#include <system_error>

#include "platform/screen/embedded.h"
#include "view/view.h"

namespace tunedeck {
namespace {

namespace fs = std::filesystem;

constexpr int kListRows = 27;  // row labels cleared before a page is drawn
constexpr int32_t kRowLeft = 1100;
constexpr int32_t kRowsTop = 1320;
constexpr int32_t kCoverTop = 2200;
constexpr int32_t kCoverRightMargin = 700;
constexpr int32_t kStatusBand = 1200;        // height of the status area below the list band
constexpr int32_t kCoverBottomMargin = 300;  // between the cover and the band's lower line
// Icon of a row from its item's kind; none for a letter.
std::optional<RowIcon> iconfor(ItemKind kind, bool queued) {
    switch (kind) {
        case ItemKind::Folder:
            return RowIcon::Folder;
        case ItemKind::Playable:
            return queued ? RowIcon::Queued : RowIcon::Music;
        case ItemKind::Playlist:
            return RowIcon::Playlist;
        case ItemKind::Letter:
            break;
    }
    return std::nullopt;
}

// The 1-based position of the first queue entry with this path, 0 when it is not queued.
int queueposition(const PlayQueue& q, const std::string& path) {
    return q.firstrow(path) + 1;
}

// Draws row i showing item k. A row past the listing shows nothing: an empty caption and no
// icon, but still carries its item number.
void drawrow(View& view, int i, int k) {
    MainScreen& f = view.form;
    const auto row = static_cast<int16_t>(i);
    f.lblItem.create(row);
    Element& lbl = f.lblItem.at(row);
    lbl.left = kRowLeft;
    lbl.top = kRowsTop + i * lbl.height;
    const Item* item = view.browse.items.find(k);
    lbl.caption = item != nullptr ? item->label : std::string();
    lbl.tag = std::to_string(k);
    lbl.visible = true;
    f.screen.bringtofront(lbl);
    if (item == nullptr) {
        f.imgIcon.destroy(row);
        return;
    }
    int position = view.queue.playlistcount >= 1 ? queueposition(view.queue, item->target) : 0;
    if (position > 0) lbl.caption += " (" + std::to_string(position) + ")";
    const auto icon = iconfor(item->kind, position > 0);
    if (icon)
        rendericon(view, *icon, i);
    else
        f.imgIcon.destroy(row);
}

void placemorebelow(View& view, int32_t nextitem) {
    MainScreen& f = view.form;
    const Element* last = f.lblItem.get(view.settings.perpage);
    const Element* first = f.lblItem.get(1);
    if (view.browse.itemcount() > nextitem - 1 && last && first) {
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

// The cover's place, in twips: right of the names, from its layout top down to just above
// the status band, its right edge 700 twips from the screen's. A cover never leaves it.
struct CoverPlace {
    int32_t left, top, right, bottom;
};

CoverPlace coverplace(const Screen& s) {
    return {s.width() / 2, kCoverTop, s.width() - kCoverRightMargin,
            s.height() - kStatusBand - kCoverBottomMargin};
}

std::optional<fs::file_time_type> modifiedtime(const fs::path& p) {
    std::error_code ec;
    auto t = fs::last_write_time(p, ec);
    if (ec) return std::nullopt;
    return t;
}

// The folder's cover source, from the memo while the folder's entries are unchanged.
std::optional<CoverSource> coversource(View& view, const fs::path& folder) {
    CoverMemo& m = view.cover;
    auto modified = modifiedtime(folder);
    if (modified && m.folder == folder && m.foldermodified == *modified) return m.source;
    m.source = findcover(folder);
    m.folder = modified ? folder : fs::path();
    m.foldermodified = modified.value_or(fs::file_time_type{});
    return m.source;
}

PictureRef loadsource(const CoverSource& source, int maxwidth, int maxheight) {
    if (!source.embedded) return loadcover(source.file, maxwidth, maxheight);
    return decodecover(embeddedpicture(source.file), maxwidth, maxheight);
}

// The picture of a cover source, from the memo while its file is unchanged. An embedded
// picture is read only here, when its folder is shown.
PictureRef coverpicture(View& view, const CoverSource& source) {
    std::error_code ec;
    auto modified = modifiedtime(source.file);
    auto size = fs::file_size(source.file, ec);
    CoverMemo& m = view.cover;
    if (modified && !ec && m.picturesource == source && m.modified == *modified && m.size == size)
        return m.picture;
    const Screen& s = view.form.screen;
    const CoverPlace place = coverplace(s);
    PictureRef picture = loadsource(source, s.scale().px(place.right - place.left),
                                    s.scale().px(place.bottom - place.top));
    if (modified && !ec) {
        m.picturesource = source;
        m.modified = *modified;
        m.size = size;
        m.picture = picture;
    }
    return picture;
}

// The cover's size before fitting: the picture's own size on a 1024x768 display, so that it
// keeps its share of the layout on any display, or the configured size in the same pixels.
void designsize(CoverMemo& m, const DisplaySettings& s, const PictureRef& loaded) {
    if (s.coverx == 0 && s.covery == 0) m.scaling = false;
    if (loaded && !m.scaling) {
        m.width = static_cast<int32_t>(std::lround(loaded->ownwidth() * kDesignTwipsPerPixel));
        m.height = static_cast<int32_t>(std::lround(loaded->ownheight() * kDesignTwipsPerPixel));
    }
    if (s.coverx != 0) {
        m.scaling = true;
        m.width = static_cast<int32_t>(std::lround(s.coverx * kDesignTwipsPerPixel));
    }
    if (s.covery != 0) {
        m.scaling = true;
        m.height = static_cast<int32_t>(std::lround(s.covery * kDesignTwipsPerPixel));
    }
}

// Scales the cover's size (the picture's own, or coverx and covery when set) down into the
// place, keeping its proportions.
void fitcover(Element& cover, const CoverMemo& m, const CoverPlace& place) {
    const double w = std::max<int32_t>(m.width, 1), h = std::max<int32_t>(m.height, 1);
    const double roomw = std::max(place.right - place.left, 1);
    const double roomh = std::max(place.bottom - place.top, 1);
    const double f = std::min({1.0, roomw / w, roomh / h});
    cover.width = static_cast<int32_t>(std::lround(w * f));
    cover.height = static_cast<int32_t>(std::lround(h * f));
    cover.left = place.right - cover.width;
    cover.top = place.top;
}

void placecover(View& view, const fs::path& folder) {
    MainScreen& f = view.form;
    Element& cover = f.imgCover;
    auto source = view.settings.rendercover ? coversource(view, folder) : std::nullopt;
    if (!source) {
        cover.visible = false;
        return;
    }
    PictureRef picture = coverpicture(view, *source);
    // A music file without a picture is no cover; a picture file that cannot be loaded leaves
    // the picture the element had, still shown.
    if (!picture && source->embedded) {
        cover.visible = false;
        return;
    }
    if (picture) cover.picture = picture;
    designsize(view.cover, view.settings, picture);
    cover.stretch = true;
    fitcover(cover, view.cover, coverplace(f.screen));
    f.screen.bringtofront(cover);
    cover.visible = true;
}

}  // namespace

void renderitems(View& view, const fs::path& currentfolder) {
    MainScreen& f = view.form;
    const int perpage = view.settings.perpage;
    int k = view.browse.page * perpage - (perpage - 1);
    for (int i = 1; i <= kListRows; ++i) f.lblItem.destroy(static_cast<int16_t>(i));
    for (int i = 1; i <= perpage; ++i, ++k) drawrow(view, i, k);
    placemorebelow(view, k);
    placemoreabove(view, k);
    placecover(view, currentfolder);
    view.browse.letterfocus = false;
}

void rendericon(View& view, RowIcon kind, int no) {
    MainScreen& f = view.form;
    const auto row = static_cast<int16_t>(no);
    f.imgIcon.destroy(row);
    f.imgIcon.create(row);
    Element& icon = f.imgIcon.at(row);
    const Element* holders[] = {&f.imgMusic, &f.imgPlaylisted, &f.imgPlaylist, &f.imgAlbum};
    icon.picture = holders[static_cast<std::size_t>(kind)]->picture;
    icon.left = 500;
    if (const Element* lbl = f.lblItem.get(row)) icon.top = lbl->top;
    icon.visible = true;
    f.screen.bringtofront(icon);
}

void renderhighlight(View& view) {
    MainScreen& f = view.form;
    const Element* lbl = f.lblItem.get(view.browse.row);
    // Without a row label (an empty letter list) there is nothing to mark.
    f.shpHighlight.visible = lbl != nullptr && view.browse.row > 0;
    if (!f.shpHighlight.visible) return;
    if (view.browse.letterfocus) {
        f.shpHighlight.width = 1200;
        f.shpHighlight.left = lbl->left - 500;
    } else {
        f.shpHighlight.width = f.screen.width() - 400;
        f.shpHighlight.left = 200;
    }
    f.shpHighlight.top = lbl->top - 20;
}

}  // namespace tunedeck
