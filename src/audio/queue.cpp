#include "audio/queue.h"

#include <algorithm>
#include <utility>

namespace tunedeck {

void PlayQueue::append(std::string name, std::string path) {
    const auto row = static_cast<std::size_t>(playlistcount);
    firstrows_.try_emplace(path, playlistcount);  // an earlier row with this path stays first
    if (row < playlist.size()) {
        playlist[row] = {std::move(name), std::move(path)};
    } else {
        playlist.push_back({std::move(name), std::move(path)});
    }
    ++playlistcount;
    ++revision;
}

void PlayQueue::erase(int row) {
    if (row < 0 || row >= playlistcount) return;
    const auto at = static_cast<std::size_t>(row);
    const std::string path = std::move(playlist[at].path);
    playlist.erase(playlist.begin() + static_cast<std::ptrdiff_t>(row));
    --playlistcount;
    ++revision;
    ++reshapes;
    // Rows after the taken-out one move up; the taken-out path's first row may be a later one.
    for (auto& [p, first] : firstrows_)
        if (first > row) --first;
    auto it = firstrows_.find(path);
    if (it == firstrows_.end() || it->second != row) return;
    for (int r = row; r < playlistcount; ++r) {
        if (playlist[static_cast<std::size_t>(r)].path == path) {
            it->second = r;
            return;
        }
    }
    firstrows_.erase(it);
}

void PlayQueue::move(int from, int to) {
    if (from < 0 || from >= playlistcount || to < 0 || to >= playlistcount || from == to) return;
    const int low = std::min(from, to);
    const int high = std::max(from, to);
    const auto first = playlist.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
    ++revision;
    ++reshapes;
    // Only the rows between the two moved: the paths whose first row lay there are found again;
    // every other path keeps its first row.
    for (int r = low; r <= high; ++r) {
        const auto it = firstrows_.find(playlist[static_cast<std::size_t>(r)].path);
        if (it != firstrows_.end() && it->second >= low && it->second <= high) firstrows_.erase(it);
    }
    for (int r = low; r <= high; ++r) {
        const auto [it, added] =
            firstrows_.try_emplace(playlist[static_cast<std::size_t>(r)].path, r);
        if (!added && it->second > r) it->second = r;
    }
}

int PlayQueue::firstrow(const std::string& path) const {
    const auto it = firstrows_.find(path);
    return it == firstrows_.end() ? -1 : it->second;
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
