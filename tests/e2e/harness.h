// End-to-end harness: the real binary in a folder of its own, under a private Xvfb server, with
// SDL's disk audio driver; keys sent with xdotool, screenshots taken from the X server.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "process.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::e2e {

// A private X server on a free display, 24-bit, of the given size.
class XServer {
  public:
    XServer(int width, int height);
    const std::string& display() const { return display_; }

  private:
    std::optional<Child> xvfb_;
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
    // Share of pixels in the rectangle that differ between two shots of the same size.
    double difference(const Screenshot& other, int x, int y, int w, int h) const;
    // Share of pixels in the rectangle for which `counts` holds.
    double share(int x, int y, int w, int h, const std::function<bool(int x, int y)>& counts) const;

  private:
    int width_ = 0, height_ = 0;
    std::vector<unsigned char> rgb_;
};

// The jukebox in `folder` with its settings.ini, running under `x`. The built program is copied
// there unless the folder holds one already (an installed jukebox).
class Jukebox {
  public:
    Jukebox(const XServer& x, const fs::path& folder, const std::string& settings);

    // Starts the program; `env` adds to or overrides the environment it is given. What the
    // program writes goes to the folder's "state" unless `env` names another XDG_STATE_HOME.
    void start(const std::map<std::string, std::string>& env = {});
    // Sends one key (an xdotool key name such as "Right", "Return", "n").
    void key(const std::string& name);
    // Waits until the program's window is mapped (false after the timeout).
    bool waitforwindow(std::chrono::milliseconds timeout);
    std::optional<int> wait(std::chrono::milliseconds timeout) { return child_->wait(timeout); }
    bool running() { return child_ && child_->running(); }
    std::string stderrtext() const { return readfile(folder_ / "stderr.txt"); }
    // The program's own lines on standard error (those starting "tunedeck:"), without the
    // audio driver's notices.
    std::string messages() const;
    // Tones in what the program has played so far (none before the audio file exists).
    std::vector<fixtures::ToneSegment> tones() const;
    Screenshot screenshot(const std::string& name) const;
    // Screenshots until one satisfies `ready`; the last one taken when the time ran out.
    Screenshot screenshotwhen(const std::string& name,
                              const std::function<bool(const Screenshot&)>& ready,
                              std::chrono::milliseconds timeout);
    const fs::path& folder() const { return folder_; }

  private:
    const XServer& x_;
    fs::path folder_;
    std::optional<Child> child_;
};

// The build folder (where the tests and the program were built).
fs::path builddir();

// The settings file of a test: the music root, the [cd] device and lines for [display]; the
// remote and the media controls off.
std::string settingstext(const fs::path& root, const std::string& cddevice,
                         const std::string& displaylines = {});

// The six digits of the phone pairing code in `shot` (taken into `png`), read by OCR from the
// black box in the lower band of the screen; "" when none is there. Works in `workfolder`.
std::string pairingcode(const Screenshot& shot, const fs::path& png, const fs::path& workfolder);

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

// The first tone segment of about `frequency` (within 3 %) lasting at least `seconds`; its index
// in `tones`, or -1.
int findtone(const std::vector<fixtures::ToneSegment>& tones, double frequency, double seconds);

}  // namespace tunedeck::e2e
