// Building the item table: folder listing, disc listing, letter index, level bookkeeping.
// These work on explicit inputs; browser.h offers them over the application's shared state.
// UI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "browse/model.h"
#include "browse/names.h"
#include "platform/folders/folderlists.h"

namespace tunedeck {

// Empties every cell of the item table.
void clearitems(BrowseState& state);

// True when the current folder is the root: exact, case-sensitive comparison.
bool atroot(const FolderLists& folders, std::string_view root);

// Lists the current folder of `folders`: subfolders (kind "0"), then files (kind "1" for music,
// "2" for playlists, browse/formats.h), at the root only the names whose lettercell is the
// chosen letter (all of them when none is chosen). At most kMaxItems entries.
// Sets itemcount and pages; page and row are left alone.
void createfolderitems(BrowseState& state, const FolderLists& folders, const NameOptions& names,
                       int16_t perpage);

// Sends a status query and fills the reply buffer (cut to `size` characters with the NUL);
// a failed query leaves the buffer as it was.
using StatusQuery = std::function<void(const std::string& command, char* reply, uint32_t size)>;

// Lists the tracks 1..cdtracks of the disc as "Piste n°<t>   <mm:ss>", kind "1", target t.
void createtrackitems(BrowseState& state, int16_t cdtracks, int16_t perpage,
                      const StatusQuery& query);

// The cell of the letter index that holds every name not under a letter A to Z.
inline constexpr std::string_view kOtherInitials = "#";

// The cell of the letter index a shown name is found under: the Latin letter a reader looks
// under (baseletter: É under E, Ø under O, Ł under L), else "#". Digits, symbols and blanks go
// under "#", and so do letters of other scripts: the grid shows all its cells on one screen,
// which holds A to Z and "#" (27 cells), while Cyrillic alone would add over thirty cells and
// Chinese or Japanese initials thousands. Every name thus has exactly one cell.
std::string lettercell(std::string_view name);

// Builds the letter index from the subfolders of the current folder: the cells of their shown
// names (lettercell), each once, A to Z in order and "#" last (kind "3"). The letter filter of
// createfolderitems takes the names of a cell by the same rule, so every cell lists at least
// its folders and every folder is found under one cell. Sets itemcount, pages and page.
void createletterindex(BrowseState& state, const FolderLists& folders, const NameOptions& names,
                       int16_t perpage);

// Depth of `path` below `root`: the separators left after the leading root text is removed,
// at most kMaxDepths - 1.
int16_t folderdepth(std::string_view path, std::string_view root);
// Sets depth from the current folder and saves row and page at that depth.
void recordlevel(BrowseState& state, std::string_view path, std::string_view root);

}  // namespace tunedeck
