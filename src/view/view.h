// The drawing operations of the main screen: start-up layout, background gradient, list page,
// row icons, highlight, letter grid and title. They read the browsing state and the play queue
// and change nothing but the elements and the flag letterfocus.
// UI thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "audio/queue.h"
#include "browse/model.h"
#include "platform/screen/background.h"
#include "platform/screen/picture.h"
#include "platform/screen/units.h"
#include "view/mainscreen.h"

namespace tunedeck {

// The display settings the drawing reads, copied from the settings read at start-up.
struct DisplaySettings {
    int perpage = 11;
    bool rendercover = true;
    int coverx = 0;  // pixels of a 1024x768 display, 0 = the picture's own width
    int covery = 0;  // pixels of a 1024x768 display, 0 = the picture's own height
    uint32_t color1 = rgbword(7, 18, 143);
    uint32_t color2 = rgbword(68, 74, 147);
};

// Where a folder's cover comes from: a picture file, or the picture embedded in a music file.
struct CoverSource {
    std::filesystem::path file;
    bool embedded = false;
    bool operator==(const CoverSource&) const = default;
};

// What the last cover lookups found, reused while nothing changed on disk, so that turning
// pages in a folder neither lists the folder nor decodes the picture again.
struct CoverMemo {
    // The folder last looked in, while its entries are unchanged, and its cover's source.
    std::filesystem::path folder;
    std::filesystem::file_time_type foldermodified{};
    std::optional<CoverSource> source;
    // The picture of `picturesource`, while that file is unchanged (null: none could be had).
    CoverSource picturesource;
    std::filesystem::file_time_type modified{};
    std::uintmax_t size = 0;
    PictureRef picture;
    // The cover's size before it is fitted to its place, in twips: the picture's own size or
    // the configured one; with only one of coverx and covery set, the other side keeps the
    // value it had. `scaling` is on once a configured size applied.
    int32_t width = 495, height = 495;
    bool scaling = false;
};

struct View {
    MainScreen& form;
    BrowseState& browse;
    const PlayQueue& queue;
    DisplaySettings settings;
    CoverMemo cover{};
};

// Start-up layout: list band, lines, status labels, colours and the gradient.
void startuplayout(View& view);
// After the first listing: the screen-saver track label spans the screen.
void layoutsavertrack(View& view);

// Paints a two-colour gradient on the background image. `width` and `height` in twips,
// `direction` 0 = bands moving left to right, 1 = top to bottom, anything else paints nothing.
void rendergradient(BackgroundImage& surface, int32_t width, int32_t height, uint32_t color1,
                    uint32_t color2, int16_t direction);

// The whole list page from the item table, page, queue and settings; `currentfolder` is the
// folder whose cover picture is shown.
void renderitems(View& view, const std::filesystem::path& currentfolder);
// The icons a list row shows, by what its item is.
enum class RowIcon { Music, Queued, Playlist, Folder };
// Row `no`'s icon.
void rendericon(View& view, RowIcon kind, int no);
// Places the highlight on row `row` (row style, or letter style while letterfocus is set).
void renderhighlight(View& view);
// The letter grid, five to a line.
void renderletters(View& view);
// The title line and its shadow.
void rendertitle(View& view, const std::string& title);

// The text row `row` of the list or grid shows; "" when it shows none.
std::string rowcaption(const View& view, int row);

// What the list area shows, as a remote control mirrors it.
struct ShownList {
    std::string title;
    std::vector<std::string> rows;   // the rows of the page or grid, up to the last one in use
    std::vector<std::string> icons;  // each row's: "folder", "queued", "playlist", "music",
                                     // "letter" in the grid, or "" for none
    int highlight = 0;               // the highlighted row; 0 when none is
    bool moreabove = false;
    bool morebelow = false;
};
ShownList shownlist(const View& view);

// The status area's lines. A line left unset keeps what it shows.
struct StatusLines {
    std::optional<std::string> track{};     // what plays
    std::optional<std::string> state{};     // play times, "Paused", "Stop" or the drive's mode
    std::optional<std::string> playlist{};  // the queue line
    std::optional<std::string> clock{};
};
void showstatus(View& view, const StatusLines& status);

// The screen saver: the normal screen back (status lines shown, black cover and saver text
// hidden); the screen covered in black, status lines hidden; the saver text (what plays, its
// state and the queue line) shown in front at a new place, in twips.
void unblankscreen(View& view);
void blankscreen(View& view);
void movesavertext(View& view, int32_t left, int32_t top);

// The folder's cover: the first of cover, folder, front and albumart with .jpg, .jpeg or .png
// (in that order, any letter case) that is a regular file; else the first music file, whose
// embedded picture stands for the cover.
std::optional<CoverSource> findcover(const std::filesystem::path& folder);

}  // namespace tunedeck
