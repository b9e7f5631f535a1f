// End-to-end harness: the real binary in a folder of its own, under a private Xvfb server, with
// SDL's disk audio driver; keys sent with xdotool, screenshots taken from the X server.
#pragma once

#include <sys/types.h>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/fixtures/fixtures.h"

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
    // The same, inside a rectangle only.
    double difference(const Screenshot& other, int x, int y, int w, int h) const;

  private:
    int width_ = 0, height_ = 0;
    std::vector<unsigned char> rgb_;
};

// The jukebox installed in a temporary folder with its settings.ini, running under `x`.
class Jukebox {
  public:
    Jukebox(const XServer& x, const fs::path& folder, const std::string& settings);
    ~Jukebox() = default;

    // Starts the program; `env` adds to or overrides the environment it is given.
    void start(const std::map<std::string, std::string>& env = {});
    // Sends one key (an xdotool key name such as "Right", "Return", "n").
    void key(const std::string& name);
    // Id of a visible window of the program whose title is exactly `title` (empty when none yet).
    std::string findwindow(const std::string& title);
    // Gives the window the keyboard focus and sends it one key.
    void keytowindow(const std::string& window, const std::string& name);
    // Waits until the program's window is mapped (false after the timeout).
    bool waitforwindow(std::chrono::milliseconds timeout);
    std::optional<int> wait(std::chrono::milliseconds timeout) { return child_->wait(timeout); }
    bool running() { return child_ && child_->running(); }
    std::string stderrtext() const;
    // The program's own lines on standard error (those starting "tunedeck:"), without the
    // audio driver's notices.
    std::string messages() const;
    const fs::path& audiofile() const { return audio_; }
    // Tones in what the program has played so far (none before the audio file exists).
    std::vector<fixtures::ToneSegment> tones() const;
    Screenshot screenshot(const std::string& name) const;
    // Screenshots until one satisfies `ready`; the last one taken when the time ran out.
    Screenshot screenshotwhen(const std::string& name,
                              const std::function<bool(const Screenshot&)>& ready,
                              std::chrono::milliseconds timeout);
    const fs::path& folder() const { return folder_; }

  private:
    // Standard output of a short command run against the X server (empty when it failed).
    std::string commandoutput(const std::vector<std::string>& argv);

    const XServer& x_;
    fs::path folder_;
    fs::path audio_;
    std::optional<Child> child_;
};

fs::path builtbinary();

// The settings file of a test: the music root, the [cd] device and lines for [display]; the
// remote and the media controls off.
std::string settingstext(const fs::path& root, const std::string& cddevice,
                         const std::string& displaylines = {});

// Polls `condition` every 50 ms until it holds (true) or the time runs out (false).
bool waituntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// True when the colour is within `tolerance` of (r, g, b) in every channel.
bool near(const Pixel& p, int r, int g, int b, int tolerance);

// The white text of a screenshot: its runs of rows, and whether any of it comes within
// `margin` pixels of an edge of the screen.
struct WhiteText {
    int bands = 0;
    bool nearedge = false;
};
WhiteText whitetext(const Screenshot& shot, int margin);

// An error page is up: the jukebox's gradient at the top corner, lines of text over it, and
// nothing white at the edges (as the main screen's lines are).
bool errorpageshown(const Screenshot& shot);

// A tone segment of about `frequency` (within 3 %) lasting at least `seconds`; its index in
// `tones` from `from` on, or -1.
int findtone(const std::vector<fixtures::ToneSegment>& tones, double frequency, double seconds,
             std::size_t from = 0);

}  // namespace tunedeck::e2e
