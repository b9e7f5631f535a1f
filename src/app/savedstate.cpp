#include "app/savedstate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <sstream>
#include <stdexcept>

#include "platform/lib/posix/filedescriptor.h"

namespace tunedeck {

namespace {

constexpr std::string_view kHeader = "tunedeck state 1";
// Far above any real state (2,001 entries of two paths each), far below trouble.
constexpr std::size_t kMaxFileBytes = 32u << 20;

// Bytes that would end a line or a field, and the escape itself, as %XX: every other byte,
// invalid UTF-8 included, stands as it is, so any file name survives.
std::string escape(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%') {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

int hexdigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexdigit(text[i + 1]);
        const int low = hexdigit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// FNV-1a over the text: tells a damaged file from one written whole.
uint64_t checksum(std::string_view text) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

const char* playname(PlayState state) {
    switch (state) {
        case PlayState::Playing:
            return "playing";
        case PlayState::Paused:
            return "paused";
        case PlayState::Stopped:
            break;
    }
    return "stopped";
}

std::optional<PlayState> playstate(std::string_view name) {
    if (name == "playing") return PlayState::Playing;
    if (name == "paused") return PlayState::Paused;
    if (name == "stopped") return PlayState::Stopped;
    return std::nullopt;
}

template <typename Number>
std::optional<Number> number(std::string_view text, int base = 10) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Reads the lines of a state text in order; each call takes the next line, which must start
// with `key` and a blank, and gives the rest.
class Lines {
  public:
    explicit Lines(std::string_view text) : text_(text) {}

    std::optional<std::string_view> next() {
        if (at_ >= text_.size()) return std::nullopt;
        const std::size_t end = text_.find('\n', at_);
        if (end == std::string_view::npos) return std::nullopt;  // a cut last line
        const std::string_view line = text_.substr(at_, end - at_);
        at_ = end + 1;
        ++number_;
        return line;
    }
    std::optional<std::string_view> field(std::string_view key) {
        const auto line = next();
        if (!line || !line->starts_with(key) || line->size() <= key.size() ||
            (*line)[key.size()] != ' ')
            return std::nullopt;
        return line->substr(key.size() + 1);
    }
    std::size_t offset() const { return at_; }
    int number() const { return number_; }

  private:
    std::string_view text_;
    std::size_t at_ = 0;
    int number_ = 0;
};

// An entry line: escaped path, a tab, escaped name. Only a taken-out entry may have no path:
// one taken out and stopped in an earlier run, whose file is not known any more.
std::optional<QueueEntry> entry(std::string_view line, bool pathless = false) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return std::nullopt;
    auto path = unescape(line.substr(0, tab));
    auto name = unescape(line.substr(tab + 1));
    if (!path || !name || (path->empty() && !pathless)) return std::nullopt;
    return QueueEntry{std::move(*name), std::move(*path)};
}

std::string entryline(const QueueEntry& entry) {
    return escape(entry.path) + '\t' + escape(entry.name);
}

std::variant<SavedState, std::string> damaged(const Lines& lines, const char* what) {
    return "line " + std::to_string(lines.number()) + ": " + what;
}

void fail(const char* what, const std::filesystem::path& file) {
    throw std::runtime_error(std::string(what) + " " + file.string() + ": " + std::strerror(errno));
}

}  // namespace

std::string formatstate(const SavedState& state) {
    std::ostringstream out;
    out << kHeader << '\n'
        << "play " << playname(state.play) << '\n'
        << "entry " << state.entry << '\n'
        << "seconds " << state.seconds << '\n'
        << "takenout " << (state.takenout ? entryline(*state.takenout) : "-") << '\n'
        << "folder " << escape(state.folder) << '\n'
        << "letter " << escape(state.letter) << '\n'
        << "view " << (state.letterfocus ? 1 : 0) << ' ' << state.page << ' ' << state.row << '\n'
        << "queue " << state.queue.size() << '\n';
    for (const QueueEntry& e : state.queue) out << entryline(e) << '\n';
    std::string text = out.str();
    char sum[40];
    std::snprintf(sum, sizeof sum, "end %016llx\n",
                  static_cast<unsigned long long>(checksum(text)));
    return text + sum;
}

std::variant<SavedState, std::string> parsestate(const std::string& text) {
    Lines lines(text);
    SavedState state;
    if (lines.next() != kHeader) return damaged(lines, "not a saved state of this program");
    const auto play = lines.field("play");
    const auto played = play ? playstate(*play) : std::nullopt;
    if (!played) return damaged(lines, "no play state");
    state.play = *played;
    const auto entry = lines.field("entry");
    const auto entryno = entry ? number<int>(*entry) : std::nullopt;
    if (!entryno || *entryno < -1) return damaged(lines, "no entry");
    state.entry = *entryno;
    const auto seconds = lines.field("seconds");
    const auto secondsno = seconds ? number<int64_t>(*seconds) : std::nullopt;
    if (!secondsno || *secondsno < 0) return damaged(lines, "no position");
    state.seconds = *secondsno;
    const auto takenout = lines.field("takenout");
    if (!takenout) return damaged(lines, "no taken-out entry");
    if (*takenout != "-") {
        state.takenout = tunedeck::entry(*takenout, true);
        if (!state.takenout) return damaged(lines, "a damaged taken-out entry");
    }
    const auto folder = lines.field("folder");
    const auto foldertext = folder ? unescape(*folder) : std::nullopt;
    if (!foldertext) return damaged(lines, "no folder");
    state.folder = *foldertext;
    // An empty letter leaves only "letter" and its blank on the line.
    const auto letter = lines.next();
    const auto lettertext =
        letter && letter->starts_with("letter ") ? unescape(letter->substr(7)) : std::nullopt;
    if (!lettertext) return damaged(lines, "no letter");
    state.letter = *lettertext;
    const auto view = lines.field("view");
    int focus = 0;
    if (!view ||
        std::sscanf(std::string(*view).c_str(), "%d %d %d", &focus, &state.page, &state.row) != 3)
        return damaged(lines, "no view");
    state.letterfocus = focus == 1;
    const auto queue = lines.field("queue");
    const auto count = queue ? number<int>(*queue) : std::nullopt;
    if (!count || *count < 0) return damaged(lines, "no queue");
    for (int i = 0; i < *count; ++i) {
        const auto line = lines.next();
        auto e = line ? tunedeck::entry(*line) : std::nullopt;
        if (!e) return damaged(lines, "a damaged queue entry");
        state.queue.push_back(std::move(*e));
    }
    const std::size_t summed = lines.offset();
    const auto end = lines.field("end");
    const auto sum = end && end->size() == 16 ? number<uint64_t>(*end, 16) : std::nullopt;
    if (!sum || *sum != checksum(std::string_view(text).substr(0, summed)))
        return damaged(lines, "the checksum does not match");
    if (lines.offset() != text.size()) return damaged(lines, "more after the end");
    return state;
}

std::optional<std::variant<SavedState, std::string>> readstate(const std::filesystem::path& file) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd) {
        if (errno == ENOENT) return std::nullopt;
        return std::string("cannot be read: ") + std::strerror(errno);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::string("is not a regular file");
    if (static_cast<uint64_t>(info.st_size) > kMaxFileBytes) return std::string("is too large");
    std::string text(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t got = ::read(fd.get(), text.data() + done, text.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::string("cannot be read: ") + std::strerror(errno);
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    text.resize(done);
    return parsestate(text);
}

void writestate(const std::filesystem::path& file, const SavedState& state) {
    const std::string text = formatstate(state);
    const std::filesystem::path partial = file.string() + ".new";
    // A stale partial file (or anything planted under its name) goes first; the new one is
    // created, never followed through a link.
    if (::unlink(partial.c_str()) != 0 && errno != ENOENT) fail("cannot remove", partial);
    FileDescriptor fd(
        ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd) fail("cannot create", partial);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd.get(), text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) fail("cannot write", partial);
        done += static_cast<std::size_t>(put);
    }
    if (::fsync(fd.get()) != 0) fail("cannot flush", partial);
    if (::close(fd.release()) != 0) fail("cannot write", partial);
    if (::rename(partial.c_str(), file.c_str()) != 0) fail("cannot replace", file);
    // The rename itself reaches the disk with the folder.
    FileDescriptor folder(::open(file.parent_path().empty() ? "." : file.parent_path().c_str(),
                                 O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) ::fsync(folder.get());
}

}  // namespace tunedeck
