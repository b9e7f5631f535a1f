// CPU and peak memory while one MP3 plays and the screen is idle but for the clock: the real
// jukebox under private X servers at 1920x1080 and 1280x720, and the application on SDL's
// offscreen video driver, which has no event wait of its own, at the same two sizes (bench/host:
// the driver's own display is 1024x768 only). Beside them, all at the same time on the same file,
// the players a user might run instead: mpv (--ao=sdl --no-video) and ffplay (-nodisp) on SDL's
// dummy audio driver like the jukebox, and mpg123 writing raw samples into a pipe that
// `pv -q -L 176400` drains at the real-time byte rate (mpg123 has no SDL output; pv paces it as a
// sound card would, in the small steps of its rate limit). A fifth jukebox, under X at
// 1920x1080 with the phone remote on (on loopback), plays from a household's 200,000 files
// (bench/app_bench.h: bigtree), queued and indexed before the measurement starts. CPU is the whole
// process's user and system time
// (/proc/<pid>/stat) from 3 s after start for 30 s (TUNEDECK_BENCH_SECONDS sets another span for
// a quick look); memory is the peak resident size (VmHWM). The jukebox under X at 1920x1080 is
// also broken down by thread: CPU and wake-ups (voluntary context switches) a second.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app_bench.h"
#include "engine_bench.h"

namespace {

namespace fs = std::filesystem;
namespace fx = tunedeck::fixtures;
namespace bn = tunedeck::bench;

constexpr auto kWarmup = std::chrono::seconds(3);
constexpr int kMeasuredSeconds = 30;

int measuredseconds() {
    const char* text = std::getenv("TUNEDECK_BENCH_SECONDS");
    const int seconds = text != nullptr ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : kMeasuredSeconds;
}

bool onpath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
    return false;
}

struct Player {
    std::string name;
    std::unique_ptr<bn::Process> process;
    double cpustart = 0;
    double cpupercent = -1;
    double peakmb = -1;
};

bn::Env sdlplayer(const std::string& display = {}, const std::string& video = {}) {
    bn::Env env{{"SDL_AUDIODRIVER", "dummy"}};
    if (!display.empty()) env["DISPLAY"] = display;
    if (!video.empty()) env["SDL_VIDEODRIVER"] = video;
    return env;
}

void printthreads(const std::vector<bn::TaskCpu>& before, const std::vector<bn::TaskCpu>& after,
                  double seconds) {
    std::printf("  by thread (jukebox, X, 1920x1080):");
    for (const auto& a : after) {
        double cpu = a.seconds, wakes = static_cast<double>(a.wakeups);
        for (const auto& b : before)
            if (b.tid == a.tid) cpu -= b.seconds, wakes -= static_cast<double>(b.wakeups);
        std::printf(" %s %.0f ms %.0f/s;", a.name.c_str(), cpu * 1000, wakes / seconds);
    }
    std::printf("\n");
}

// One jukebox figure against a reference; a reference that did not run is named, not divided by.
void compare(const std::string& what, double value, const char* unit, const Player* reference,
             double refvalue) {
    if (reference == nullptr || refvalue <= 0) {
        std::printf("%-44s %10.3f %s   (no %s figure)\n", what.c_str(), value, unit,
                    reference != nullptr ? reference->name.c_str() : "reference");
        return;
    }
    bn::figure(what.c_str(), value, unit, reference->name.c_str(), refvalue);
}

}  // namespace

