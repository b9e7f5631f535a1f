#include "platform/folders/dirstream.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <utility>

namespace tunedeck {

DirStream::DirStream(const std::string& folder) : dir_(::opendir(folder.c_str())) {}

DirStream::~DirStream() noexcept {
    if (dir_ != nullptr) ::closedir(dir_);  // nothing useful to do when closing fails
}

DirStream::DirStream(DirStream&& other) noexcept : dir_(std::exchange(other.dir_, nullptr)) {}

DirStream& DirStream::operator=(DirStream&& other) noexcept {
    if (this != &other) {
        if (dir_ != nullptr) ::closedir(dir_);
        dir_ = std::exchange(other.dir_, nullptr);
    }
    return *this;
}

bool DirStream::next(std::string& name, EntryType& type) {
    if (dir_ == nullptr) return false;
    while (const dirent* entry = ::readdir(dir_)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        name.assign(entry->d_name);
        type = entrytype(*entry);
        return true;
    }
    return false;
}

// Symbolic links are followed; a link that leads nowhere is neither folder nor file.
EntryType DirStream::entrytype(const dirent& entry) const {
    if (entry.d_type == DT_DIR) return EntryType::Folder;
    if (entry.d_type == DT_REG) return EntryType::File;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return EntryType::Other;
    struct stat info {};
    if (::fstatat(::dirfd(dir_), entry.d_name, &info, 0) != 0) return EntryType::Other;
    if (S_ISDIR(info.st_mode)) return EntryType::Folder;
    return S_ISREG(info.st_mode) ? EntryType::File : EntryType::Other;
}

}  // namespace tunedeck
