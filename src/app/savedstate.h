// The jukebox's saved state for resuming after a restart or a power cut: the queue, the entry
// playing and where in it, play/pause/stop and the folder shown. One text file, replaced as a
// whole (a new file, flushed, renamed over the old one), so that it is always either the last
// state written or the one before, never half of one.
// UI thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "audio/playback.h"
#include "audio/queue.h"

namespace tunedeck {

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

    bool operator==(const SavedState&) const = default;
};

// The file's text, and the state read back from such text. A text that is not one (damaged,
// cut, edited into nonsense) gives the reason instead.
std::string formatstate(const SavedState& state);
std::variant<SavedState, std::string> parsestate(const std::string& text);

// Reads the file: nothing when there is none, else the state or the reason it cannot be used
// (unreadable, too large, damaged).
std::optional<std::variant<SavedState, std::string>> readstate(const std::filesystem::path& file);
// Writes `file` anew through `file`.new. Throws std::runtime_error with the system's reason.
void writestate(const std::filesystem::path& file, const SavedState& state);

}  // namespace tunedeck
