// Edits of the play queue made by the key commands. The queue never grows past its table:
// an addition to a full queue adds nothing.
#pragma once

#include <string>

#include "audio/queue.h"
#include "browse/model.h"

namespace tunedeck {

// Row of the first queued entry whose path equals `path` exactly, or -1.
int findqueued(const PlayQueue& queue, const std::string& path);

// Takes out row `f`, moving the later rows up. When the removed row lies before the one
// playing, playlistpos moves up with its entry so that it still names what is playing. When it
// is the one playing, its name is kept as `takenout` and playlistpos moves to the entry before
// it (-1 for the first), so that the queue goes on with the entry that followed it.
void removequeued(PlayQueue& queue, int f);

// Moves row `from` to row `to`, the rows between shifting by one. playlistpos follows its
// entry, so what plays goes on and the queue goes on after it; when the entry playing was taken
// out, playlistpos keeps standing just before the entry that was to follow it.
void movequeued(PlayQueue& queue, int from, int to);

// Appends every playable entry of the listing, in listing order, as far as the queue has room.
// Returns the number appended. A queue that was empty starts at row 0.
int queuelisting(PlayQueue& queue, const BrowseState& browse);

}  // namespace tunedeck
