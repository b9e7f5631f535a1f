#include "browse/scan.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "platform/folders/text.h"

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

// One folder on the walk path: its subfolders still to walk and the MP3 files it queues once
// they are done. Copied from the lists when the folder is entered, so it is listed once.
struct Frame {
    std::string path;
    FolderId id;
    std::vector<std::string> subfolders;
    std::size_t next = 0;
    std::vector<std::string> mp3files;
};

bool ismp3(std::string_view name) {
    return endswithcaseless(name, "mp3");
}

Frame enterfolder(FolderLists& folders, const std::string& path, const FolderId& id) {
    folders.setpath(path);
    Frame frame{folders.Dirs().path(), id, {}, 0, {}};
    const DirListBox& dirs = folders.Dirs();
    for (int i = 0; i < dirs.listcount(); ++i) frame.subfolders.push_back(dirs.list(i));
    const FileListBox& files = folders.Files();
    // More files than the queue can hold are never needed.
    for (int i = 0; i < files.listcount() && frame.mp3files.size() < kQueueRows; ++i)
        if (ismp3(files.list(i))) frame.mp3files.push_back(files.list(i));
    return frame;
}

bool onwalkpath(const std::vector<Frame>& stack, const FolderId& id) {
    return std::any_of(stack.begin(), stack.end(), [&id](const Frame& f) { return f.id == id; });
}

void queuefiles(PlayQueue& queue, const Frame& frame, const NameOptions& names) {
    for (const std::string& file : frame.mp3files)
        if (!queue.append(displayname(file, names), frame.path + "/" + file)) return;
}

// Starts the entry at playlistpos when nothing plays; only rows inside the queue are tried.
void startifidle(PlayQueue& queue, const ScanPlayer& player) {
    if (queue.playlistcount <= 0 || player.active()) return;
    if (queue.playlistpos < 0 || queue.playlistpos >= queue.playlistcount) return;
    const std::string& path = queue.playlist[static_cast<std::size_t>(queue.playlistpos)][1];
    if (player.playfile(path)) ++queue.playlistpos;
}

}  // namespace

void scanfolders(FolderLists& folders, PlayQueue& queue, const std::string& cdir,
                 const NameOptions& names, const ScanPlayer& player) {
    std::vector<Frame> stack;
    FolderId rootid;
    if (folderid(normalfolderpath(cdir), rootid))
        stack.push_back(enterfolder(folders, cdir, rootid));
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next < top.subfolders.size() && !queue.full()) {
            const std::string& sub = top.subfolders[top.next++];
            FolderId id;
            if (folderid(sub, id) && !onwalkpath(stack, id))
                stack.push_back(enterfolder(folders, sub, id));
            continue;
        }
        queuefiles(queue, top, names);
        startifidle(queue, player);
        stack.pop_back();
    }
    folders.setpath(cdir);
}

}  // namespace tunedeck
