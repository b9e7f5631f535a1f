// The browsing model's shared state: the item table of the current folder or disc, the paging
// counters, the letter filter and the saved position of every folder depth.
// UI thread only.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace tunedeck {

inline constexpr int kMaxDepths = 256;  // levelstate rows, depth 0..255

// What an item is, and so what Enter and Right do with it.
enum class ItemKind {
    Folder,    // a subfolder
    Playable,  // a music file, or a track of the disc
    Playlist,  // an M3U playlist file
    Letter,    // a cell of the letter index
};

struct Item {
    std::string label;   // the text shown
    std::string target;  // folder path, file path or track number; empty for a letter
    ItemKind kind = ItemKind::Playable;
    bool operator==(const Item&) const = default;
};

// The listing on screen, as long as the folder is (memory is the only bound). Items are numbered
// from 1, as the list's rows count them: row t of a disc's listing is track t.
class ItemTable {
  public:
    // Adds an item after the last one.
    void append(Item item) { items_.push_back(std::move(item)); }
    void clear() { items_.clear(); }
    int count() const { return static_cast<int>(items_.size()); }
    // Item `number`; null when the listing has no item of that number.
    const Item* find(int number) const;
    // Item `number`; throws std::out_of_range when the listing has no item of that number.
    const Item& at(int number) const;

    std::vector<Item>::const_iterator begin() const { return items_.begin(); }
    std::vector<Item>::const_iterator end() const { return items_.end(); }

  private:
    std::vector<Item> items_;
};

// Row and page of a folder depth, restored when the user comes back up to it.
struct SavedLevel {
    int row = 0;
    int page = 0;
    bool operator==(const SavedLevel&) const = default;
};

struct BrowseState {
    ItemTable items;
    int pages = 0;
    int page = 1;  // from 1
    int row = 1;   // row of the page (1..perpage), or cell of the letter grid
    int depth = 0;
    std::string letter;  // the letter filter: empty, "#" or one upper-case letter
    std::array<SavedLevel, kMaxDepths> levelstate{};
    bool letterfocus = false;  // the letter grid is on screen, not the list

    int itemcount() const { return items.count(); }
    // The item the highlight is on: cell `row` of the letter grid, or row `row` of page `page`
    // of the list with `perpage` rows. Null on a row outside the page or past the listing.
    const Item* highlighted(int perpage) const;
};

// Run mode, decided once at start-up from the disc in the drive.
enum class Mode {
    File,  // folders of music files, played by the audio library
    Cd,    // the tracks of an audio CD, played by the drive
};

struct RunMode {
    Mode mediamode = Mode::File;
    int cdtracks = 0;
};

}  // namespace tunedeck
