#include "harness.h"

#include <SDL_image.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace tunedeck::e2e {

using namespace std::chrono_literals;

XServer::XServer(int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // Xvfb inherits the pipe's write end and prints its display number there.
    xvfb_.emplace(std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen",
                                           "0", geometry, "-nolisten", "tcp", "-noreset"},
                  std::map<std::string, std::string>{}, "/dev/null", "/dev/null");
    close(fds[1]);
    std::string number;
    char c;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb did not start");
    display_ = ":" + number;
}

Screenshot::Screenshot(const XServer& x, const fs::path& png) {
    if (runcommand({"import", "-display", x.display(), "-window", "root", png.string()}, {}) != 0)
        throw std::runtime_error("screenshot failed");
    SDL_Surface* loaded = IMG_Load(png.c_str());
    if (!loaded) throw std::runtime_error("cannot read screenshot");
    SDL_Surface* surface = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    if (!surface) throw std::runtime_error("cannot convert screenshot");
    width_ = surface->w;
    height_ = surface->h;
    rgb_.resize(static_cast<size_t>(width_) * height_ * 3);
    for (int y = 0; y < height_; ++y) {
        const auto* row = static_cast<const unsigned char*>(surface->pixels) + y * surface->pitch;
        std::copy(row, row + width_ * 3, rgb_.begin() + static_cast<ptrdiff_t>(y) * width_ * 3);
    }
    SDL_FreeSurface(surface);
}

Pixel Screenshot::at(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width_ + x) * 3;
    return {rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

double Screenshot::share(int x, int y, int w, int h,
                         const std::function<bool(int x, int y)>& counts) const {
    int hits = 0;
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx) hits += counts(xx, yy) ? 1 : 0;
    return static_cast<double>(hits) / (w * h);
}

double Screenshot::whiteshare(int x, int y, int w, int h) const {
    return share(x, y, w, h, [&](int xx, int yy) {
        const Pixel p = at(xx, yy);
        return p.r > 200 && p.g > 200 && p.b > 200;
    });
}

double Screenshot::difference(const Screenshot& other, int x, int y, int w, int h) const {
    if (other.width_ != width_ || other.height_ != height_) return 1.0;
    return share(x, y, w, h, [&](int xx, int yy) {
        const Pixel a = at(xx, yy), b = other.at(xx, yy);
        return a.r != b.r || a.g != b.g || a.b != b.b;
    });
}

std::string settingstext(const fs::path& root, const std::string& cddevice,
                         const std::string& displaylines) {
    // The phone remote and the media controls stay off: tests run side by side.
    return "[system]\npath=" + root.string() + "\n\n[cd]\ndevice=" + cddevice + "\n\n[display]\n" +
           displaylines + "\n[remote]\nenabled=0\nmpris=0\n";
}

fs::path builddir() {
    const char* dir = std::getenv("TUNEDECK_BUILD_DIR");
    return dir ? fs::path(dir) : fs::current_path();
}

Jukebox::Jukebox(const XServer& x, const fs::path& folder, const std::string& settings)
    : x_(x), folder_(folder) {
    fs::create_directories(folder_);
    if (!fs::exists(folder_ / "tunedeck"))
        fs::copy_file(builddir() / "tunedeck", folder_ / "tunedeck");
    std::ofstream(folder_ / "settings.ini", std::ios::trunc) << settings;
}

void Jukebox::start(const std::map<std::string, std::string>& env) {
    std::map<std::string, std::string> all{{"DISPLAY", x_.display()},
                                           {"SDL_VIDEODRIVER", "x11"},
                                           {"SDL_AUDIODRIVER", "disk"},
                                           {"SDL_DISKAUDIOFILE", (folder_ / "audio.raw").string()},
                                           {"XDG_STATE_HOME", (folder_ / "state").string()}};
    for (const auto& [k, v] : env) all[k] = v;
    child_.emplace(std::vector<std::string>{(folder_ / "tunedeck").string()}, all,
                   folder_ / "stdout.txt", folder_ / "stderr.txt");
}

