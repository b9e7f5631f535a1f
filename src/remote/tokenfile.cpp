#include "remote/tokenfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/lib/crypto/sha256.h"

namespace tunedeck {
namespace {

constexpr std::size_t kTokenLength = 64;
constexpr std::string_view kHashPrefix = "sha256:";
// A file larger than this is not ours: it is not read.
constexpr off_t kMaxFileSize = 64 * 1024;

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& file) {
    throw std::runtime_error(what + " " + file.string() + ": " + std::strerror(errno));
}

// An open file descriptor, closed when it goes.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() noexcept {
        if (fd_ >= 0) ::close(fd_);  // only after a failure: the result changes nothing then
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes it now; false when the close failed (the data may not have been written).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

void writeall(int fd, const std::string& text, const std::filesystem::path& file) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("cannot write", file);
        done += static_cast<std::size_t>(n);
    }
}

// The whole file, or empty when there is none.
std::string readall(const std::filesystem::path& file) {
    // Not blocking: a named pipe put in its place must not hold up start-up.
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0 && errno == ENOENT) return {};
    if (fd.get() < 0) fail("cannot open", file);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) fail("cannot read", file);
    if (!S_ISREG(info.st_mode) || info.st_size > kMaxFileSize)
        throw std::runtime_error(file.string() + " is not a file of paired phones (over 64 KiB " +
                                 "or not a plain file)");
    std::string text;
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("cannot read", file);
        if (n == 0) return text;
        text.append(buffer.data(), static_cast<std::size_t>(n));
        if (text.size() > static_cast<std::size_t>(kMaxFileSize))
            throw std::runtime_error(file.string() + " grew past 64 KiB while being read");
    }
}

bool ishash(std::string_view line) {
    return line.starts_with(kHashPrefix) && istoken(line.substr(kHashPrefix.size()));
}

}  // namespace

bool istoken(std::string_view text) {
    return text.size() == kTokenLength && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::string tokenhash(std::string_view token) {
    return std::string(kHashPrefix) + sha256hex(token);
}

StoredTokens readtokens(const std::filesystem::path& file) {
    const std::string text = readall(file);
    StoredTokens stored;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line(text.data() + start, end - start);
        if (ishash(line)) {
            stored.hashes.emplace_back(line);
        } else if (istoken(line)) {
            stored.hashes.push_back(tokenhash(line));
            stored.plain = true;
        }
        start = end + 1;
    }
    return stored;
}

void writetokens(const std::filesystem::path& file, const std::vector<std::string>& hashes) {
    std::string text;
    for (const std::string& hash : hashes) text += hash + "\n";
    const std::filesystem::path partial = file.string() + ".new";
    // A file or link left there by an earlier run goes; a link is removed, not followed, and a
    // new one put there meanwhile makes the exclusive open fail rather than write through it.
    if (::unlink(partial.c_str()) != 0 && errno != ENOENT) fail("cannot remove", partial);
    Descriptor fd(
        ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.get() < 0) fail("cannot create", partial);
    // The creation mode is narrowed by the umask, never widened: make sure of 0600.
    if (::fchmod(fd.get(), 0600) != 0) fail("cannot protect", partial);
    writeall(fd.get(), text, partial);
    if (::fsync(fd.get()) != 0) fail("cannot flush", partial);
    if (!fd.close()) fail("cannot close", partial);
    if (::rename(partial.c_str(), file.c_str()) != 0) fail("cannot replace", file);
}

}  // namespace tunedeck
