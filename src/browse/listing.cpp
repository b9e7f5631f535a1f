#include "browse/listing.h"

#include <algorithm>
#include <array>

#include "browse/paging.h"
#include "platform/folders/text.h"

namespace tunedeck {

namespace {

bool startswithdigit(std::string_view name) {
    return !name.empty() && name.front() >= '0' && name.front() <= '9';
}

// The folder filter at the root: "#" takes names beginning with a digit, any other letter the
// names whose first character matches it without regard to case. An empty name matches none.
bool folderpasses(std::string_view name, std::string_view letter) {
    if (letter.empty()) return true;
    if (name.empty()) return false;
    if (letter == "#") return startswithdigit(name);
    return firstcharupper(name) == firstcharupper(letter);
}

// The file filter also accepts a first character equal to the letter itself, so "#" takes
// names beginning with '#' as well as with a digit.
bool filepasses(std::string_view name, std::string_view letter) {
    if (letter.empty()) return true;
    if (name.empty()) return false;
    if (firstcharupper(name) == firstcharupper(letter)) return true;
    return letter == "#" && startswithdigit(name);
}

const char* filekind(std::string_view name) {
    const std::string ext = toupperutf8(name.substr(name.size() >= 3 ? name.size() - 3 : 0));
    if (ext == "M3U") return kKindPlaylist;
    return kKindPlayable;
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
        if (folderpasses(name, letter)) additem(state, n, std::move(name), path, kKindFolder);
    }
    const FileListBox& files = folders.Files();
    for (int i = 0; i < files.listcount() && n < kMaxItems; ++i) {
        const std::string& file = files.list(i);
        std::string name = displayname(file, names);
        if (filepasses(name, letter))
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

void createletterindex(BrowseState& state, const FolderLists& folders, int16_t perpage) {
    clearitems(state);
    constexpr int kExaminedRows = 27;
    int n = 0;
    bool digits = false;
    const DirListBox& dirs = folders.Dirs();
    for (int i = 0; i < dirs.listcount() && n < kMaxItems - 1; ++i) {
        const std::string_view raw = lastcomponent(dirs.list(i));
        if (startswithdigit(raw)) {
            digits = true;
            continue;
        }
        const std::string c = firstcharupper(raw);
        const auto begin = state.items.begin() + 1;
        const bool present =
            std::any_of(begin, begin + kExaminedRows, [&c](const ItemRow& r) { return r[0] == c; });
        if (!present) additem(state, n, c, "", kKindLetter);
    }
    if (digits) additem(state, n, "#", "", kKindLetter);
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
