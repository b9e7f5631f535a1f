// The folder scan: queues every music file of the scan's formats below a folder, depth first,
// and starts playback as soon as something is queued while nothing plays.
// UI thread only.
#pragma once

#include <functional>
#include <string>

#include "audio/queue.h"
#include "browse/formats.h"
#include "browse/names.h"
#include "platform/folders/folderlists.h"

namespace tunedeck {

// What the scan needs of the player.
struct ScanPlayer {
    // True while the current stream is playing or paused.
    std::function<bool()> active;
    // Starts a file; true when it could not be started.
    std::function<bool(const std::string& path)> playfile;
};

// Walks `cdir` with its own stack: each folder's subfolders (recursively, in list order) before
// its own music files of `formats`; after each folder, when nothing is active, starts row
// playlistpos or the first row after it that starts (each failure moves playlistpos on by one).
// When no row started, playlistpos ends at 0. A folder that is already on the walk path (same
// device and inode) is skipped, and the walk stops once the queue is full. On return the current
// folder is `cdir`. True when the walk met a music file of any format, queued or not (a full
// queue ends the walk early; it then holds music).
bool scanfolders(FolderLists& folders, PlayQueue& queue, const std::string& cdir,
                 const NameOptions& names, const ScanFormats& formats, const ScanPlayer& player);

}  // namespace tunedeck
