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
const char* filekind(std::string_view name) {
    return file_kind_of(name) == FileKind::Playlist ? kKindPlaylist : kKindPlayable;
}

void additem(BrowseState& state, int& n, std::string text, std::string target, const char* kind) {
    ++n;
    state.items[static_cast<std::size_t>(n)] = {std::move(text), std::move(target), kind};
}

void finishlisting(BrowseState& state, int n, int16_t perpage) {
    state.itemcount = static_cast<int16_t>(n);
    state.pages = pagecount(n, perpage);
}

std::string filetarget(const std::string& folder, const std::string& file) {
    return folder + "/" + file;
}

}  // namespace

void clearitems(BrowseState& state) {
    for (ItemRow& row : state.items) row = {};
}

bool atroot(const FolderLists& folders, std::string_view root) {
    return folders.Dirs().path() == root;
}

void createfolderitems(BrowseState& state, const FolderLists& folders, const NameOptions& names,
                       int16_t perpage) {
    clearitems(state);
    int n = 0;
    const bool filtered = atroot(folders, names.root) && !state.letter.empty();
    const std::string_view letter = filtered ? std::string_view(state.letter) : std::string_view();
    const DirListBox& dirs = folders.Dirs();
    for (int i = 0; i < dirs.listcount() && n < kMaxItems; ++i) {
        const std::string& path = dirs.list(i);
        std::string name = displayname(lastcomponent(path), names);
        if (passesletter(name, letter)) additem(state, n, std::move(name), path, kKindFolder);
    }
    const FileListBox& files = folders.Files();
    for (int i = 0; i < files.listcount() && n < kMaxItems; ++i) {
        const std::string& file = files.list(i);
        std::string name = displayname(file, names);
        if (passesletter(name, letter))
            additem(state, n, std::move(name), filetarget(dirs.path(), file), filekind(file));
    }
    finishlisting(state, n, perpage);
}

void createtrackitems(BrowseState& state, int16_t cdtracks, int16_t perpage,
                      const StatusQuery& query) {
    clearitems(state);
    // One reply buffer for the whole listing: a failed query shows what it held before.
    std::array<char, 30> reply{};
    const int tracks = std::min<int>(cdtracks, kMaxItems);
    int n = 0;
    for (int t = 1; t <= tracks; ++t) {
        const std::string number = std::to_string(t);
        query("status cd length track " + number, reply.data(), reply.size());
        reply.back() = '\0';
        const std::string text(reply.data());
        additem(state, n, "Piste n\u00B0" + number + "   " + text.substr(0, 5), number,
                kKindPlayable);
    }
    finishlisting(state, n, perpage);
}

std::string lettercell(std::string_view name) {
    return cellname(cellof(name));
}

void createletterindex(BrowseState& state, const FolderLists& folders, const NameOptions& names,
                       int16_t perpage) {
    clearitems(state);
    std::array<bool, kCells> used{};
    const DirListBox& dirs = folders.Dirs();
    for (int i = 0; i < dirs.listcount(); ++i) {
        const std::string name = displayname(lastcomponent(dirs.list(i)), names);
        if (!name.empty()) used[cellof(name)] = true;
    }
    int n = 0;
    for (std::size_t cell = 0; cell < kCells; ++cell)
        if (used[cell]) additem(state, n, cellname(cell), "", kKindLetter);
    state.page = 1;
    finishlisting(state, n, perpage);
}

int16_t folderdepth(std::string_view path, std::string_view root) {
    // Only the leading root text is removed: the same text further on names a subfolder.
    if (!root.empty() && path.starts_with(root)) path.remove_prefix(root.size());
    const auto separators = std::count(path.begin(), path.end(), '/');
    return static_cast<int16_t>(std::min<std::ptrdiff_t>(separators, kMaxDepths - 1));
}

void recordlevel(BrowseState& state, std::string_view path, std::string_view root) {
    state.depth = folderdepth(path, root);
    state.levelstate[static_cast<std::size_t>(state.depth)] = {state.row, state.page};
}

}  // namespace tunedeck
