#include "platform/audio/pipeoutput.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <chrono>
#include <system_error>

#include "platform/audio/format.h"

namespace tunedeck {

namespace {

using Clock = std::chrono::steady_clock;

static_assert(kPeriodBytes <= PIPE_BUF, "a period must reach the pipe whole or not at all");

// A writer later than this (a suspended machine, a long stall) starts a new schedule rather
// than making up for the lost time in a burst.
constexpr auto kMaxLateness = std::chrono::milliseconds(200);

// Time from the start of a schedule to the start of period `n`, exact to the nanosecond: no
// rounding accumulates however long the schedule runs.
Clock::duration period_start(int64_t n) {
    constexpr int64_t kNanos = 1'000'000'000;
    const int64_t frames = n * kPeriodFrames;
    return std::chrono::nanoseconds(frames / kOutputRate * kNanos +
                                    frames % kOutputRate * kNanos / kOutputRate);
}

std::string setting_problem(const std::filesystem::path& path, const std::string& what) {
    return "[audio] output in settings.ini: " + path.string() + " " + what;
}

// What nobody has taken of this much sound is dropped, oldest first: a server reading the pipe
// every 20 ms never gets near it, and a reader that comes late starts this close to now.
constexpr std::size_t kMaxBacklog = kBytesPerSecond * 3 / 20;  // 150 ms
// How often the writer checks that the path still names the pipe it writes (a server restarted
// may have made a new one).
constexpr int64_t kCheckPeriods = kOutputRate / kPeriodFrames;  // about a second

bool is_pipe(const struct stat& info) {
    return S_ISFIFO(info.st_mode);
}

FileDescriptor open_pipe(const std::filesystem::path& path) {
    return FileDescriptor(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
}

// The pipe at `path`, opened; empty when nothing or something else stands there (checked
// again once open, in case it was replaced in between).
FileDescriptor open_named_pipe(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !is_pipe(info)) return {};
    FileDescriptor pipe = open_pipe(path);
    if (pipe && (::fstat(pipe.get(), &info) != 0 || !is_pipe(info))) return {};
    return pipe;
}

// The pipe open on `fd` is the one at `path`.
bool names(const std::filesystem::path& path, int fd) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// The pipe carries little-endian samples; the source gives them in the machine's order.
void to_little_endian(std::vector<uint8_t>& period) {
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i + 1 < period.size(); i += 2) std::swap(period[i], period[i + 1]);
    }
}

}  // namespace

PipeOutput::PipeOutput(const std::filesystem::path& path, SampleSource& source)
    : path_(path), source_(source) {
    struct stat info {};
    if (::stat(path_.c_str(), &info) != 0) {
        throw OutputSettingError(
            setting_problem(path_, "cannot be opened: " + std::generic_category().message(errno)));
    }
    if (!is_pipe(info)) throw OutputSettingError(setting_problem(path_, "is not a named pipe"));
    pipe_ = open_pipe(path_);
    if (!pipe_) {
        throw OutputSettingError(setting_problem(
            path_,
            "cannot be opened for reading and writing: " + std::generic_category().message(errno)));
    }
    thread_ = std::thread([this] { run(); });
}

PipeOutput::~PipeOutput() {
    {
        std::lock_guard lock(control_mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void PipeOutput::set_running(bool running) {
    {
        std::lock_guard lock(control_mutex_);
        running_ = running;
    }
    wake_.notify_all();
}

PipeOutput::Clock::time_point PipeOutput::Schedule::due() const {
    return start + period_start(next);
}

void PipeOutput::Schedule::restart() {
    start = Clock::now();
    next = 0;
}

void PipeOutput::run() noexcept {
    std::vector<uint8_t> period(kPeriodBytes);
    Schedule schedule;
    schedule.restart();
    while (wait_for_period(schedule)) {
        bool sounding = false;
        {
            std::lock_guard lock(source_mutex_);
            sounding = source_.fill(period.data(), period.size());
        }
        if (sounding) write_period(period);
        ++schedule.next;
        if (Clock::now() - schedule.due() > kMaxLateness) schedule.restart();
    }
}

// Sleeps until the schedule's next period is due; while paused, until running again, on a new
// schedule. False when the output is closing.
bool PipeOutput::wait_for_period(Schedule& schedule) {
    std::unique_lock lock(control_mutex_);
    for (;;) {
        if (stopping_) return false;
        if (!running_) {
            wake_.wait(lock, [this] { return running_ || stopping_; });
            schedule.restart();
            continue;
        }
        if (!wake_.wait_until(lock, schedule.due(), [this] { return stopping_ || !running_; })) {
            return true;
        }
    }
}

// A period the pipe has no room for is dropped whole (it is never written in part).
void PipeOutput::write_period(std::vector<uint8_t>& period) {
    follow_path();
    if (!pipe_) return;
    to_little_endian(period);
    drop_backlog(period.size());
    // A full pipe (EAGAIN) drops the period; nothing else can fail on a pipe we read too.
    static_cast<void>(::write(pipe_.get(), period.data(), period.size()));
}

// Reads out and drops what waits in the pipe beyond kMaxBacklog with `incoming` added.
void PipeOutput::drop_backlog(std::size_t incoming) {
    int queued = 0;
    if (::ioctl(pipe_.get(), FIONREAD, &queued) != 0 || queued < 0) return;
    const std::size_t total = static_cast<std::size_t>(queued) + incoming;
    if (total <= kMaxBacklog) return;
    std::size_t excess = total - kMaxBacklog;
    excess += (kBytesPerFrame - excess % kBytesPerFrame) % kBytesPerFrame;  // whole frames
    std::array<uint8_t, kPeriodBytes> scratch;
    while (excess > 0) {
        const ssize_t n = ::read(pipe_.get(), scratch.data(), std::min(excess, scratch.size()));
        if (n <= 0) return;  // a reader took the rest meanwhile
        excess -= static_cast<std::size_t>(n);
    }
}

// Now and then, opens the pipe the path names anew if it is no longer the one held: a server
// restarted with mode=create makes a new pipe. What stands there and is not a pipe is never
// written, or a plain file would grow without end.
void PipeOutput::follow_path() {
    if (until_check_-- > 0) return;
    until_check_ = kCheckPeriods;
    if (pipe_ && names(path_, pipe_.get())) return;
    pipe_ = open_named_pipe(path_);
}

}  // namespace tunedeck
