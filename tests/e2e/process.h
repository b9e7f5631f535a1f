// Child processes for the tests that run programs: the jukebox itself, Xvfb, xdotool, snapserver,
// a private session bus.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tunedeck::e2e {

namespace fs = std::filesystem;

// A child process with its own environment; output goes to files. Ended when destroyed
// (SIGTERM, then SIGKILL after two seconds).
class Child {
  public:
    Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
          const fs::path& out, const fs::path& err);
    ~Child() { end(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Exit status when the process ended within the timeout (128+signal when killed by one).
    std::optional<int> wait(std::chrono::milliseconds timeout);
    bool running() { return !wait(std::chrono::milliseconds(0)).has_value(); }
    void end();
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Runs a command to its end; returns its exit status (or -1 on time-out, after killing it).
int runcommand(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

std::string readfile(const fs::path& file);

// Polls `condition` every 50 ms until it holds (true) or the time runs out (false).
bool waituntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

}  // namespace tunedeck::e2e
