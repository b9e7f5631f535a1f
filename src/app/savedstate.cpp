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

// The first version held the queue; the second names its queue file.
constexpr std::string_view kHeader = "tunedeck state 1";
constexpr std::string_view kHeaderNamingQueue = "tunedeck state 2";
constexpr std::string_view kQueueHeader = "tunedeck queue 1";
// A state without its queue is a few lines; an earlier version's, with its queue, stays far
// below this for any library it could hold. A queue file is read a line at a time.
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

// FNV-1a over the text: tells a damaged file from one written whole. Text given in pieces
// sums as the whole when each piece starts from the sum of those before.
constexpr uint64_t kChecksumStart = 14695981039346656037ull;
uint64_t checksum(std::string_view text, uint64_t hash = kChecksumStart) {
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

// The last line of a file: the checksum of everything before it.
std::string endline(uint64_t sum) {
    char line[40];
    std::snprintf(line, sizeof line, "end %016llx\n", static_cast<unsigned long long>(sum));
    return line;
}

// The "end" line after `summed` bytes of `text` holds their checksum, and nothing follows it.
std::optional<uint64_t> checkedend(Lines& lines, std::string_view text) {
    const std::size_t summed = lines.offset();
    const auto end = lines.field("end");
    const auto sum = end && end->size() == 16 ? number<uint64_t>(*end, 16) : std::nullopt;
    if (!sum || *sum != checksum(text.substr(0, summed)) || lines.offset() != text.size())
        return std::nullopt;
    return sum;
}

std::variant<SavedState, std::string> damaged(const Lines& lines, const char* what) {
    return "line " + std::to_string(lines.number()) + ": " + what;
}

void fail(const char* what, const std::filesystem::path& file) {
    throw std::runtime_error(std::string(what) + " " + file.string() + ": " + std::strerror(errno));
}

// The lines every state has, after its header and before its queue.
std::optional<std::variant<SavedState, std::string>> parsefields(Lines& lines, SavedState& state) {
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
    return std::nullopt;
}

std::string formatfields(const SavedState& state) {
    std::ostringstream out;
    out << "play " << playname(state.play) << '\n'
        << "entry " << state.entry << '\n'
        << "seconds " << state.seconds << '\n'
        << "takenout " << (state.takenout ? entryline(*state.takenout) : "-") << '\n'
        << "folder " << escape(state.folder) << '\n'
        << "letter " << escape(state.letter) << '\n'
        << "view " << (state.letterfocus ? 1 : 0) << ' ' << state.page << ' ' << state.row << '\n';
    return out.str();
}

// The whole of a regular file of at most `limit` bytes, or why it cannot be had; nothing when
// there is no such file.
std::optional<std::variant<std::string, std::string>> readwhole(const std::filesystem::path& file,
                                                                std::size_t limit) {
    using Read = std::variant<std::string, std::string>;
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd) {
        if (errno == ENOENT) return std::nullopt;
        return Read(std::in_place_index<1>, std::string("cannot be read: ") + std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return Read(std::in_place_index<1>, "is not a regular file");
    if (static_cast<uint64_t>(info.st_size) > limit)
        return Read(std::in_place_index<1>, "is too large");
    std::string text(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t got = ::read(fd.get(), text.data() + done, text.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0)
            return Read(std::in_place_index<1>,
                        std::string("cannot be read: ") + std::strerror(errno));
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    text.resize(done);
    return Read(std::in_place_index<0>, std::move(text));
}

// A file replaced as a whole: written as `file`.new beside it, which commit() flushes and
// renames over `file`, the rename flushed with the folder. Left uncommitted, the partial file
// stays until the next replacement removes it. Its text is written as it comes, in pieces of
// a buffer's size, and summed on the way.
class Replacement {
  public:
    explicit Replacement(std::filesystem::path file)
        : file_(std::move(file)), partial_(file_.string() + ".new") {
        // A stale partial file (or anything planted under its name) goes first; the new one
        // is created, never followed through a link.
        if (::unlink(partial_.c_str()) != 0 && errno != ENOENT) fail("cannot remove", partial_);
        fd_ = FileDescriptor(
            ::open(partial_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (!fd_) fail("cannot create", partial_);
        buffer_.reserve(kBufferBytes);
    }

    void write(std::string_view text) {
        sum_ = checksum(text, sum_);
        buffer_ += text;
        if (buffer_.size() >= kBufferBytes) flush();
    }
    uint64_t sum() const { return sum_; }

    void commit() {
        flush();
        if (::fsync(fd_.get()) != 0) fail("cannot flush", partial_);
        if (::close(fd_.release()) != 0) fail("cannot write", partial_);
        if (::rename(partial_.c_str(), file_.c_str()) != 0) fail("cannot replace", file_);
        FileDescriptor folder(
            ::open(file_.parent_path().empty() ? "." : file_.parent_path().c_str(),
                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder) ::fsync(folder.get());
    }

  private:
    static constexpr std::size_t kBufferBytes = 64 * 1024;

    void flush() {
        std::size_t done = 0;
        while (done < buffer_.size()) {
            const ssize_t put = ::write(fd_.get(), buffer_.data() + done, buffer_.size() - done);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) fail("cannot write", partial_);
            done += static_cast<std::size_t>(put);
        }
        buffer_.clear();
    }

    std::filesystem::path file_;
    std::filesystem::path partial_;
    FileDescriptor fd_;
    std::string buffer_;
    uint64_t sum_ = kChecksumStart;
};

// Writes `text` and its end line as the whole of `file`.
void replacefile(const std::filesystem::path& file, std::string_view text) {
    Replacement out(file);
    out.write(text);
    out.write(endline(out.sum()));
    out.commit();
}

// An entry line's name and path: views into the line where they hold no escape, else into
// the buffers, which hold them unescaped. False for a line that is no entry.
bool entryfields(std::string_view line, std::string& namebuffer, std::string& pathbuffer,
                 std::string_view& name, std::string_view& path) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0) return false;
    const auto field = [](std::string_view text, std::string& buffer, std::string_view& out) {
        if (text.find('%') == std::string_view::npos) {
            out = text;
            return true;
        }
        auto plain = unescape(text);
        if (!plain) return false;
        buffer = std::move(*plain);
        out = buffer;
        return true;
    };
    return field(line.substr(0, tab), pathbuffer, path) &&
           field(line.substr(tab + 1), namebuffer, name) && !path.empty();
}

// Reads a file a line at a time, in pieces of a buffer's size, summing what it has read.
class LineReader {
  public:
    explicit LineReader(int fd) : fd_(fd) {}

    // The next whole line without its end; nothing at the end of the file, after a cut last
    // line, on a line longer than any entry can be, or when the file cannot be read.
    std::optional<std::string_view> next() {
        summed_ = checksum(std::string_view(buffer_).substr(start_, at_ - start_), summed_);
        start_ = at_;
        for (;;) {
            const std::size_t end = buffer_.find('\n', std::max(start_, scanned_));
            if (end != std::string::npos) {
                at_ = end + 1;
                scanned_ = at_;
                return std::string_view(buffer_).substr(start_, end - start_);
            }
            scanned_ = buffer_.size();
            if (scanned_ - start_ > kLongestLine) return std::nullopt;
            // What was given out goes before more is read.
            buffer_.erase(0, start_);
            scanned_ -= start_;
            at_ -= start_;
            start_ = 0;
            if (!fill()) return std::nullopt;
        }
    }
    // The sum of every line before the one next() gave last.
    uint64_t summed() const { return summed_; }
    // Whether nothing follows the line next() gave last.
    bool atend() { return at_ == buffer_.size() && !fill(); }

  private:
    static constexpr std::size_t kPiece = 64 * 1024;
    static constexpr std::size_t kLongestLine = 64 * 1024;

    bool fill() {
        const std::size_t had = buffer_.size();
        buffer_.resize(had + kPiece);
        ssize_t got = 0;
        do {
            got = ::read(fd_, buffer_.data() + had, kPiece);
        } while (got < 0 && errno == EINTR);
        buffer_.resize(had + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        return got > 0;
    }

    int fd_;
    std::string buffer_;
    std::size_t start_ = 0;    // where the line given last starts in buffer_
    std::size_t at_ = 0;       // where the line given last ends, its line end included
    std::size_t scanned_ = 0;  // buffer_ up to here is known to hold no further line end
    uint64_t summed_ = kChecksumStart;
};

}  // namespace

std::optional<std::string> readqueue(const std::filesystem::path& file, const QueueFile& named,
                                     const QueueVisitor& each) {
    const std::filesystem::path queuefile = queuefilepath(file, named.slot);
    FileDescriptor fd(::open(queuefile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd) {
        if (errno == ENOENT) return std::string("names a queue file that is missing");
        return std::string("has a queue file that cannot be read: ") + std::strerror(errno);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::string("has a queue file that is not a regular file");
    LineReader lines(fd.get());
    if (lines.next() != kQueueHeader) return std::string("has a queue file that is not one");
    std::string namebuffer, pathbuffer;
    std::string_view name, path;
    for (int i = 0; i < named.count; ++i) {
        const auto line = lines.next();
        if (!line || !entryfields(*line, namebuffer, pathbuffer, name, path))
            return "has a queue file damaged at entry " + std::to_string(i + 1);
        if (!each(name, path)) return std::nullopt;
    }
    const auto end = lines.next();
    const auto sum = end && end->size() == 20 && end->starts_with("end ")
                         ? number<uint64_t>(end->substr(4), 16)
                         : std::nullopt;
    if (!sum || *sum != lines.summed() || *sum != named.sum || !lines.atend())
        return std::string("has a queue file that is not the one it names");
    return std::nullopt;
}

std::string formatstate(const SavedState& state) {
    std::string text = std::string(kHeader) + '\n' + formatfields(state) + "queue " +
                       std::to_string(state.queue.size()) + '\n';
    for (const QueueEntry& e : state.queue) text += entryline(e) + '\n';
    return text + endline(checksum(text));
}

std::variant<SavedState, std::string> parsestate(const std::string& text) {
    Lines lines(text);
    SavedState state;
    const auto header = lines.next();
    const bool namesqueue = header == kHeaderNamingQueue;
    if (header != kHeader && !namesqueue)
        return damaged(lines, "not a saved state of this program");
    if (auto wrong = parsefields(lines, state)) return std::move(*wrong);
    if (namesqueue) {
        const auto around = lines.field("around");
        int first = -1, rows = -1;
        if (!around || std::sscanf(std::string(*around).c_str(), "%d %d", &first, &rows) != 2 ||
            first < 0 || rows < 0 || rows > 3)
            return damaged(lines, "no rows around the entry");
        state.aroundfirst = first;
        for (int i = 0; i < rows; ++i) {
            const auto line = lines.next();
            auto e = line ? tunedeck::entry(*line) : std::nullopt;
            if (!e) return damaged(lines, "a damaged row around the entry");
            state.around.push_back(std::move(*e));
        }
        const auto named = lines.field("queuefile");
        unsigned long long sum = 0;
        int slot = -1, count = -1;
        if (!named ||
            std::sscanf(std::string(*named).c_str(), "%d %d %llx", &slot, &count, &sum) != 3 ||
            (slot != 0 && slot != 1) || count < 0)
            return damaged(lines, "no queue file");
        if (!checkedend(lines, text)) return damaged(lines, "the checksum does not match");
        state.queuefile = QueueFile{slot, count, sum};
        return state;
    }
    const auto queue = lines.field("queue");
    const auto count = queue ? number<int>(*queue) : std::nullopt;
    if (!count || *count < 0) return damaged(lines, "no queue");
    for (int i = 0; i < *count; ++i) {
        const auto line = lines.next();
        auto e = line ? tunedeck::entry(*line) : std::nullopt;
        if (!e) return damaged(lines, "a damaged queue entry");
        state.queue.push_back(std::move(*e));
    }
    if (!checkedend(lines, text)) return damaged(lines, "the checksum does not match");
    return state;
}

std::optional<std::variant<SavedState, std::string>> readstatefile(
    const std::filesystem::path& file) {
    auto read = readwhole(file, kMaxFileBytes);
    if (!read) return std::nullopt;
    if (auto* why = std::get_if<1>(&*read)) return std::move(*why);
    return parsestate(std::get<0>(*read));
}

std::optional<std::variant<SavedState, std::string>> readstate(const std::filesystem::path& file) {
    auto read = readstatefile(file);
    if (!read) return std::nullopt;
    auto& parsed = *read;
    SavedState* state = std::get_if<SavedState>(&parsed);
    if (state == nullptr || !state->queuefile) return parsed;
    const auto wrong =
        readqueue(file, *state->queuefile, [&](std::string_view name, std::string_view path) {
            state->queue.push_back({std::string(name), std::string(path)});
            return true;
        });
    if (wrong) return *wrong;
    return parsed;
}

std::filesystem::path queuefilepath(const std::filesystem::path& file, int slot) {
    std::filesystem::path queue = file;
    return queue.replace_extension(slot == 0 ? ".queue.0" : ".queue.1");
}

// The queue file: its header, an entry a line, the end line with the checksum of what is
// before it. Written as it is made: a library's queue is megabytes of text.
QueueFile writequeue(const std::filesystem::path& file, int slot, const PlayQueue& queue) {
    Replacement out(queuefilepath(file, slot));
    out.write(kQueueHeader);
    out.write("\n");
    std::string line;
    for (int row = 0; row < queue.playlistcount; ++row) {
        const QueueEntry& e = queue.playlist[static_cast<std::size_t>(row)];
        line = escape(e.path);
        line += '\t';
        line += escape(e.name);
        line += '\n';
        out.write(line);
    }
    const uint64_t sum = out.sum();
    out.write(endline(sum));
    out.commit();
    return {slot, queue.playlistcount, sum};
}

void writestate(const std::filesystem::path& file, const SavedState& state,
                const QueueFile& queue) {
    char named[64];
    std::snprintf(named, sizeof named, "queuefile %d %d %016llx\n", queue.slot, queue.count,
                  static_cast<unsigned long long>(queue.sum));
    std::string text = std::string(kHeaderNamingQueue) + '\n' + formatfields(state) + "around " +
                       std::to_string(state.aroundfirst) + ' ' +
                       std::to_string(state.around.size()) + '\n';
    for (const QueueEntry& e : state.around) text += entryline(e) + '\n';
    replacefile(file, text + named);
}

}  // namespace tunedeck