int main() {
    try {
        bn::printload("at start");
        fx::TempDir tmp;
        fs::create_directories(tmp / "music");
        const fs::path file = tmp / "music" / "long.mp3";
        const int seconds = measuredseconds();
        fx::writetone(file, fx::AudioFormat::Mp3, {440.0, seconds + 90.0});
        const fs::path fifo = tmp / "mpg123.pcm";
        if (mkfifo(fifo.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");

        bn::Xvfb big(1920, 1080);
        bn::Xvfb small(1280, 720);
        auto jukebox = [&](const char* folder) {
            return bn::installjukebox(tmp / folder, tmp / "music").string();
        };
        auto offscreen = [&](const char* folder) {
            return bn::installjukebox(tmp / folder, tmp / "music", bn::builtoffscreenjukebox())
                .string();
        };
        std::vector<Player> players;
        auto start = [&](std::string name, std::vector<std::string> argv, const bn::Env& env,
                         const std::string& out = "/dev/null") {
            players.push_back({std::move(name), std::make_unique<bn::Process>(argv, env, out)});
        };
        start("jukebox, X, 1920x1080", {jukebox("xbig")}, sdlplayer(big.display(), "x11"));
        start("jukebox, X, 1280x720", {jukebox("xsmall")}, sdlplayer(small.display(), "x11"));
        start("jukebox, offscreen, 1920x1080", {offscreen("obig"), "1920", "1080"},
              sdlplayer({}, "offscreen"));
        start("jukebox, offscreen, 1280x720", {offscreen("osmall"), "1280", "720"},
              sdlplayer({}, "offscreen"));
        constexpr std::size_t kJukeboxes = 4;

        const Player* mpv = nullptr;
        const Player* ffplay = nullptr;
        const Player* mpg123 = nullptr;
        if (onpath("mpv")) {
            start("mpv",
                  {"mpv", "--no-config", "--really-quiet", "--ao=sdl", "--no-video", file.string()},
                  sdlplayer());
        } else {
            std::printf("mpv is not installed: its references are skipped\n");
        }
        if (onpath("ffplay")) {
            start("ffplay", {"ffplay", "-loglevel", "quiet", "-nodisp", file.string()},
                  sdlplayer());
        } else {
            std::printf("ffplay is not installed: its references are skipped\n");
        }
        std::unique_ptr<bn::Process> pv;
        if (onpath("mpg123") && onpath("pv")) {
            pv = std::make_unique<bn::Process>(
                std::vector<std::string>{"pv", "-q", "-L",
                                         std::to_string(tunedeck::kBytesPerSecond), fifo.string()},
                bn::Env{});
            start("mpg123", {"mpg123", "-q", "-s", file.string()}, {}, fifo.string());
        } else {
            std::printf("mpg123 or pv is not installed: the mpg123 references are skipped\n");
        }
        for (const Player& p : players) {
            if (p.name == "mpv") mpv = &p;
            if (p.name == "ffplay") ffplay = &p;
            if (p.name == "mpg123") mpg123 = &p;
        }

        // The household's library: the measurement starts once its scan has ended.
        bn::Xvfb huge(1920, 1080);
        const fs::path library = bn::bigtree(tmp, seconds + 60.0);
        const fs::path hugeapp = bn::installjukebox(tmp / "xhuge", library);
        std::ofstream(tmp / "xhuge" / "settings.ini", std::ios::app)
            << "\n[remote]\nenabled=1\nmpris=0\nlisten=127.0.0.1\nport=" << 20000 + getpid() % 20000
            << "\n";
        Player hugeplayer{"jukebox, X, 1920x1080, 200,000 files",
                          std::make_unique<bn::Process>(std::vector<std::string>{hugeapp.string()},
                                                        sdlplayer(huge.display(), "x11"))};
        const auto scanend = bn::Clock::now() + std::chrono::seconds(120);
        std::this_thread::sleep_for(kWarmup);
        while (bn::Clock::now() < scanend && hugeplayer.process->running()) {
            const auto tasks = hugeplayer.process->taskcpu();
            if (std::none_of(tasks.begin(), tasks.end(),
                             [](const bn::TaskCpu& t) { return t.name == "libraryscan"; }))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        hugeplayer.cpustart = hugeplayer.process->cpuseconds();
        for (auto& p : players) p.cpustart = p.process->cpuseconds();
        const double xstart = big.process().cpuseconds() + small.process().cpuseconds();
        const auto threadsbefore = players[0].process->taskcpu();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const auto threadsafter = players[0].process->taskcpu();
        for (auto& p : players) {
            if (!p.process->running()) {
                std::printf("%s ended before the measurement did\n", p.name.c_str());
                continue;
            }
            p.cpupercent = (p.process->cpuseconds() - p.cpustart) / seconds * 100;
            p.peakmb = p.process->peakmb();
        }
        if (hugeplayer.process->running()) {
            hugeplayer.cpupercent =
                (hugeplayer.process->cpuseconds() - hugeplayer.cpustart) / seconds * 100;
            hugeplayer.peakmb = hugeplayer.process->peakmb();
        } else {
            std::printf("%s ended before the measurement did\n", hugeplayer.name.c_str());
        }
        const double xpercent =
            (big.process().cpuseconds() + small.process().cpuseconds() - xstart) / seconds * 100;

        const double cpulimit = mpg123 != nullptr ? 2 * mpg123->cpupercent : -1;
        bool cpumet = cpulimit > 0;
        for (std::size_t i = 0; i < kJukeboxes; ++i) {
            const Player& p = players[i];
            const std::string cpu = "CPU playing, " + p.name;
            const std::string peak = "peak memory, " + p.name;
            compare(cpu, p.cpupercent, "%", mpg123, mpg123 ? mpg123->cpupercent : -1);
            compare(cpu, p.cpupercent, "%", mpv, mpv ? mpv->cpupercent : -1);
            compare(peak, p.peakmb, "MB", ffplay, ffplay ? ffplay->peakmb : -1);
            compare(peak, p.peakmb, "MB", mpv, mpv ? mpv->peakmb : -1);
            cpumet = cpumet && p.cpupercent >= 0 && p.cpupercent <= cpulimit;
        }
        const std::string hugecpu = "CPU playing, " + hugeplayer.name;
        compare(hugecpu, hugeplayer.cpupercent, "%", mpg123, mpg123 ? mpg123->cpupercent : -1);
        compare("peak memory, " + hugeplayer.name, hugeplayer.peakmb, "MB", ffplay,
                ffplay ? ffplay->peakmb : -1);
        cpumet = cpumet && hugeplayer.cpupercent >= 0 && hugeplayer.cpupercent <= cpulimit;
        printthreads(threadsbefore, threadsafter, seconds);
        std::printf("(the X servers drawing the jukebox's screens used %.3f %% besides)\n",
                    xpercent);
        bn::goal("CPU playing at most 2x mpg123's, under X and offscreen", cpumet);
        bn::goal("peak memory at 1920x1080 with 200,000 files queued and indexed at most 100 MB",
                 hugeplayer.peakmb > 0 && hugeplayer.peakmb <= 100);
        bn::printload("at end");
        const double ffpeak = ffplay != nullptr ? ffplay->peakmb : -1;
        bool bigmet = ffpeak > 0;
        for (std::size_t i : {0, 2})
            bigmet = bigmet && players[i].peakmb > 0 && players[i].peakmb <= ffpeak;
        bn::goal("peak memory at 1920x1080 at most ffplay's", bigmet);
        bn::goal("peak memory at 1280x720 at most 48 MB",
                 players[1].peakmb > 0 && players[1].peakmb <= 48 && players[3].peakmb > 0 &&
                     players[3].peakmb <= 48);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_app_playing: %s\n", error.what());
        return 1;
    }
}
