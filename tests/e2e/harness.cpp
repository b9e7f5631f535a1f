#include "harness.h"

#include <SDL_image.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
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
        std::string entry = *e;
        auto eq = entry.find('=');
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

pid_t spawn(std::vector<std::string> argv, const std::map<std::string, std::string>& env,
            const fs::path& out, const fs::path& err, int keepfd = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    (void)keepfd;  // inherited as it is: the descriptor is created without close-on-exec
    auto envstrings = mergedenvironment(env);
    auto envp = pointers(envstrings);
    auto args = pointers(argv);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
    return pid;
}

std::string readfile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

Child::Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
             const fs::path& out, const fs::path& err)
    : pid_(spawn(argv, env, out, err)) {}

Child::~Child() {
    if (running()) {
        kill(pid_, SIGKILL);
        wait(2s);
    }
}

std::optional<int> Child::wait(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!status_) {
        int st = 0;
        pid_t r = waitpid(pid_, &st, WNOHANG);
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

bool Child::running() {
    return !wait(0ms).has_value();
}

int runcommand(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
               std::chrono::milliseconds timeout) {
    Child child(argv, env, "/dev/null", "/dev/null");
    auto status = child.wait(timeout);
    return status ? *status : -1;
}

XServer::XServer(int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "x24";
    pid_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", geometry,
                  "-nolisten", "tcp", "-noreset"},
                 {}, "/dev/null", "/dev/null", fds[1]);
    close(fds[1]);
    std::string number;
    char c;
    auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb did not start");
    display_ = ":" + number;
}

XServer::~XServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

Screenshot::Screenshot(const XServer& x, const fs::path& png) {
    int rc = runcommand({"import", "-display", x.display(), "-window", "root", png.string()}, {});
    if (rc != 0) throw std::runtime_error("screenshot failed");
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
    size_t i = (static_cast<size_t>(y) * width_ + x) * 3;
    return {rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

double Screenshot::whiteshare(int x, int y, int w, int h) const {
    int white = 0;
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx) {
            Pixel p = at(xx, yy);
            if (p.r > 200 && p.g > 200 && p.b > 200) ++white;
        }
    return static_cast<double>(white) / (w * h);
}

double Screenshot::difference(const Screenshot& other) const {
    if (other.rgb_.size() != rgb_.size()) return 1.0;
    size_t differ = 0;
    for (size_t i = 0; i < rgb_.size(); i += 3)
        if (rgb_[i] != other.rgb_[i] || rgb_[i + 1] != other.rgb_[i + 1] ||
            rgb_[i + 2] != other.rgb_[i + 2])
            ++differ;
    return static_cast<double>(differ) / (rgb_.size() / 3);
}

double Screenshot::difference(const Screenshot& other, int x, int y, int w, int h) const {
    if (other.width_ != width_ || other.height_ != height_) return 1.0;
    int differ = 0;
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx) {
            Pixel a = at(xx, yy), b = other.at(xx, yy);
            if (a.r != b.r || a.g != b.g || a.b != b.b) ++differ;
        }
    return static_cast<double>(differ) / (w * h);
}

std::string settingstext(const fs::path& root, const std::string& cddevice,
                         const std::string& displaylines) {
    // The phone remote and the media controls stay off: tests run side by side.
    return "[system]\npath=" + root.string() + "\n\n[cd]\ndevice=" + cddevice + "\n\n[display]\n" +
           displaylines + "\n[remote]\nenabled=0\nmpris=0\n";
}

fs::path builtbinary() {
    const char* dir = std::getenv("TUNEDECK_BUILD_DIR");
    return fs::path(dir ? dir : ".") / "tunedeck";
}

Jukebox::Jukebox(const XServer& x, const fs::path& folder, const std::string& settings)
    : x_(x), folder_(folder), audio_(folder / "audio.raw") {
    fs::create_directories(folder_);
    fs::copy_file(builtbinary(), folder_ / "tunedeck", fs::copy_options::overwrite_existing);
    std::ofstream(folder_ / "settings.ini") << settings;
}

void Jukebox::start(const std::map<std::string, std::string>& env) {
    std::map<std::string, std::string> all{{"DISPLAY", x_.display()},
                                           {"SDL_VIDEODRIVER", "x11"},
                                           {"SDL_AUDIODRIVER", "disk"},
                                           {"SDL_DISKAUDIOFILE", audio_.string()}};
    for (const auto& [k, v] : env) all[k] = v;
    child_.emplace(std::vector<std::string>{(folder_ / "tunedeck").string()}, all,
                   folder_ / "stdout.txt", folder_ / "stderr.txt");
}

bool Jukebox::waitforwindow(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!running()) return false;
        int rc = runcommand(
            {"xdotool", "search", "--onlyvisible", "--pid", std::to_string(child_->pid())},
            {{"DISPLAY", x_.display()}}, 5s);
        if (rc == 0) return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

void Jukebox::key(const std::string& name) {
    runcommand({"xdotool", "key", "--delay", "0", name}, {{"DISPLAY", x_.display()}}, 5s);
}

std::string Jukebox::commandoutput(const std::vector<std::string>& argv) {
    const fs::path out = folder_ / "command.txt";
    Child command(argv, {{"DISPLAY", x_.display()}}, out, "/dev/null");
    if (command.wait(5s).value_or(-1) != 0) return {};
    return readfile(out);
}

// Lists every visible window and compares titles here: xdotool's own title match misses the
// UTF-8 titles of SDL's message boxes, which carry no window class.
std::string Jukebox::findwindow(const std::string& title) {
    std::istringstream ids(
        commandoutput({"xdotool", "search", "--onlyvisible", "--classname", ""}));
    for (std::string id; std::getline(ids, id);) {
        if (id.empty()) continue;
        std::string name = commandoutput({"xdotool", "getwindowname", id});
        if (!name.empty() && name.back() == '\n') name.pop_back();
        if (name == title) return id;
    }
    return {};
}

void Jukebox::keytowindow(const std::string& window, const std::string& name) {
    runcommand({"xdotool", "windowfocus", "--sync", window, "key", "--delay", "0", name},
               {{"DISPLAY", x_.display()}}, 5s);
}

std::string Jukebox::messages() const {
    std::istringstream lines(stderrtext());
    std::string own;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("tunedeck:", 0) == 0) own += line + "\n";
    return own;
}

std::vector<fixtures::ToneSegment> Jukebox::tones() const {
    std::error_code ec;
    if (!fs::exists(audio_, ec)) return {};
    return fixtures::findtones(audio_);
}

Screenshot Jukebox::screenshotwhen(const std::string& name,
                                   const std::function<bool(const Screenshot&)>& ready,
                                   std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        Screenshot shot = screenshot(name);
        if (ready(shot) || std::chrono::steady_clock::now() >= deadline) return shot;
        std::this_thread::sleep_for(100ms);
    }
}

std::string Jukebox::stderrtext() const {
    return readfile(folder_ / "stderr.txt");
}

Screenshot Jukebox::screenshot(const std::string& name) const {
    return Screenshot(x_, folder_ / (name + ".png"));
}

bool waituntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(50ms);
    }
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

int findtone(const std::vector<fixtures::ToneSegment>& tones, double frequency, double seconds,
             std::size_t from) {
    for (std::size_t i = from; i < tones.size(); ++i)
        if (std::abs(tones[i].frequency - frequency) <= frequency * 0.03 &&
            tones[i].seconds >= seconds)
            return static_cast<int>(i);
    return -1;
}

}  // namespace tunedeck::e2e
