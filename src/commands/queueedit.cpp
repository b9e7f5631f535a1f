#include "commands/queueedit.h"

#include <algorithm>

namespace tunedeck {

int findqueued(const PlayQueue& queue, const std::string& path) {
    return queue.firstrow(path);
}

void removequeued(PlayQueue& queue, int f) {
    const int count = queue.playlistcount;
    if (f < 0 || f >= count) return;
    // The entry at playlistpos plays (or played last), unless that one was taken out already.
    if (f == queue.playlistpos && !queue.takenout)
        queue.takenout = std::string(queue.playlist.name(static_cast<std::size_t>(f)));
    queue.erase(f);
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
    if (from < 0 || from >= count || to < 0 || to >= count) return;
    queue.move(from, to);
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
        queue.append(item.label, item.target);
        ++added;
    }
    // A file taken out of the queue before it emptied still plays: the new entries follow it.
    if (wasempty && !queue.takenout) queue.playlistpos = 0;
    return added;
}

}  // namespace tunedeck
