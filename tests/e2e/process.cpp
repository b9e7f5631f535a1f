#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tunedeck::e2e {

namespace {

using namespace std::chrono_literals;

// In a sanitizer build the program reports, at exit, the blocks that the system's font and
// D-Bus libraries keep for the life of the process; they are not ours to free, and the report
// would turn every orderly exit into status 1.
std::string leaksuppressions() {
    const fs::path file = fs::temp_directory_path() / "tunedeck-e2e-lsan.supp";
    if (!fs::exists(file)) {
        const fs::path partial = file.string() + "." + std::to_string(getpid());
        std::ofstream(partial) << "leak:libfontconfig.so\nleak:libdbus-1.so\n";
        fs::rename(partial, file);
    }
    return "suppressions=" + file.string();
}

std::vector<std::string> mergedenvironment(const std::map<std::string, std::string>& extra) {
    std::map<std::string, std::string> all{{"LSAN_OPTIONS", leaksuppressions()}};
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const auto eq = entry.find('=');
        if (eq != std::string::npos) all[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [k, v] : extra) all[k] = v;
    std::vector<std::string> out;
    for (const auto& [k, v] : all) out.push_back(k + "=" + v);
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// Descriptors without close-on-exec are inherited as they are (Xvfb's -displayfd).
pid_t spawn(std::vector<std::string> argv, const std::map<std::string, std::string>& env,
            const fs::path& out, const fs::path& err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    auto envstrings = mergedenvironment(env);
    auto envp = pointers(envstrings);
    auto args = pointers(argv);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
    return pid;
}

}  // namespace

Child::Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
             const fs::path& out, const fs::path& err)
    : pid_(spawn(argv, env, out, err)) {}

std::optional<int> Child::wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!status_) {
        int st = 0;
        const pid_t r = waitpid(pid_, &st, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            break;
        }
        if (r < 0) {
            status_ = -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(10ms);
    }
    return status_;
}

void Child::end() {
    if (!running()) return;
    kill(pid_, SIGTERM);
    if (wait(2s)) return;
    kill(pid_, SIGKILL);
    wait(2s);
}

int runcommand(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
               std::chrono::milliseconds timeout) {
    Child child(argv, env, "/dev/null", "/dev/null");
    return child.wait(timeout).value_or(-1);
}

std::string readfile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool waituntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(50ms);
    }
}

}  // namespace tunedeck::e2e
