#include "commands/queueedit.h"

#include <algorithm>

namespace tunedeck {

int findqueued(const PlayQueue& queue, const std::string& path) {
    for (int i = 0; i < queue.playlistcount && i < kQueueRows; ++i) {
        if (queue.playlist[static_cast<std::size_t>(i)].path == path) return i;
    }
    return -1;
}

void removequeued(PlayQueue& queue, int f) {
    const int count = queue.playlistcount;
    if (f < 0 || f >= count || count > kQueueRows) return;
    // The entry at playlistpos plays (or played last), unless that one was taken out already.
    auto& rows = queue.playlist;
    const auto removed = rows.begin() + f;
    if (f == queue.playlistpos && !queue.takenout) queue.takenout = removed->name;
    std::copy(removed + 1, rows.begin() + count, removed);
    --queue.playlistcount;
    if (f <= queue.playlistpos) --queue.playlistpos;
    if (queue.playlistpos >= queue.playlistcount)  // a position that was already past the queue
        queue.playlistpos = queue.playlistcount - 1;
}

namespace {

// Where row `row` is after the entry at `from` moved to `to`.
int aftermove(int row, int from, int to) {
    if (row == from) return to;
    if (from < row && row <= to) return row - 1;
    if (to <= row && row < from) return row + 1;
    return row;
}

}  // namespace

void movequeued(PlayQueue& queue, int from, int to) {
    const int count = queue.playlistcount;
    if (from < 0 || from >= count || to < 0 || to >= count || count > kQueueRows) return;
    auto& rows = queue.playlist;
    const auto first = rows.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
    if (!queue.takenout) {
        queue.playlistpos = aftermove(queue.playlistpos, from, to);
    } else if (queue.playlistpos + 1 < count) {
        // The entry after the gap is the one that follows what plays: the gap goes with it.
        queue.playlistpos = aftermove(queue.playlistpos + 1, from, to) - 1;
    }
}

int queuelisting(PlayQueue& queue, const BrowseState& browse) {
    const bool wasempty = queue.playlistcount == 0;
    int added = 0;
    for (const Item& item : browse.items) {
        if (item.kind != ItemKind::Playable) continue;
        if (!queue.append(item.label, item.target)) break;
        ++added;
    }
    // A file taken out of the queue before it emptied still plays: the new entries follow it.
    if (wasempty && !queue.takenout) queue.playlistpos = 0;
    return added;
}

}  // namespace tunedeck