bool Jukebox::waitforwindow(std::chrono::milliseconds timeout) {
    return waituntil(
               [&] {
                   return !running() || runcommand({"xdotool", "search", "--onlyvisible", "--pid",
                                                    std::to_string(child_->pid())},
                                                   {{"DISPLAY", x_.display()}}, 5s) == 0;
               },
               timeout) &&
           running();
}

void Jukebox::key(const std::string& name) {
    runcommand({"xdotool", "key", "--delay", "0", name}, {{"DISPLAY", x_.display()}}, 5s);
}

std::string Jukebox::messages() const {
    std::istringstream lines(stderrtext());
    std::string own;
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("tunedeck:")) own += line + "\n";
    return own;
}

std::vector<fixtures::ToneSegment> Jukebox::tones() const {
    std::error_code ec;
    if (!fs::exists(folder_ / "audio.raw", ec)) return {};
    return fixtures::findtones(folder_ / "audio.raw");
}

Screenshot Jukebox::screenshotwhen(const std::string& name,
                                   const std::function<bool(const Screenshot&)>& ready,
                                   std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        Screenshot shot = screenshot(name);
        if (ready(shot) || std::chrono::steady_clock::now() >= deadline) return shot;
        std::this_thread::sleep_for(100ms);
    }
}

Screenshot Jukebox::screenshot(const std::string& name) const {
    return Screenshot(x_, folder_ / (name + ".png"));
}

std::string pairingcode(const Screenshot& shot, const fs::path& png, const fs::path& workfolder) {
    int left = shot.width(), right = -1, top = shot.height(), bottom = -1;
    for (int y = shot.height() * 88 / 100; y < shot.height(); ++y)
        for (int x = shot.width() / 3; x < shot.width(); ++x)
            if (near(shot.at(x, y), 0, 0, 0, 0)) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    if (right - left < 100 || bottom - top < 20) return {};
    const fs::path crop = workfolder / "code-crop.png";
    const std::string geometry = std::to_string(right - left + 1) + "x" +
                                 std::to_string(bottom - top + 1) + "+" + std::to_string(left) +
                                 "+" + std::to_string(top);
    if (runcommand({"convert", png.string(), "-crop", geometry, "-negate", "-resize", "200%",
                    crop.string()},
                   {}) != 0)
        return {};
    const fs::path text = workfolder / "code";
    if (runcommand({"tesseract", crop.string(), text.string(), "--psm", "7"}, {}) != 0) return {};
    std::smatch code;
    const std::string line = readfile(text.string() + ".txt");
    return std::regex_search(line, code, std::regex("[0-9]{6}")) ? code.str() : "";
}

bool near(const Pixel& p, int r, int g, int b, int tolerance) {
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance &&
           std::abs(p.b - b) <= tolerance;
}

WhiteText whitetext(const Screenshot& shot, int margin) {
    WhiteText text;
    bool previous = false;
    for (int y = 0; y < shot.height(); ++y) {
        bool lit = false;
        for (int x = 0; x < shot.width(); ++x) {
            const Pixel p = shot.at(x, y);
            if (p.r < 200 || p.g < 200 || p.b < 200) continue;
            lit = true;
            if (x < margin || x >= shot.width() - margin || y < margin ||
                y >= shot.height() - margin)
                text.nearedge = true;
        }
        if (lit && !previous) ++text.bands;
        previous = lit;
    }
    return text;
}

bool errorpageshown(const Screenshot& shot) {
    // The main screen's white lines run from edge to edge; the page's text keeps off them.
    const WhiteText text = whitetext(shot, 2);
    return near(shot.at(0, 0), 7, 18, 143, 3) && text.bands >= 3 && !text.nearedge;
}

int findtone(const std::vector<fixtures::ToneSegment>& tones, double frequency, double seconds) {
    for (std::size_t i = 0; i < tones.size(); ++i)
        if (std::abs(tones[i].frequency - frequency) <= frequency * 0.03 &&
            tones[i].seconds >= seconds)
            return static_cast<int>(i);
    return -1;
}

}  // namespace tunedeck::e2e
