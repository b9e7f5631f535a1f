#include "commands/queueedit.h"

#include <algorithm>

namespace tunedeck {

int findqueued(const PlayQueue& queue, const std::string& path) {
    for (int i = 0; i < queue.playlistcount && i < kQueueRows; ++i) {
        if (queue.playlist[i][1] == path) return i;
    }
    return -1;
}

void removequeued(PlayQueue& queue, int f) {
    const int count = queue.playlistcount;
    if (f < 0 || f >= count || count > kQueueRows) return;
    // The entry at playlistpos plays (or played last), unless that one was taken out already.
    if (f == queue.playlistpos && !queue.takenout) queue.takenout = queue.playlist[f][0];
    for (int i = f; i + 1 < count; ++i) queue.playlist[i] = queue.playlist[i + 1];
    --queue.playlistcount;
    if (f <= queue.playlistpos) --queue.playlistpos;
    if (queue.playlistpos >= queue.playlistcount)  // a position that was already past the queue
        queue.playlistpos = static_cast<int16_t>(queue.playlistcount - 1);
}

int queuelisting(PlayQueue& queue, const BrowseState& browse) {
    const bool wasempty = queue.playlistcount == 0;
    int added = 0;
    const int last = std::min<int>(browse.itemcount, kMaxItems);
    for (int t = 1; t <= last; ++t) {
        const ItemRow& item = browse.items[t];
        if (item[2] != kKindPlayable) continue;
        if (!queue.append(item[0], item[1])) break;
        ++added;
    }
    // A file taken out of the queue before it emptied still plays: the new entries follow it.
    if (wasempty && !queue.takenout) queue.playlistpos = 0;
    return added;
}

}  // namespace tunedeck
