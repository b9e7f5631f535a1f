#include "library/libraryindex.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "browse/formats.h"
#include "platform/folders/collation.h"
#include "platform/folders/searchfold.h"

namespace tunedeck {

namespace {

constexpr std::size_t kMaxWords = 32;  // query words beyond these are not looked at
// About the length of a collation key of a file name, with its ending zero.
constexpr std::size_t kKeyBytes = 32;

std::vector<std::string> querywords(std::string_view query) {
    std::vector<std::string> words;
    const std::string folded = searchfold(query);
    std::size_t start = 0;
    while (start < folded.size() && words.size() < kMaxWords) {
        std::size_t end = folded.find(' ', start);
        if (end == std::string::npos) end = folded.size();
        words.push_back(folded.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

}  // namespace

uint32_t LibraryIndex::begin(const std::string& root, const NameOptions& names) {
    std::unique_lock<std::shared_mutex> guard(lock_);
    entries_.clear();
    entries_.shrink_to_fit();
    text_.clear();
    text_.shrink_to_fit();
    folders_.clear();
    root_ = root;
    names_ = names;
    return ++walk_;
}

std::string LibraryIndex::foldedname(std::string_view name) const {
    return searchfold(displayname(name, names_));
}

uint32_t LibraryIndex::append(uint32_t parent, IndexKind kind, std::string_view name,
                              std::string_view folded) {
    const std::size_t text = text_.size();
    if (entries_.size() + 1 >= kNone || text + name.size() + folded.size() + 2 >= kNone)
        return kNone;
    text_.insert(text_.end(), name.begin(), name.end());
    text_.push_back('\0');
    text_.insert(text_.end(), folded.begin(), folded.end());
    text_.push_back('\0');
    entries_.push_back({parent, kNone, static_cast<uint32_t>(text), kind});
    return static_cast<uint32_t>(entries_.size() - 1);
}

std::string_view LibraryIndex::nameof(const Entry& entry) const {
    return std::string_view(text_.data() + entry.text);
}

std::string_view LibraryIndex::foldedof(const Entry& entry) const {
    const std::string_view name = nameof(entry);
    return std::string_view(name.data() + name.size() + 1);
}

// Folders above the walked one that are not in yet come in first, so a parent's id is always
// below its children's. Called under the exclusive lock.
uint32_t LibraryIndex::folderid(const std::string& path) {
    if (path.size() <= root_.size() || !path.starts_with(root_)) return kNone;
    const auto known = folders_.find(path);
    if (known != folders_.end()) return known->second;
    const std::size_t slash = path.rfind('/');
    const uint32_t parent = folderid(path.substr(0, slash == 0 ? 1 : slash));
    const std::string_view name = lastcomponent(path);
    const uint32_t id = append(parent, IndexKind::Folder, name, foldedname(name));
    if (id != kNone) folders_.emplace(path, id);
    return id;
}

void LibraryIndex::add(uint32_t walk, const WalkedFolder& folder) {
    std::vector<std::pair<const std::string*, std::string>> files;  // name, search form
    {
        std::shared_lock<std::shared_mutex> guard(lock_);  // names_ is set by begin()
        if (walk != walk_) return;
        for (const std::string& file : folder.files)
            if (file_kind_of(file) == FileKind::Music) files.emplace_back(&file, foldedname(file));
    }
    std::unique_lock<std::shared_mutex> guard(lock_);
    if (walk != walk_) return;
    const uint32_t parent = folderid(folder.path);
    for (const auto& [name, folded] : files)
        if (append(parent, IndexKind::File, *name, folded) == kNone) return;
}

// The collation keys are made once per entry and kept one after another in one buffer: a string
// each would double what the index itself holds while the ranks are found.
void LibraryIndex::finish(uint32_t walk) {
    std::vector<char> keys;
    std::vector<std::pair<uint32_t, uint32_t>> keyed;  // where its key begins, entry
    {
        std::shared_lock<std::shared_mutex> guard(lock_);
        if (walk != walk_) return;
        keyed.reserve(entries_.size());
        keys.reserve(entries_.size() * kKeyBytes);  // grown by copying, it would weigh twice
        for (uint32_t i = 0; i < entries_.size(); ++i) {
            const std::string key = collationkey(shownname(i));  // never holds a zero
            keyed.emplace_back(static_cast<uint32_t>(keys.size()), i);
            keys.insert(keys.end(), key.begin(), key.end());
            keys.push_back('\0');
        }
    }
    const auto keyof = [&keys](uint32_t at) { return std::string_view(keys.data() + at); };
    std::sort(keyed.begin(), keyed.end(), [&keyof](const auto& a, const auto& b) {
        const std::string_view x = keyof(a.first), y = keyof(b.first);
        return x != y ? x < y : a.second < b.second;
    });
    std::unique_lock<std::shared_mutex> guard(lock_);
    if (walk != walk_) return;  // a new walk began meanwhile
    folders_.clear();
    for (uint32_t place = 0; place < keyed.size(); ++place)
        entries_[keyed[place].second].rank = place;
}

std::string LibraryIndex::pathof(uint32_t entry) const {
    std::vector<uint32_t> chain;
    for (uint32_t at = entry; at != kNone; at = entries_[at].parent) chain.push_back(at);
    std::string path = root_;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (path.empty() || path.back() != '/') path += '/';
        path += nameof(entries_[*it]);
    }
    return path;
}

std::string LibraryIndex::shownname(uint32_t entry) const {
    return displayname(nameof(entries_[entry]), names_);
}

// Folders first, then ranked entries in their rank, then entries of a walk still going on.
bool LibraryIndex::before(uint32_t a, uint32_t b) const {
    const Entry& x = entries_[a];
    const Entry& y = entries_[b];
    if (x.kind != y.kind) return x.kind == IndexKind::Folder;
    if (x.rank != y.rank) return x.rank < y.rank;
    if (foldedof(x) != foldedof(y)) return foldedof(x) < foldedof(y);
    return a < b;
}

uint32_t LibraryIndex::matchedwords(std::string_view folded, const std::vector<std::string>& words,
                                    uint32_t wanted) {
    uint32_t bits = 0;
    for (std::size_t w = 0; w < words.size(); ++w) {
        if ((wanted & (1U << w)) == 0) continue;
        for (std::size_t at = folded.find(words[w]); at != std::string_view::npos;
             at = folded.find(words[w], at + 1)) {
            if (at == 0 || folded[at - 1] == ' ') {
                bits |= 1U << w;
                break;
            }
        }
    }
    return bits;
}

std::vector<SearchMatch> LibraryIndex::search(std::string_view query, std::size_t limit) const {
    const std::vector<std::string> words = querywords(query);
    if (words.empty() || limit == 0) return {};
    const uint32_t all = words.size() == 32 ? UINT32_MAX : (1U << words.size()) - 1;
    std::shared_lock<std::shared_mutex> guard(lock_);
    // What each entry and the folders above it match; a parent always comes before its children,
    // and only the words its folders leave open are looked for in an entry's own name.
    std::vector<uint32_t> matched(entries_.size());
    std::vector<std::pair<uint64_t, uint32_t>> found;  // (folders first, rank), entry
    for (uint32_t i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        const uint32_t above = entry.parent != kNone ? matched[entry.parent] : 0U;
        matched[i] =
            above == all ? all : above | matchedwords(foldedof(entry), words, all & ~above);
        if (matched[i] != all) continue;
        const uint64_t kind = entry.kind == IndexKind::Folder ? 0 : 1;
        found.emplace_back(kind << 32 | entry.rank, i);
    }
    const std::size_t kept = std::min(limit, found.size());
    std::partial_sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(kept), found.end(),
                      [this](const auto& a, const auto& b) {
                          // Equal keys: entries not ranked yet, during a walk.
                          return a.first != b.first ? a.first < b.first
                                                    : before(a.second, b.second);
                      });
    std::vector<SearchMatch> matches;
    for (std::size_t i = 0; i < kept; ++i) {
        const uint32_t at = found[i].second;
        const Entry& entry = entries_[at];
        matches.push_back({(static_cast<uint64_t>(walk_) << 32) | at, entry.kind, shownname(at),
                           entry.parent != kNone ? shownname(entry.parent) : std::string()});
    }
    return matches;
}

std::optional<IndexLocation> LibraryIndex::locate(uint64_t id) const {
    std::shared_lock<std::shared_mutex> guard(lock_);
    const auto at = static_cast<uint32_t>(id & 0xFFFFFFFFU);
    if ((id >> 32) != walk_ || at >= entries_.size()) return std::nullopt;
    const Entry& entry = entries_[at];
    if (entry.kind == IndexKind::Folder) return IndexLocation{entry.kind, pathof(at), {}};
    const std::string folder = entry.parent != kNone ? pathof(entry.parent) : root_;
    return IndexLocation{entry.kind, folder, pathof(at)};
}

std::size_t LibraryIndex::size() const {
    std::shared_lock<std::shared_mutex> guard(lock_);
    return entries_.size();
}

}  // namespace tunedeck
