#include "audio/queue.h"

#include <utility>

namespace tunedeck {

bool PlayQueue::append(std::string name, std::string path) {
    if (full()) return false;
    playlist[playlistcount] = {std::move(name), std::move(path)};
    ++playlistcount;
    return true;
}

void PlayQueue::clear() {
    for (auto& row : playlist) row = {};
    playlistcount = 0;
    playlistpos = 0;
    takenout.reset();
}

const std::string& PlayQueue::currentname() const {
    static const std::string kNothing;  // immutable: the name of a row outside the table
    if (takenout) return *takenout;
    return playlistpos >= 0 && playlistpos < kQueueRows ? playlist[playlistpos][0] : kNothing;
}

}  // namespace tunedeck
