#include "browse/listing.h"

#include <algorithm>
#include <array>

#include "browse/formats.h"
#include "browse/paging.h"
#include "platform/folders/collation.h"
#include "platform/folders/text.h"

namespace tunedeck {

namespace {

// The cells of the letter index in their order: A..Z at 0..25, then "#".
constexpr std::size_t kCells = 27;

std::size_t cellof(std::string_view name) {
    const char letter = baseletter(name);
    return letter != 0 ? static_cast<std::size_t>(letter - 'A') : kCells - 1;
}

std::string cellname(std::size_t cell) {
    if (cell + 1 == kCells) return std::string(kOtherInitials);
    return std::string(1, static_cast<char>('A' + cell));
}

// Passes everything when no letter is chosen; an empty name matches no letter.
bool passesletter(std::string_view name, std::string_view letter) {
    if (letter.empty()) return true;
    return !name.empty() && lettercell(name) == letter;
}

// The file list hands over only music and playlist files.
ItemKind filekind(std::string_view name) {
    return file_kind_of(name) == FileKind::Playlist ? ItemKind::Playlist : ItemKind::Playable;
}

void finishlisting(BrowseState& state, int perpage) {
    state.pages = pagecount(state.itemcount(), perpage);
}

std::string filetarget(const std::string& folder, const std::string& file) {
    return folder + "/" + file;
}

}  // namespace

bool atroot(const FolderLists& folders, std::string_view root) {
    return folders.Dirs().path() == root;
}

void createfolderitems(BrowseState& state, const FolderLists& folders, const NameOptions& names,
                       int perpage) {
    ItemTable& items = state.items;
    items.clear();
    const bool filtered = atroot(folders, names.root) && !state.letter.empty();
    const std::string_view letter = filtered ? std::string_view(state.letter) : std::string_view();
    const DirListBox& dirs = folders.Dirs();
    for (int i = 0; i < dirs.listcount(); ++i) {
        const std::string& path = dirs.list(i);
        std::string name = displayname(lastcomponent(path), names);
        if (passesletter(name, letter)) items.append({std::move(name), path, ItemKind::Folder});
    }
    const FileListBox& files = folders.Files();
    for (int i = 0; i < files.listcount(); ++i) {
        const std::string& file = files.list(i);
        std::string name = displayname(file, names);
        if (passesletter(name, letter))
            items.append({std::move(name), filetarget(dirs.path(), file), filekind(file)});
    }
    finishlisting(state, perpage);
}

void createtrackitems(BrowseState& state, int cdtracks, int perpage, const CdDeck& cd) {
    // One reply buffer for the whole listing: a failed query shows what it held before.
    std::array<char, 30> reply{};
    CdDeck listing = cd.with_reply(reply);
    ItemTable& items = state.items;
    items.clear();
    for (int t = 1; t <= cdtracks; ++t) {
        const std::string number = std::to_string(t);
        const std::string length = listing.track_length(t).substr(0, 5);
        items.append({"Piste n\u00B0" + number + "   " + length, number, ItemKind::Playable});
    }
    finishlisting(state, perpage);
}

std::string lettercell(std::string_view name) {
    return cellname(cellof(name));
}

void createletterindex(BrowseState& state, const FolderLists& folders, const NameOptions& names,
                       int perpage) {
    std::array<bool, kCells> used{};
    const DirListBox& dirs = folders.Dirs();
    for (int i = 0; i < dirs.listcount(); ++i) {
        const std::string name = displayname(lastcomponent(dirs.list(i)), names);
        if (!name.empty()) used[cellof(name)] = true;
    }
    state.items.clear();
    for (std::size_t cell = 0; cell < kCells; ++cell)
        if (used[cell]) state.items.append({cellname(cell), "", ItemKind::Letter});
    state.page = 1;
    finishlisting(state, perpage);
}

namespace {

std::ptrdiff_t separatorsbelow(std::string_view path, std::string_view root) {
    // Only the leading root text is removed: the same text further on names a subfolder.
    if (!root.empty() && path.starts_with(root)) path.remove_prefix(root.size());
    return std::count(path.begin(), path.end(), '/');
}

}  // namespace

int folderdepth(std::string_view path, std::string_view root) {
    return static_cast<int>(std::min<std::ptrdiff_t>(separatorsbelow(path, root), kMaxDepths - 1));
}

bool beyonddepths(std::string_view path, std::string_view root) {
    return separatorsbelow(path, root) > kMaxDepths - 1;
}

void recordlevel(BrowseState& state, std::string_view path, std::string_view root) {
    state.depth = folderdepth(path, root);
    if (beyonddepths(path, root)) return;
    state.levelstate[static_cast<std::size_t>(state.depth)] = {state.row, state.page};
}

}  // namespace tunedeck
