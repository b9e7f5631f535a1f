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
}

}  // namespace tunedeck
