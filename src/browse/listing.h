// Building the item table: folder listing, disc listing, letter index, level bookkeeping.
// These work on explicit inputs; browser.h offers them over the application's shared state.
// UI thread only.
#pragma once

#include <string>
#include <string_view>

#include "audio/cddeck.h"
#include "browse/model.h"
#include "browse/names.h"
#include "platform/folders/folderlists.h"

namespace tunedeck {

// True when the current folder is the root: exact, case-sensitive comparison.
bool atroot(const FolderLists& folders, std::string_view root);

// Lists the current folder of `folders`: subfolders, then music files and playlist files
// (browse/formats.h), at the root only the names whose lettercell is the chosen letter (all of
// them when none is chosen), as many as there are. Sets the items and pages; page and row are
// left alone.
void createfolderitems(BrowseState& state, const FolderLists& folders, const NameOptions& names,
                       int perpage);

// Lists the tracks 1..cdtracks of the disc as "Piste n°<t>   <mm:ss>", playable, target t.
// A length the drive does not give shows the listing's previous reply instead.
void createtrackitems(BrowseState& state, int cdtracks, int perpage, const CdDeck& cd);

// The cell of the letter index that holds every name not under a letter A to Z.
inline constexpr std::string_view kOtherInitials = "#";

// The cell of the letter index a shown name is found under: the Latin letter a reader looks
// under (baseletter: É under E, Ø under O, Ł under L), else "#". Digits, symbols and blanks go
// under "#", and so do letters of other scripts: the grid shows all its cells on one screen,
// which holds A to Z and "#" (27 cells), while Cyrillic alone would add over thirty cells and
// Chinese or Japanese initials thousands. Every name thus has exactly one cell.
std::string lettercell(std::string_view name);

// Builds the letter index from the subfolders of the current folder: the cells of their shown
// names (lettercell), each once, A to Z in order and "#" last. The letter filter of
// createfolderitems takes the names of a cell by the same rule, so every cell lists at least
// its folders and every folder is found under one cell. Sets the items, pages and page.
void createletterindex(BrowseState& state, const FolderLists& folders, const NameOptions& names,
                       int perpage);

// Depth of `path` below `root`: the separators left after the leading root text is removed,
// at most kMaxDepths - 1.
int folderdepth(std::string_view path, std::string_view root);
// True when `path` lies deeper below `root` than the depths whose row and page are remembered.
bool beyonddepths(std::string_view path, std::string_view root);
// Sets depth from the current folder and saves row and page at that depth. A folder beyond the
// remembered depths saves nothing, so the deepest remembered row stays that folder's own.
void recordlevel(BrowseState& state, std::string_view path, std::string_view root);

}  // namespace tunedeck
