#include "audio/queue.h"

#include <algorithm>
#include <utility>

namespace tunedeck {

void PlayQueue::append(std::string name, std::string path) {
    const auto row = static_cast<std::size_t>(playlistcount);
    if (row < playlist.size()) {
        playlist[row] = {std::move(name), std::move(path)};
    } else {
        playlist.push_back({std::move(name), std::move(path)});
    }
    firstrows_.lower(playlist, playlistcount);  // an earlier row with this path stays first
    ++playlistcount;
    ++revision;
}

void PlayQueue::erase(int row) {
    if (row < 0 || row >= playlistcount) return;
    const auto at = static_cast<std::size_t>(row);
    const std::string path = playlist[at].path;
    const bool first = firstrows_.find(playlist, path) == row;
    // The record is taken out while its row still holds the path.
    if (first) firstrows_.remove(playlist, path);
    playlist.erase(playlist.begin() + static_cast<std::ptrdiff_t>(row));
    --playlistcount;
    ++revision;
    ++reshapes;
    // Rows after the taken-out one move up; the taken-out path's first row may be a later one.
    firstrows_.shiftup(row);
    if (!first) return;
    for (int r = row; r < playlistcount; ++r) {
        if (playlist[static_cast<std::size_t>(r)].path == path) {
            firstrows_.lower(playlist, r);
            return;
        }
    }
}

void PlayQueue::move(int from, int to) {
    if (from < 0 || from >= playlistcount || to < 0 || to >= playlistcount || from == to) return;
    const int low = std::min(from, to);
    const int high = std::max(from, to);
    // Only the rows between the two move: the paths whose first row lies there are forgotten
    // while the rows still hold them, and found again after the move; every other path keeps
    // its first row.
    for (int r = low; r <= high; ++r) {
        const std::string& path = playlist[static_cast<std::size_t>(r)].path;
        if (firstrows_.find(playlist, path) == r) firstrows_.remove(playlist, path);
    }
    const auto first = playlist.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
    ++revision;
    ++reshapes;
    for (int r = low; r <= high; ++r) firstrows_.lower(playlist, r);
}

int PlayQueue::firstrow(const std::string& path) const {
    return firstrows_.find(playlist, path);
}

void PlayQueue::clear() {
    firstrows_.clear();
    playlist.clear();
    playlistcount = 0;
    playlistpos = 0;
    takenout.reset();
    ++generation;
    ++revision;
    ++reshapes;
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
