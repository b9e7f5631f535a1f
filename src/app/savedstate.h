// The jukebox's saved state for resuming after a restart or a power cut: the queue, the entry
// playing and where in it, play/pause/stop and the folder shown. Each file is replaced as a
// whole (a new file, flushed, renamed over the old one), so that it is always either the last
// one written or the one before, never half of one.
//
// A library's queue runs to hundreds of thousands of entries, far more than the rest, and
// changes far less often than the position: it has a file of its own, written only when it
// changed. Two queue files take turns; the state file names the one it goes with (and its
// checksum), so the queue file being replaced is never the one the state on disk needs. An
// earlier version's state file, with the queue inside it, is still read.
// UI thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "audio/playback.h"
#include "audio/queue.h"

namespace tunedeck {

// What a state file says of its queue file: which of the two, how many entries, its checksum.
struct QueueFile {
    int slot = 0;
    int count = 0;
    uint64_t sum = 0;

    bool operator==(const QueueFile&) const = default;
};

struct SavedState {
    std::vector<QueueEntry> queue;
    int entry = 0;  // playlistpos; -1 only while a taken-out first entry plays
    // The file playing after its entry was taken out of the queue (name as shown, path).
    std::optional<QueueEntry> takenout;
    PlayState play = PlayState::Stopped;
    int64_t seconds = 0;  // into the entry playing, whole seconds
    // The list on screen: its folder, letter filter, page and row; whether the letter grid
    // was on screen instead.
    std::string folder;
    std::string letter;
    int page = 1;
    int row = 1;
    bool letterfocus = false;
    // The queue file it was read with; none when the queue was inside the state file.
    std::optional<QueueFile> queuefile;
    // With a queue file: the queue's rows around the entry (the one before it, it, the one after
    // it, as far as they exist), from row `aroundfirst` on, so that the entry can play at its
    // level before the whole queue is read.
    std::vector<QueueEntry> around;
    int aroundfirst = 0;

    bool operator==(const SavedState&) const = default;
};

// The file's text, and the state read back from such text. A text that is not one (damaged,
// cut, edited into nonsense) gives the reason instead.
std::string formatstate(const SavedState& state);
std::variant<SavedState, std::string> parsestate(const std::string& text);

// Reads the state file alone: nothing when there is none, else the state (its queue when the
// file holds it, else `queuefile` naming the file that does) or the reason it cannot be used
// (unreadable, too large, damaged).
std::optional<std::variant<SavedState, std::string>> readstatefile(
    const std::filesystem::path& file);
// Reads the file, and the queue file it names: as readstatefile(), with the queue always read
// (a queue file missing, damaged or not the one named is a reason too).
std::optional<std::variant<SavedState, std::string>> readstate(const std::filesystem::path& file);
// Reads the queue file that the state file `file` names as `named`, calling `each` with the
// name and path of every entry in order (views valid during the call) until it gives false.
// The reason when the file is missing, damaged or not the one named: the entries given before
// then are not the queue.
using QueueVisitor = std::function<bool(std::string_view name, std::string_view path)>;
std::optional<std::string> readqueue(const std::filesystem::path& file, const QueueFile& named,
                                     const QueueVisitor& each);
// The queue file of `slot` that goes with the state file `file`.
std::filesystem::path queuefilepath(const std::filesystem::path& file, int slot);
// Writes rows 0..playlistcount-1 of `queue` as the queue file of `slot` beside `file`, anew
// through a .new file. Throws std::runtime_error with the system's reason.
QueueFile writequeue(const std::filesystem::path& file, int slot, const PlayQueue& queue);
// Writes `file` anew through `file`.new, naming `queue` as its queue file (state.queue is not
// written). Throws std::runtime_error with the system's reason.
void writestate(const std::filesystem::path& file, const SavedState& state, const QueueFile& queue);

}  // namespace tunedeck
