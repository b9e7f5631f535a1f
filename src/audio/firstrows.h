// The queue's lookup from a path to its first row, as a table of rows: the paths are read from
// the rows themselves, so a queue of hundreds of thousands of files does not hold each path
// twice. Open addressing with linear probing; each slot keeps its path's hash beside the row.
// Every call passes the rows the table stands for. UI thread only, as the queue.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tunedeck {

class QueueRows;

class FirstRows {
  public:
    using Rows = QueueRows;

    // The first row recorded for `path`; -1 when none.
    int find(const Rows& rows, std::string_view path) const;
    // Records `row` as the first row of its path when that path has none or a later one.
    void lower(const Rows& rows, int row);
    // Forgets `path`, whose recorded row must still hold it.
    void remove(const Rows& rows, std::string_view path);
    // Every recorded row after `row` moves up by one, as when row `row` was taken out.
    void shiftup(int row);
    void clear();
    // Makes room for `count` records at once, as for a queue read whole.
    void reserve(std::size_t count);

  private:
    struct Slot {
        uint32_t hash = 0;
        int32_t row = -1;  // -1: empty
    };
    static uint32_t hashof(std::string_view path);
    // The slot holding `path`, or the empty slot where it would go.
    std::size_t slotof(const Rows& rows, std::string_view path, uint32_t hash) const;
    // The same for the path of row `row`, which is not made.
    std::size_t slotofrow(const Rows& rows, int row, uint32_t hash) const;
    void grow();
    void erase(std::size_t at);

    std::vector<Slot> slots_;  // a power of two long, at most three quarters full
    std::size_t count_ = 0;
};

}  // namespace tunedeck
