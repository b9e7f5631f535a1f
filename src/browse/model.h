// The browsing model's shared state: the item table of the current folder or disc, the paging
// counters, the letter filter and the saved position of every folder depth.
// UI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tunedeck {

inline constexpr int kMaxItems = 2000;  // rows 1..2000 hold a listing, row 0 is never used
inline constexpr int kMaxDepths = 256;  // levelstate rows, depth 0..255

// Kind codes of column 2.
inline constexpr const char* kKindFolder = "0";
inline constexpr const char* kKindPlayable = "1";
inline constexpr const char* kKindPlaylist = "2";
inline constexpr const char* kKindLetter = "3";

using ItemRow = std::array<std::string, 3>;  // display text, target, kind code

struct BrowseState {
    std::array<ItemRow, kMaxItems + 1> items{};
    int16_t itemcount = 0;
    int16_t pages = 0;
    int16_t page = 1;
    int16_t row = 1;
    int16_t depth = 0;
    std::string letter;
    std::array<std::array<int16_t, 2>, kMaxDepths> levelstate{};  // saved row, saved page
    int16_t letterfocus = 0;  // 1 while the letter grid is on screen
};

// Run mode, decided once at start-up from the disc in the drive.
inline constexpr int16_t kFileMode = 1;
inline constexpr int16_t kCdMode = 2;

struct RunMode {
    int16_t mediamode = kFileMode;
    int16_t cdtracks = 0;
};

}  // namespace tunedeck
