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
    folders_.clear();
    root_ = root;
    names_ = names;
    return ++walk_;
}

LibraryIndex::Entry LibraryIndex::makeentry(uint32_t parent, IndexKind kind,
                                            std::string name) const {
    std::string folded = searchfold(displayname(name, names_));
    return Entry{parent, kNone, kind, std::move(name), std::move(folded)};
}

// Folders above the walked one that are not in yet come in first, so a parent's id is always
// below its children's. Called under the exclusive lock.
uint32_t LibraryIndex::folderid(const std::string& path) {
    if (path.size() <= root_.size() || !path.starts_with(root_)) return kNone;
    const auto known = folders_.find(path);
    if (known != folders_.end()) return known->second;
    const std::size_t slash = path.rfind('/');
    const uint32_t parent = folderid(path.substr(0, slash == 0 ? 1 : slash));
    entries_.push_back(makeentry(parent, IndexKind::Folder, std::string(lastcomponent(path))));
    const auto id = static_cast<uint32_t>(entries_.size() - 1);
    folders_.emplace(path, id);
    return id;
}

void LibraryIndex::add(uint32_t walk, const WalkedFolder& folder) {
    std::vector<Entry> files;
    {
        std::shared_lock<std::shared_mutex> guard(lock_);  // names_ is set by begin()
        if (walk != walk_) return;
        for (const std::string& file : folder.files)
            if (file_kind_of(file) == FileKind::Music)
                files.push_back(makeentry(kNone, IndexKind::File, file));
    }
    std::unique_lock<std::shared_mutex> guard(lock_);
    if (walk != walk_) return;
    const uint32_t parent = folderid(folder.path);
    if (entries_.size() + files.size() >= kNone) return;  // ids must stay below kNone
    for (Entry& file : files) {
        file.parent = parent;
        entries_.push_back(std::move(file));
    }
}

void LibraryIndex::finish(uint32_t walk) {
    std::vector<std::pair<std::string, uint32_t>> keyed;
    {
        std::shared_lock<std::shared_mutex> guard(lock_);
        if (walk != walk_) return;
        keyed.reserve(entries_.size());
        for (uint32_t i = 0; i < entries_.size(); ++i)
            keyed.emplace_back(collationkey(shownname(i)), i);
    }
    std::sort(keyed.begin(), keyed.end());
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
        path += entries_[*it].name;
    }
    return path;
}

std::string LibraryIndex::shownname(uint32_t entry) const {
    return displayname(entries_[entry].name, names_);
}

// Folders first, then ranked entries in their rank, then entries of a walk still going on.
bool LibraryIndex::before(uint32_t a, uint32_t b) const {
    const Entry& x = entries_[a];
    const Entry& y = entries_[b];
    if (x.kind != y.kind) return x.kind == IndexKind::Folder;
    if (x.rank != y.rank) return x.rank < y.rank;
    if (x.folded != y.folded) return x.folded < y.folded;
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
        matched[i] = above == all ? all : above | matchedwords(entry.folded, words, all & ~above);
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
