// End-to-end harness: the real binary in a folder of its own, under a private Xvfb server, with
// SDL's disk audio driver; keys sent with xdotool, screenshots taken from the X server.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tunedeck::e2e {

namespace fs = std::filesystem;

// A child process with its own environment; output goes to files. Killed when destroyed.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
          const fs::path& out, const fs::path& err);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Exit status when the process ended within the timeout (128+signal when killed by one).
    std::optional<int> wait(std::chrono::milliseconds timeout);
    bool running();
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Runs a command to its end; returns its exit status (or -1 on time-out, after killing it).
int runcommand(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

// A private X server on a free display, 24-bit, of the given size.
class XServer {
public:
    XServer(int width, int height);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

struct Pixel {
    int r = 0, g = 0, b = 0;
};

// A screenshot of the whole X screen, read back into memory.
class Screenshot {
public:
    Screenshot(const XServer& x, const fs::path& png);
    Pixel at(int x, int y) const;
    int width() const { return width_; }
    int height() const { return height_; }
    // Share of pixels in the rectangle that are near white (text).
    double whiteshare(int x, int y, int w, int h) const;
    // Share of pixels that differ between two shots of the same size.
    double difference(const Screenshot& other) const;

private:
    int width_ = 0, height_ = 0;
    std::vector<unsigned char> rgb_;
};

// The jukebox installed in a temporary folder with its settings.ini, running under `x`.
class Jukebox {
public:
    Jukebox(const XServer& x, const fs::path& folder, const std::string& settings);
    ~Jukebox() = default;

    void start();
    // Sends one key (an xdotool key name such as "Right", "Return", "n").
    void key(const std::string& name);
    // Waits until the program's window is mapped (false after the timeout).
    bool waitforwindow(std::chrono::milliseconds timeout);
    std::optional<int> wait(std::chrono::milliseconds timeout) { return child_->wait(timeout); }
    bool running() { return child_ && child_->running(); }
    std::string stderrtext() const;
    const fs::path& audiofile() const { return audio_; }
    Screenshot screenshot(const std::string& name) const;

private:
    const XServer& x_;
    fs::path folder_;
    fs::path audio_;
    std::optional<Child> child_;
};

fs::path builtbinary();

}  // namespace tunedeck::e2e
