#include "audio/queue.h"

#include <utility>

namespace tunedeck {

void PlayQueue::append(std::string name, std::string path) {
    const auto row = static_cast<std::size_t>(playlistcount);
    if (row < playlist.size()) {
        playlist[row] = {std::move(name), std::move(path)};
    } else {
        playlist.push_back({std::move(name), std::move(path)});
    }
    ++playlistcount;
}

void PlayQueue::clear() {
    playlist.clear();
    playlistcount = 0;
    playlistpos = 0;
    takenout.reset();
    ++generation;
    growing = false;
}

const std::string& PlayQueue::currentname() const {
    static const std::string kNothing;  // immutable: the name of a row outside the queue's rows
    if (takenout) return *takenout;
    return playlistpos >= 0 && static_cast<std::size_t>(playlistpos) < playlist.size()
               ? playlist[static_cast<std::size_t>(playlistpos)].name
               : kNothing;
}

}  // namespace tunedeck
