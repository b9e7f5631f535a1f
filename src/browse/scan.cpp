#include "browse/scan.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace tunedeck {

namespace {

// Device and inode of a folder, compared in full to find folders already on the walk path.
struct FolderId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FolderId&) const = default;
};

bool folderid(const std::string& path, FolderId& id) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    id = {info.st_dev, info.st_ino};
    return true;
}

// One folder on the walk path: its subfolders still to walk and the music files it queues
// once they are done. Copied from the lists when the folder is entered, so it is listed once.
struct Frame {
    std::string path;
    FolderId id;
    std::vector<std::string> subfolders;
    std::size_t next = 0;
    std::vector<std::string> queued_files;
};

// Enters a folder; notes in `found_music` whether it holds a music file of any format.
Frame enterfolder(FolderLists& folders, const std::string& path, const FolderId& id,
                  const ScanFormats& formats, bool& found_music) {
    folders.setpath(path);
    Frame frame{folders.Dirs().path(), id, {}, 0, {}};
    const DirListBox& dirs = folders.Dirs();
    for (int i = 0; i < dirs.listcount(); ++i) frame.subfolders.push_back(dirs.list(i));
    const FileListBox& files = folders.Files();
    for (int i = 0; i < files.listcount(); ++i) {
        const std::string& file = files.list(i);
        if (!found_music && file_kind_of(file) == FileKind::Music) found_music = true;
        // More files than the queue can hold are never needed.
        if (frame.queued_files.size() < kQueueRows && formats.queues(file))
            frame.queued_files.push_back(file);
    }
    return frame;
}

bool onwalkpath(const std::vector<Frame>& stack, const FolderId& id) {
    return std::any_of(stack.begin(), stack.end(), [&id](const Frame& f) { return f.id == id; });
}

void queuefiles(PlayQueue& queue, const Frame& frame, const NameOptions& names) {
    for (const std::string& file : frame.queued_files)
        if (!queue.append(displayname(file, names), frame.path + "/" + file)) return;
}

// When nothing plays, starts the entry at playlistpos or, when it does not start, the first one
// after it that does; playlistpos passes the entries that failed, so each is tried once.
void startifidle(PlayQueue& queue, const ScanPlayer& player) {
    if (queue.playlistcount <= 0 || player.active()) return;
    while (queue.playlistpos >= 0 && queue.playlistpos < queue.playlistcount) {
        const std::string& path = queue.playlist[static_cast<std::size_t>(queue.playlistpos)].path;
        const bool did_not_start = player.playfile(path);
        if (!did_not_start) return;
        ++queue.playlistpos;
    }
}

}  // namespace

bool scanfolders(FolderLists& folders, PlayQueue& queue, const std::string& cdir,
                 const NameOptions& names, const ScanFormats& formats, const ScanPlayer& player) {
    std::vector<Frame> stack;
    bool found_music = false;
    FolderId rootid;
    if (folderid(normalfolderpath(cdir), rootid))
        stack.push_back(enterfolder(folders, cdir, rootid, formats, found_music));
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next < top.subfolders.size() && !queue.full()) {
            const std::string& sub = top.subfolders[top.next++];
            FolderId id;
            if (folderid(sub, id) && !onwalkpath(stack, id))
                stack.push_back(enterfolder(folders, sub, id, formats, found_music));
            continue;
        }
        queuefiles(queue, top, names);
        startifidle(queue, player);
        stack.pop_back();
    }
    // No entry started: the queue stands at its start, as when it has played to its end.
    if (queue.playlistcount > 0 && queue.playlistpos >= queue.playlistcount) queue.playlistpos = 0;
    folders.setpath(cdir);
    return found_music;
}

}  // namespace tunedeck
