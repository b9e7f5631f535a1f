// What the phone's search may ask of the library index: matches for a query and where a match
// lies. An interface of its own so that the remote's server module reaches the index through
// it without linking the index's code. Thread: any.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunedeck {

enum class IndexKind { Folder, File };

struct SearchMatch {
    uint64_t id = 0;  // for locate(); stays valid until the next walk begins
    IndexKind kind = IndexKind::File;
    std::string name;    // as the television shows it
    std::string folder;  // the shown name of the folder it is in; "" at the root
    bool operator==(const SearchMatch&) const = default;
};

// Where an entry lies, to list it as the keys would reach it.
struct IndexLocation {
    IndexKind kind = IndexKind::File;
    std::string folder;  // the folder to list: the entry's own for a folder, else its parent
    std::string target;  // the item to highlight there: a file's path; "" for a folder
};

class LibraryCatalog {
  public:
    static constexpr std::size_t kMaxMatches = 50;

    virtual ~LibraryCatalog() = default;
    // At most `limit` matches: folders before files, each in the order of their shown names
    // (collation). An empty query matches nothing.
    virtual std::vector<SearchMatch> search(std::string_view query,
                                            std::size_t limit = kMaxMatches) const = 0;
    // Where the entry of an id lies; empty for an id of another walk or none.
    virtual std::optional<IndexLocation> locate(uint64_t id) const = 0;
};

}  // namespace tunedeck
