// The folder scan: walks a tree depth first and queues every music file of the scan's formats,
// each folder's subfolders (recursively, in list order) before its own files. The walk itself
// runs on any thread over its own FolderLists; the queue and the player are the UI thread's.
#pragma once

#include <functional>
#include <string>
#include <vector>

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

// One folder of the walk, reported once its subfolders are done: its path in the lists' normal
// form and the files its file list holds (bare names, in list order).
struct WalkedFolder {
    const std::string& path;
    const std::vector<std::string>& files;
};

// Walks `cdir` with its own stack and reports every folder after its subfolders. A folder that
// is already on the walk path (same device and inode: a loop of links) is skipped, and so is one
// that cannot be read or vanished. When `folders` already stands in `cdir` the walk starts from
// its lists as they stand, without reading that folder again. `visit` returns false to end the
// walk at once. Leaves `folders` on the last folder listed. Thread: any, with `folders` its own.
// False when `visit` ended the walk.
bool walkfolders(FolderLists& folders, const std::string& cdir,
                 const std::function<bool(const WalkedFolder&)>& visit);

// The queue entries of a walked folder: its files of `formats`, named as the list shows them.
// Thread: any.
void queueentries(const WalkedFolder& folder, const NameOptions& names, const ScanFormats& formats,
                  std::vector<QueueEntry>& out);

// True when a walked folder holds a music file of any format. Thread: any.
bool holdsmusic(const WalkedFolder& folder);

// When nothing is active, starts row playlistpos or the first row after it that starts (each
// failure moves playlistpos on by one). True when a row started. UI thread.
bool startifidle(PlayQueue& queue, const ScanPlayer& player);

// The whole scan at once, on the calling thread: queues the music of `formats` below `cdir` in
// walk order and, after each folder, starts playback through startifidle. When no row started,
// playlistpos ends at 0. On return the current folder is `cdir`. True when the walk met a music
// file of any format, queued or not. UI thread.
bool scanfolders(FolderLists& folders, PlayQueue& queue, const std::string& cdir,
                 const NameOptions& names, const ScanFormats& formats, const ScanPlayer& player);

// The scan in the background, as the browsing operations start it (the library index runs it).
// UI thread.
class FolderScan {
  public:
    virtual ~FolderScan() = default;
    // Stops the scan that runs, if any, and starts walking the folder `listed` stands in, from
    // its lists as they stand (the caller has just read them: the walk does not read that
    // folder again): its music of `formats` joins the queue of the generation now current, in
    // walk order, and playback starts as soon as something is queued while nothing plays.
    // With `queue` false the walk only feeds the index and the queue is left alone.
    virtual void start(const FolderLists& listed, const NameOptions& names,
                       const ScanFormats& formats, bool queue) = 0;
    // The same for a folder nobody has listed: the walk reads it on its own thread.
    virtual void start(const std::string& folder, const NameOptions& names,
                       const ScanFormats& formats, bool queue) = 0;
};

}  // namespace tunedeck
