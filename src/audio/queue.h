// The play queue shared by the key commands, the folder scan, playlists, the tick and the
// end-of-stream advance. UI thread only: the end-of-stream notification reaches it through the
// UI thread's event queue.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "audio/firstrows.h"
#include "audio/queuerows.h"

namespace tunedeck {

// The queue holds as many entries as memory allows. `playlist` has at least `playlistcount` rows;
// rows 0..playlistcount-1 are the queue. Rows and the count change only through the member
// functions, which keep the lookup from a path to its first row in step with them.
struct PlayQueue {
    QueueRows playlist;
    int playlistcount = 0;
    int playlistpos = 0;
    uint32_t stream = 0;  // handle of the stream created last
    // Display name of the file that plays on after its entry was taken out of the queue. While
    // it is set, playlistpos stands on the entry before that one (-1 when it was the first), so
    // the queue goes on with the entry that followed it. Starting a file or replacing the queue
    // forgets it.
    std::optional<std::string> takenout;

    // Counts every replacement of the whole queue (clear, a playlist loaded): what was added for
    // an earlier generation does not belong to the queue of a later one.
    uint64_t generation = 0;
    // More entries are on their way (a scan in the background adds them): when the entry playing
    // ends with no entry after it, the queue waits past its end instead of stopping at its start.
    bool growing = false;
    // Count the changes of the rows: every one, and those that were not appends (an erase, a
    // move, a clear), so that a copy of the names can tell whether it only needs the new rows.
    uint64_t revision = 0;
    uint64_t reshapes = 0;

    // Appends an entry after the last one.
    void append(std::string_view name, std::string_view path);
    // Takes row `row` out, the rows after it moving up by one; a row outside the queue is
    // ignored. The positions (playlistpos, takenout) are the caller's to adjust.
    void erase(int row);
    // Moves row `from` to row `to`, the rows between shifting by one; rows outside the queue are
    // ignored. The positions are the caller's to adjust, as with erase().
    void move(int from, int to);
    // Takes the rows of `whole`, a queue of which the rows so far are a part from its row
    // `first` on: the positions move with them. Nothing is replaced: the generation stays.
    void adoptwhole(PlayQueue&& whole, int first);
    // Makes room for `count` rows at once.
    void reserve(std::size_t count);
    // Keeps only the rows `keep` says to, in their order, in one pass whatever their number.
    // The positions are the caller's to adjust, as with erase().
    void keeponly(const std::function<bool(int row)>& keep);
    // The row of the first entry with this path, -1 when none has it. Costs one hash lookup,
    // whatever the length of the queue.
    int firstrow(const std::string& path) const;
    // Empties every row, sets both counters to 0 and starts a new generation, to which nothing
    // is on its way yet.
    void clear();
    // Display name of the entry that plays or played last: the taken-out one, or row
    // playlistpos (empty outside the queue's rows).
    std::string currentname() const;
    // The queue's rows as entries.
    std::vector<QueueEntry> entries() const;

  private:
    // Path -> its first row below playlistcount.
    FirstRows firstrows_;
};

}  // namespace tunedeck
