// Shared by the whole-program benchmarks: child processes with their own environment, a private
// X server, the jukebox installed in a folder of its own, and the output of SDL's disk audio
// driver read through a FIFO so that the arrival of the first sound can be timed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "engine_bench.h"
#include "platform/audio/format.h"
#include "tools/fixtures/fixtures.h"

extern char** environ;

namespace tunedeck::bench {

namespace fs = std::filesystem;
using Env = std::map<std::string, std::string>;

// The caller's environment with `extra` laid over it.
inline std::vector<std::string> mergedenv(const Env& extra) {
    Env all;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const auto eq = entry.find('=');
        if (eq != std::string::npos) all[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [key, value] : extra) all[key] = value;
    std::vector<std::string> out;
    for (const auto& [key, value] : all) out.push_back(key + "=" + value);
    return out;
}

inline std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// One thread's CPU seconds (the scheduler's own account, to the nanosecond) and wake-ups
// (voluntary context switches) so far.
struct TaskCpu {
    std::string tid, name;
    double seconds = 0;
    long long wakeups = 0;
};

// A child process; standard output goes to `out` (or /dev/null), standard error to /dev/null.
// Killed and reaped when destroyed.
class Process {
  public:
    // Descriptors the caller opened without close-on-exec are inherited.
    Process(std::vector<std::string> argv, const Env& env, const std::string& out = "/dev/null") {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        auto envstrings = mergedenv(env);
        auto envp = pointers(envstrings);
        auto args = pointers(argv);
        const int rc = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    }
    ~Process() noexcept { stop(); }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }

    bool running() {
        if (pid_ <= 0) return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        return true;
    }

    // Asks the process to end, then kills it when it has not ended within a second.
    void stop() noexcept {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        const auto end = Clock::now() + std::chrono::seconds(1);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > end) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
    }

    // User plus system CPU seconds used so far (from /proc); -1 once the process has gone.
    double cpuseconds() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto close = text.rfind(')');
        if (close == std::string::npos) return -1;
        std::istringstream fields(text.substr(close + 2));
        std::string skip;
        for (int i = 0; i < 11; ++i) fields >> skip;  // state .. cmajflt
        long long utime = 0, stime = 0;
        fields >> utime >> stime;
        return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

    // Every live thread's CPU and wake-ups (threads that have ended are not listed).
    std::vector<TaskCpu> taskcpu() const {
        std::vector<TaskCpu> out;
        std::error_code error;
        for (const auto& task :
             fs::directory_iterator("/proc/" + std::to_string(pid_) + "/task", error)) {
            TaskCpu t;
            t.tid = task.path().filename().string();
            std::ifstream(task.path() / "comm") >> t.name;
            double ns = 0;
            if (std::ifstream(task.path() / "schedstat") >> ns) t.seconds = ns / 1e9;
            std::ifstream status(task.path() / "status");
            for (std::string line; std::getline(status, line);)
                if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                    t.wakeups = std::stoll(line.substr(24));
            out.push_back(t);
        }
        return out;
    }

    // Peak resident memory in MB (VmHWM); -1 when it cannot be read.
    double peakmb() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
        }
        return -1;
    }

    // Resident MB of the mappings whose name holds `part` (e.g. a library's name, "[heap]").
    double residentmb(const std::string& part) const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/smaps");
        bool counting = false;
        double kb = 0;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0])) &&
                line.find('-') < line.find(' ')) {
                counting = line.find(part) != std::string::npos;
            } else if (counting && line.rfind("Rss:", 0) == 0) {
                kb += std::stod(line.substr(4));
            }
        }
        return kb / 1024.0;
    }

  private:
    pid_t pid_ = -1;
};

// A private X server of the given size on a free display.
class Xvfb {
  public:
    Xvfb(int width, int height) {
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("pipe");
        const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "x24";
        server_.emplace(std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]),
                                                 "-screen", "0", geometry, "-nolisten", "tcp"},
                        Env{});
        close(fds[1]);
        std::string number;
        char c = 0;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (number.empty()) throw std::runtime_error("Xvfb did not start");
        display_ = ":" + number;
    }
    const std::string& display() const { return display_; }
    Process& process() { return *server_; }

  private:
    std::optional<Process> server_;
    std::string display_;
};

// The jukebox binary of this build, found beside the benchmark's folder.
inline fs::path builtjukebox() {
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    const fs::path binary = exe.parent_path().parent_path() / "tunedeck";
    if (!fs::exists(binary)) throw std::runtime_error("no built jukebox at " + binary.string());
    return binary;
}

// The application drawing offscreen at a size of its arguments (bench/host), beside the
// benchmarks.
inline fs::path builtoffscreenjukebox() {
    const fs::path binary = fs::read_symlink("/proc/self/exe").parent_path() / "tunedeck-offscreen";
    if (!fs::exists(binary)) throw std::runtime_error("no built host at " + binary.string());
    return binary;
}

