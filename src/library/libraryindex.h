// The index of the library: every folder and music file under the root, with the name the
// television shows for it and where it lies. The scan's worker fills it as it walks; the
// remote's search reads it on its own threads; the UI thread reads where a match lies to open
// it. Matching is without case and accents (platform/folders/searchfold.h): every word of the
// query must begin a word of the entry's name or of one of its folders' names below the root.
// Thread: any; a shared lock keeps the readers apart from the worker.
#pragma once

#include <cstdint>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "browse/names.h"
#include "browse/scan.h"
#include "library/catalog.h"

namespace tunedeck {

class LibraryIndex : public LibraryCatalog {
  public:
    // Worker: forgets everything and begins the index of a walk of `root`; returns the walk's
    // number. A walk that an earlier worker still reports on is ignored from then on.
    uint32_t begin(const std::string& root, const NameOptions& names);
    // Worker: adds a walked folder (and the folders above it up to the root, when new) and its
    // music files, when `walk` is still the current walk.
    void add(uint32_t walk, const WalkedFolder& folder);
    // Worker: the walk has ended; ranks every entry by the collation of its shown name.
    void finish(uint32_t walk);

    std::vector<SearchMatch> search(std::string_view query,
                                    std::size_t limit = kMaxMatches) const override;
    std::optional<IndexLocation> locate(uint64_t id) const override;
    // Entries held now: folders and files.
    std::size_t size() const;

  private:
    // Kept small, for the memory of a library of hundreds of thousands of files: the names
    // live one after another in `text_`, and the shown name is made again for the few entries a
    // search returns.
    struct Entry {
        uint32_t parent;  // the folder it is in; kNone for the root
        uint32_t rank;    // place in the collation of shown names; kNone until ranked
        uint32_t text;    // in text_: the bare name on disk and the shown name in search form,
                          // each ended by a zero (neither can hold one)
        IndexKind kind;
    };
    static constexpr uint32_t kNone = UINT32_MAX;

    std::string foldedname(std::string_view name) const;
    // Appends an entry; kNone when the ids or the text would pass what 32 bits count.
    uint32_t append(uint32_t parent, IndexKind kind, std::string_view name,
                    std::string_view folded);
    std::string_view nameof(const Entry& entry) const;
    std::string_view foldedof(const Entry& entry) const;
    uint32_t folderid(const std::string& path);
    std::string pathof(uint32_t entry) const;
    std::string shownname(uint32_t entry) const;
    bool before(uint32_t a, uint32_t b) const;
    // Bits of the query words among `wanted` that begin a word of `folded`.
    static uint32_t matchedwords(std::string_view folded, const std::vector<std::string>& words,
                                 uint32_t wanted);

    mutable std::shared_mutex lock_;
    std::vector<Entry> entries_;
    std::vector<char> text_;
    std::string root_;
    NameOptions names_;
    uint32_t walk_ = 0;  // counts begin(): the high half of every id
    // Worker only: the id of every folder path seen, while the walk lasts.
    std::unordered_map<std::string, uint32_t> folders_;
};

}  // namespace tunedeck
