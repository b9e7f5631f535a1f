// The play queue shared by the key commands, the folder scan, playlists, the tick and the
// end-of-stream advance. UI thread only: the end-of-stream notification reaches it through the
// UI thread's event queue.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tunedeck {

inline constexpr int kQueueRows = 2001;  // rows 0..2000

struct QueueEntry {
    std::string name;  // as shown
    std::string path;  // the full path of the file
    bool operator==(const QueueEntry&) const = default;
};

struct PlayQueue {
    std::array<QueueEntry, kQueueRows> playlist{};
    int playlistcount = 0;
    int playlistpos = 0;
    uint32_t stream = 0;  // handle of the stream created last
    // Display name of the file that plays on after its entry was taken out of the queue. While
    // it is set, playlistpos stands on the entry before that one (-1 when it was the first), so
    // the queue goes on with the entry that followed it. Starting a file or replacing the queue
    // forgets it.
    std::optional<std::string> takenout;

    bool full() const { return playlistcount >= kQueueRows; }
    // Appends an entry; a full queue takes nothing and returns false.
    bool append(std::string name, std::string path);
    // Empties every row and sets both counters to 0.
    void clear();
    // Display name of the entry that plays or played last: the taken-out one, or row
    // playlistpos (empty outside the table).
    const std::string& currentname() const;
};

}  // namespace tunedeck