// Copies the jukebox (or `built`) into `folder` with a settings.ini playing the tree at `root`
// without a CD drive, with the screen saver far away and the remote off; returns the installed
// binary.
inline fs::path installjukebox(const fs::path& folder, const fs::path& root,
                               const fs::path& built = builtjukebox()) {
    fs::create_directories(folder);
    const fs::path binary = folder / built.filename();
    fs::copy_file(built, binary, fs::copy_options::overwrite_existing);
    std::ofstream(folder / "settings.ini")
        << "[system]\npath=" << root.string() << "\nsavertime=3000\n\n[cd]\ndevice=none\n"
        << "\n[remote]\nenabled=0\nmpris=0\n";
    return binary;
}

// The environment for a program whose audio goes to SDL's disk driver writing `file`.
inline Env diskaudio(const fs::path& file, const std::string& display = {}) {
    Env env{{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", file.string()}};
    if (!display.empty()) {
        env["DISPLAY"] = display;
        env["SDL_VIDEODRIVER"] = "x11";
    }
    return env;
}

// A FIFO that SDL's disk driver writes into; reading it tells when the first sound arrives.
class SoundFifo {
  public:
    explicit SoundFifo(fs::path path) : path_(std::move(path)) {
        if (mkfifo(path_.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
        // Opened before the writer: its open then never blocks.
        fd_ = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) throw std::runtime_error("cannot open the FIFO");
    }
    ~SoundFifo() noexcept {
        closereader();
        unlink(path_.c_str());  // a leftover FIFO is harmless; its folder goes anyway
    }
    // Closing the reading end makes a writer's next write fail, so a writer blocked on a full
    // FIFO can end when asked to.
    void closereader() noexcept {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    SoundFifo(const SoundFifo&) = delete;
    SoundFifo& operator=(const SoundFifo&) = delete;
    const fs::path& path() const { return path_; }

    // Time at which the first sample above 1 % of full scale arrived, or nothing when none came
    // before `deadline` (or the writer ended).
    std::optional<Clock::time_point> firstsound(Process& writer, Clock::time_point deadline) {
        std::vector<int16_t> buffer(8192);
        while (Clock::now() < deadline) {
            pollfd p{fd_, POLLIN, 0};
            poll(&p, 1, 1);
            const ssize_t got = read(fd_, buffer.data(), buffer.size() * sizeof(int16_t));
            if (got > 0) {
                const auto now = Clock::now();
                for (ssize_t i = 0; i < got / 2; ++i)
                    if (buffer[i] > 327 || buffer[i] < -327) return now;
            } else if (!writer.running()) {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

  private:
    fs::path path_;
    int fd_ = -1;
};

// Reads the FIFO no faster than the output format's real-time byte rate until told to stop, as a
// player writing into a real-time pipe would see it drained.
inline void drainrealtime(const fs::path& fifo, const std::atomic<bool>& stop) {
    const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    std::vector<char> buffer(1 << 16);
    const auto start = Clock::now();
    double consumed = 0;
    while (!stop.load()) {
        const double due = millis(Clock::now() - start) / 1000.0 * kBytesPerSecond;
        const auto want = static_cast<std::size_t>(std::max(0.0, due - consumed));
        if (want > 0) {
            const ssize_t got = read(fd, buffer.data(), std::min(want, buffer.size()));
            if (got > 0) consumed += static_cast<double>(got);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    close(fd);
}

// The machine's load average, printed beside the figures: other programs on the same cores
// make every timing noisier.
inline void printload(const char* when) {
    std::ifstream in("/proc/loadavg");
    double one = -1, five = -1, fifteen = -1;
    in >> one >> five >> fifteen;
    std::printf("load average %s: %.2f %.2f %.2f (%u cores)\n", when, one, five, fifteen,
                std::thread::hardware_concurrency());
}

// A household's 200,000 files (5,000 artists of 4 albums of 10 tracks, hard links to one tone
// of `seconds`): the tree scripts/run-bench made once for the whole run (TUNEDECK_BENCH_LIBRARY,
// its tone 90 s long), or a new one in `tmp`.
inline fs::path bigtree(const fixtures::TempDir& tmp, double seconds) {
    const char* shared = std::getenv("TUNEDECK_BENCH_LIBRARY");
    if (shared != nullptr && *shared != '\0' && fs::is_directory(shared)) return shared;
    std::printf("building the tree of 200,000 files...\n");
    fixtures::writetone(tmp / "library-tone.mp3", fixtures::AudioFormat::Mp3, {440.0, seconds});
    fixtures::linklibrary(tmp / "library", tmp / "library-tone.mp3", {5000, 4, 10, 0});
    return tmp / "library";
}

inline void goal(const char* what, bool met) {
    std::printf("goal %-55s %s\n", what, met ? "met" : "MISSED");
}

}  // namespace tunedeck::bench
