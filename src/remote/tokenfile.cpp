#include "remote/tokenfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace tunedeck {
namespace {

constexpr std::size_t kTokenLength = 64;
// A file larger than this is not ours: it is not read.
constexpr std::uintmax_t kMaxFileSize = 64 * 1024;

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

}  // namespace

bool istoken(const std::string& text) {
    if (text.size() != kTokenLength) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

std::vector<std::string> readtokens(const std::filesystem::path& file) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec || size > kMaxFileSize) return {};
    std::ifstream in(file);
    std::vector<std::string> tokens;
    for (std::string line; std::getline(in, line);)
        if (istoken(line)) tokens.push_back(line);
    return tokens;
}

void writetokens(const std::filesystem::path& file, const std::vector<std::string>& tokens) {
    std::string text;
    for (const std::string& token : tokens) text += token + "\n";
    const std::filesystem::path partial = file.string() + ".new";
    Descriptor fd(::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (fd.get() < 0) fail("cannot create", partial);
    // A file left by an earlier run may have other modes: the tokens are secrets.
    if (::fchmod(fd.get(), 0600) != 0) fail("cannot protect", partial);
    writeall(fd.get(), text, partial);
    if (::fsync(fd.get()) != 0) fail("cannot flush", partial);
    if (!fd.close()) fail("cannot close", partial);
    if (::rename(partial.c_str(), file.c_str()) != 0) fail("cannot replace", file);
}

}  // namespace tunedeck
