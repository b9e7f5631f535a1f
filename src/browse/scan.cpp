#include "browse/scan.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

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

// One folder on the walk path: its subfolders still to walk and its files, reported once they
// are done. Copied from the lists when the folder is entered, so it is listed once.
struct Frame {
    std::string path;
    FolderId id;
    std::vector<std::string> subfolders;
    std::size_t next = 0;
    std::vector<std::string> files;
};

// The frame of the folder the lists stand in.
Frame listedfolder(const FolderLists& folders, const FolderId& id) {
    Frame frame{folders.Dirs().path(), id, {}, 0, {}};
    const DirListBox& dirs = folders.Dirs();
    frame.subfolders.reserve(static_cast<std::size_t>(dirs.listcount()));
    for (int i = 0; i < dirs.listcount(); ++i) frame.subfolders.push_back(dirs.list(i));
    const FileListBox& files = folders.Files();
    frame.files.reserve(static_cast<std::size_t>(files.listcount()));
    for (int i = 0; i < files.listcount(); ++i) frame.files.push_back(files.list(i));
    return frame;
}

Frame enterfolder(FolderLists& folders, const std::string& path, const FolderId& id) {
    folders.setpath(path);
    return listedfolder(folders, id);
}

bool onwalkpath(const std::vector<Frame>& stack, const FolderId& id) {
    return std::any_of(stack.begin(), stack.end(), [&id](const Frame& f) { return f.id == id; });
}

}  // namespace

bool walkfolders(FolderLists& folders, const std::string& cdir,
                 const std::function<bool(const WalkedFolder&)>& visit) {
    std::vector<Frame> stack;
    FolderId rootid;
    const std::string root = normalfolderpath(cdir);
    if (folderid(root, rootid)) {
        stack.push_back(folders.Dirs().path() == root ? listedfolder(folders, rootid)
                                                      : enterfolder(folders, root, rootid));
    }
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next < top.subfolders.size()) {
            const std::string& sub = top.subfolders[top.next++];
            FolderId id;
            if (folderid(sub, id) && !onwalkpath(stack, id))
                stack.push_back(enterfolder(folders, sub, id));
            continue;
        }
        if (!visit(WalkedFolder{top.path, top.files})) return false;
        stack.pop_back();
    }
    return true;
}

void queueentries(const WalkedFolder& folder, const NameOptions& names, const ScanFormats& formats,
                  std::vector<QueueEntry>& out) {
    for (const std::string& file : folder.files)
        if (formats.queues(file))
            out.push_back({displayname(file, names), folder.path + "/" + file});
}

bool holdsmusic(const WalkedFolder& folder) {
    return std::any_of(folder.files.begin(), folder.files.end(), [](const std::string& file) {
        return file_kind_of(file) == FileKind::Music;
    });
}

// Each entry that fails is tried once: playlistpos passes it.
bool startifidle(PlayQueue& queue, const ScanPlayer& player) {
    if (queue.playlistcount <= 0 || player.active()) return false;
    while (queue.playlistpos >= 0 && queue.playlistpos < queue.playlistcount) {
        const std::string path = queue.playlist.path(static_cast<std::size_t>(queue.playlistpos));
        const bool did_not_start = player.playfile(path);
        if (!did_not_start) return true;
        ++queue.playlistpos;
    }
    return false;
}

bool scanfolders(FolderLists& folders, PlayQueue& queue, const std::string& cdir,
                 const NameOptions& names, const ScanFormats& formats, const ScanPlayer& player) {
    bool found_music = false;
    std::vector<QueueEntry> entries;
    walkfolders(folders, cdir, [&](const WalkedFolder& folder) {
        if (!found_music) found_music = holdsmusic(folder);
        entries.clear();
        queueentries(folder, names, formats, entries);
        for (QueueEntry& entry : entries)
            queue.append(std::move(entry.name), std::move(entry.path));
        startifidle(queue, player);
        return true;
    });
    // No entry started: the queue stands at its start, as when it has played to its end.
    if (queue.playlistcount > 0 && queue.playlistpos >= queue.playlistcount) queue.playlistpos = 0;
    folders.setpath(cdir);
    return found_music;
}

}  // namespace tunedeck
