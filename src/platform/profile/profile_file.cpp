#include "platform/profile/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <utility>

#include "platform/lib/posix/filedescriptor.h"

namespace tunedeck::profile {

namespace {

namespace fs = std::filesystem;

// A temporary file that is removed unless it was renamed into place.
class TempFile {
  public:
    explicit TempFile(std::string pattern) : name_(std::move(pattern)) {
        fd_ = FileDescriptor(::mkostemp(name_.data(), O_CLOEXEC));
    }
    ~TempFile() noexcept {
        if (!committed_) ::unlink(name_.c_str());  // leftover: best effort
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    TempFile(TempFile&&) = delete;
    TempFile& operator=(TempFile&&) = delete;

    FileDescriptor& fd() { return fd_; }
    bool commit(const std::string& target) {
        committed_ = ::close(fd_.release()) == 0 && ::rename(name_.c_str(), target.c_str()) == 0;
        return committed_;
    }

  private:
    std::string name_;
    FileDescriptor fd_;
    bool committed_ = false;
};

bool writeall(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The permissions a newly created file gets: 0666 less the process's umask, read without
// changing it (umask() would set it, racing with other threads).
mode_t newfilemode() {
    std::ifstream status("/proc/self/status");
    std::string field;
    while (status >> field) {
        if (field == "Umask:") {
            std::string octal;
            status >> octal;
            return 0666 & ~static_cast<mode_t>(std::stoul(octal, nullptr, 8));
        }
    }
    return 0644;
}

std::string resolvetarget(const std::string& path) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) return resolved.string();
    }
    return path;
}

}  // namespace

std::optional<std::string> readprofilefile(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    if (static_cast<std::size_t>(st.st_size) > kMaxProfileBytes) return std::nullopt;
    std::string content;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        if (content.size() + static_cast<std::size_t>(n) > kMaxProfileBytes) return std::nullopt;
        content.append(chunk, static_cast<std::size_t>(n));
    }
    return content;
}

bool profilefileabsent(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
}

bool replacefile(const std::string& path, std::string_view content) {
    const std::string target = resolvetarget(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return false;
    const fs::path targetpath(target);
    const fs::path folder = targetpath.has_parent_path() ? targetpath.parent_path() : ".";
    TempFile temp((folder / ("." + targetpath.filename().string() + ".XXXXXX")).string());
    if (!temp.fd()) return false;
    const mode_t mode = exists ? (st.st_mode & 07777) : newfilemode();
    if (::fchmod(temp.fd().get(), mode) != 0) return false;
    if (!writeall(temp.fd().get(), content) || ::fsync(temp.fd().get()) != 0) return false;
    return temp.commit(target);
}

}  // namespace tunedeck::profile
