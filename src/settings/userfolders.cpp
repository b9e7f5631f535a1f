#include "settings/userfolders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/lib/posix/filedescriptor.h"

namespace tunedeck {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgramName = "tunedeck";
// A legacy file larger than this is none of ours (a phones' key file holds a few kilobytes).
constexpr off_t kMaxLegacySize = 1024 * 1024;

// The whole of a regular file no larger than kMaxLegacySize, never through a symbolic link.
std::optional<std::string> readsmallfile(const fs::path& file) {
    const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > kMaxLegacySize)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return text;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > static_cast<std::size_t>(kMaxLegacySize)) return std::nullopt;
    }
}

bool writeall(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Renames `from` to `to` unless `to` exists (then nothing changes).
bool renamenew(const fs::path& from, const fs::path& to) {
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

// `text` as the new file `target` (mode 0600), written in full before it takes the name.
bool writenewfile(const fs::path& target, const std::string& text) {
    const fs::path partial = target.string() + ".moving";
    FileDescriptor fd(
        ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd) return false;
    const bool written =
        writeall(fd.get(), text) && ::fsync(fd.get()) == 0 && ::close(fd.release()) == 0;
    if (written && renamenew(partial, target)) return true;
    ::unlink(partial.c_str());
    return false;
}

}  // namespace

std::string homefolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

fs::path statefolderfor(const char* xdgstatehome, const std::string& home) {
    if (xdgstatehome && fs::path(xdgstatehome).is_absolute())
        return fs::path(xdgstatehome) / kProgramName;
    return fs::path(home) / ".local" / "state" / kProgramName;
}

fs::path statefolder() {
    return statefolderfor(std::getenv("XDG_STATE_HOME"), homefolder());
}

bool makestatefolder(const fs::path& folder) {
    fs::path made;
    for (const fs::path& part : folder.lexically_normal()) {
        made /= part;
        if (part.empty()) continue;  // the empty last part of a trailing '/'
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    std::error_code ec;
    return fs::is_directory(folder, ec);
}

bool adoptlegacyfile(const fs::path& legacy, const fs::path& target) {
    std::error_code ec;
    if (fs::symlink_status(target, ec).type() != fs::file_type::not_found) return false;
    if (!fs::is_regular_file(fs::symlink_status(legacy, ec))) return false;
    if (renamenew(legacy, target)) return true;
    const std::optional<std::string> text = readsmallfile(legacy);
    if (!text || !writenewfile(target, *text)) return false;
    ::unlink(legacy.c_str());
    return true;
}

}  // namespace tunedeck
