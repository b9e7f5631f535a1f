// The rows of the play queue, kept compactly. A library's queue runs to hundreds of thousands
// of files in a few thousand folders: each row holds its folder's number and where its file
// name and display name stand in one text buffer, instead of two strings of its own (a path
// string alone cost more than the row now does). UI thread only, as the queue.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tunedeck {

struct QueueEntry {
    std::string name;  // as shown
    std::string path;  // the full path of the file
    bool operator==(const QueueEntry&) const = default;
};

class QueueRows {
  public:
    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    // Row `row`'s name and path, made as strings: a copy, which changes nothing in the rows.
    const QueueEntry operator[](std::size_t row) const {
        return {std::string(name(row)), path(row)};
    }
    std::string path(std::size_t row) const;
    std::string_view name(std::size_t row) const;
    // Whether row `row` holds `path`, without making the path.
    bool haspath(std::size_t row, std::string_view path) const;
    // Whether rows `a` and `b` hold the same path.
    bool samepath(std::size_t a, std::size_t b) const {
        return rows_[a].folder == rows_[b].folder && file(rows_[a]) == file(rows_[b]);
    }
    // A path's hash, and the same hash of row `row`'s path made from its pieces.
    static uint64_t hash(std::string_view text, uint64_t from = kHashStart);
    uint64_t pathhash(std::size_t row) const;
    // The rows from the first up to `count`, as entries.
    std::vector<QueueEntry> entries(std::size_t count) const;

    // Sets row `row`, which is an existing one or the one after the last.
    void put(std::size_t row, std::string_view name, std::string_view path);
    void erase(std::size_t row);
    // Keeps only the rows `keep` says to, in their order, in one pass.
    void keeponly(const std::function<bool(std::size_t row)>& keep);
    // Moves row `from` to `to`, the rows between shifting by one.
    void move(std::size_t from, std::size_t to);
    void reserve(std::size_t rows) { rows_.reserve(rows); }
    void clear();

  private:
    // A path is its folder, a '/', and its file name; one without a '/' has no folder.
    static constexpr uint32_t kNoFolder = UINT32_MAX;
    static constexpr uint64_t kHashStart = 14695981039346656037ull;  // FNV-1a
    struct Row {
        uint32_t folder;
        uint32_t text;      // the file name, then the display name, in text_
        uint32_t filesize;  // bytes of the file name
        uint32_t namesize;  // bytes of the display name
    };

    uint32_t folderof(std::string_view folder);
    std::string_view file(const Row& row) const {
        return std::string_view(text_).substr(row.text, row.filesize);
    }
    // Whether `text` lies in text_.
    bool inside(std::string_view text) const;
    // Text no row points at any more (rows overwritten or taken out) is dropped once it is
    // more than the rest.
    void tidy();

    std::vector<Row> rows_;
    uint32_t lastfolder_ = kNoFolder;  // the folder put last: the next row is most often in it
    std::string text_;
    std::size_t unused_ = 0;  // bytes of text_ no row points at
    // Each folder once: its text, and its number from its text. The map's nodes hold the
    // texts, so the views into them stay put.
    std::vector<const std::string*> folders_;
    std::unordered_map<std::string, uint32_t> folderids_;
};

}  // namespace tunedeck
