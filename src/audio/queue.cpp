#include "audio/queue.h"

#include <algorithm>
#include <utility>

namespace tunedeck {

void PlayQueue::append(std::string_view name, std::string_view path) {
    playlist.put(static_cast<std::size_t>(playlistcount), name, path);
    firstrows_.lower(playlist, playlistcount);  // an earlier row with this path stays first
    ++playlistcount;
    ++revision;
}

void PlayQueue::erase(int row) {
    if (row < 0 || row >= playlistcount) return;
    const auto at = static_cast<std::size_t>(row);
    const std::string path = playlist.path(at);
    const bool first = firstrows_.find(playlist, path) == row;
    // The record is taken out while its row still holds the path.
    if (first) firstrows_.remove(playlist, path);
    playlist.erase(at);
    --playlistcount;
    ++revision;
    ++reshapes;
    // Rows after the taken-out one move up; the taken-out path's first row may be a later one.
    firstrows_.shiftup(row);
    if (!first) return;
    for (int r = row; r < playlistcount; ++r) {
        if (playlist.haspath(static_cast<std::size_t>(r), path)) {
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
        const std::string path = playlist.path(static_cast<std::size_t>(r));
        if (firstrows_.find(playlist, path) == r) firstrows_.remove(playlist, path);
    }
    playlist.move(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
    ++revision;
    ++reshapes;
    for (int r = low; r <= high; ++r) firstrows_.lower(playlist, r);
}

void PlayQueue::adoptwhole(PlayQueue&& whole, int first) {
    playlist = std::move(whole.playlist);
    firstrows_ = std::move(whole.firstrows_);
    playlistcount = whole.playlistcount;
    playlistpos += first;
    ++revision;
    ++reshapes;
}

void PlayQueue::reserve(std::size_t count) {
    playlist.reserve(count);
    firstrows_.reserve(count);
}

void PlayQueue::keeponly(const std::function<bool(int row)>& keep) {
    const auto count = static_cast<std::size_t>(std::max(playlistcount, 0));
    playlist.keeponly([&](std::size_t row) { return row < count && keep(static_cast<int>(row)); });
    playlistcount = static_cast<int>(playlist.size());
    firstrows_.clear();
    for (int row = 0; row < playlistcount; ++row) firstrows_.lower(playlist, row);
    ++revision;
    ++reshapes;
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

std::string PlayQueue::currentname() const {
    if (takenout) return *takenout;
    if (playlistpos < 0 || static_cast<std::size_t>(playlistpos) >= playlist.size()) return {};
    return std::string(playlist.name(static_cast<std::size_t>(playlistpos)));
}

std::vector<QueueEntry> PlayQueue::entries() const {
    return playlist.entries(static_cast<std::size_t>(std::max(playlistcount, 0)));
}

}  // namespace tunedeck
