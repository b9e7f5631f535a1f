#include "audio/queue.h"

#include <utility>

namespace tunedeck {

bool PlayQueue::append(std::string name, std::string path) {
    if (full()) return false;
    playlist[static_cast<std::size_t>(playlistcount)] = {std::move(name), std::move(path)};
    ++playlistcount;
    return true;
}

void PlayQueue::clear() {
    for (QueueEntry& entry : playlist) entry = {};
    playlistcount = 0;
    playlistpos = 0;
    takenout.reset();
}

const std::string& PlayQueue::currentname() const {
    static const std::string kNothing;  // immutable: the name of a row outside the table
    if (takenout) return *takenout;
    return playlistpos >= 0 && playlistpos < kQueueRows
               ? playlist[static_cast<std::size_t>(playlistpos)].name
               : kNothing;
}

}  // namespace tunedeck
