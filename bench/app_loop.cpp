// The event loop while a file plays, in process, on the X11 driver (a private X server at
// 1280x720) and on SDL's offscreen driver, which has no event wait of its own:
// - the tick on time: how far each of 15 ticks runs from the loop's 1 s grid (taken from the
//   most punctual tick), against a goal of 10 ms;
// - a key's response: 20 keys posted from another thread (as the remote does) at random moments,
//   from the post to the loop taking the key, against the 30 ms goal;
// - a quit signal's response: SIGINT, which SDL turns into an event only when the loop pumps
//   (as keys of a driver without an event wait arrive), from the signal to the loop taking it.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <random>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app_bench.h"
#include "engine_bench.h"

namespace {

namespace fs = std::filesystem;
namespace fx = tunedeck::fixtures;
namespace bn = tunedeck::bench;
using tunedeck::Application;
using tunedeck::AppOptions;

constexpr int kTicks = 15;
constexpr int kKeys = 20;
constexpr SDL_Keycode kIdleKey = SDLK_F12;  // no command: handling it changes nothing

struct Figures {
    std::vector<double> ticklate, keys;
    double quit = -1;
};

double percentile(std::vector<double> v, double share) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1,
                      static_cast<std::size_t>(share * static_cast<double>(v.size())))];
}

// Posts keys at random moments, one at a time, until told to stop; then raises SIGINT.
void postkeys(const std::atomic<bool>& ticksdone, std::atomic<int64_t>& posted,
              std::atomic<int>& handled) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pause(150, 600);
    for (int i = 0; i < kKeys || !ticksdone.load(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
        if (i >= kKeys) continue;
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = kIdleKey;
        posted.store(bn::Clock::now().time_since_epoch().count());
        const int before = handled.load();
        SDL_PushEvent(&event);
        while (handled.load() == before) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    posted.store(bn::Clock::now().time_since_epoch().count());
    std::raise(SIGINT);
}

double sinceposted(const std::atomic<int64_t>& posted) {
    const bn::Clock::time_point then{bn::Clock::duration(posted.load())};
    return bn::millis(bn::Clock::now() - then);
}

Figures runloop(const fs::path& folder) {
    Figures out;
    std::atomic<bool> ticksdone{false};
    std::atomic<int64_t> posted{0};
    std::atomic<int> handled{0};
    std::vector<bn::Clock::time_point> ticks;
    AppOptions options;
    options.appfolder = folder;
    options.ontick = [&] {
        ticks.push_back(bn::Clock::now());
        if (ticks.size() == kTicks) ticksdone.store(true);
    };
    options.onevent = [&](const SDL_Event& event) {
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == kIdleKey) {
            out.keys.push_back(sinceposted(posted));
            handled.fetch_add(1);
        } else if (event.type == SDL_QUIT) {
            out.quit = sinceposted(posted);
        }
    };
    Application app(options);
    if (!app.Form_Load()) throw std::runtime_error("the jukebox did not start");
    std::thread keys(postkeys, std::cref(ticksdone), std::ref(posted), std::ref(handled));
    app.run();
    keys.join();
    double base = 1e18;
    for (std::size_t k = 0; k < ticks.size(); ++k)
        base = std::min(base, bn::millis(ticks[k] - ticks[0]) - 1000.0 * static_cast<double>(k));
    for (std::size_t k = 0; k < ticks.size(); ++k)
        out.ticklate.push_back(bn::millis(ticks[k] - ticks[0]) - 1000.0 * static_cast<double>(k) -
                               base);
    return out;
}

void report(const char* driver, const Figures& f) {
    const std::string tick = std::string("tick off the 1 s grid, ") + driver;
    const std::string key = std::string("key posted to taken, ") + driver;
    const std::string quit = std::string("quit signal to taken, ") + driver;
    bn::figure((tick + " (median)").c_str(), percentile(f.ticklate, 0.5), "ms", "goal", 10);
    bn::figure((tick + " (worst)").c_str(), percentile(f.ticklate, 1), "ms", "goal", 10);
    bn::figure((key + " (median)").c_str(), percentile(f.keys, 0.5), "ms", "goal", 30);
    bn::figure((key + " (worst)").c_str(), percentile(f.keys, 1), "ms", "goal", 30);
    bn::figure(quit.c_str(), f.quit, "ms", "goal", 30);
}

}  // namespace

int main() {
    try {
        fx::TempDir tmp;
        fs::create_directories(tmp / "music");
        fx::writetone(tmp / "music" / "long.mp3", fx::AudioFormat::Mp3, {440.0, 60.0});
        fs::create_directories(tmp / "app");
        std::ofstream(tmp / "app" / "settings.ini")
            << "[system]\npath=" << (tmp / "music").string()
            << "\nsavertime=3000\n\n[cd]\ndevice=none\n\n[remote]\nenabled=0\nmpris=0\n";
        setenv("SDL_AUDIODRIVER", "dummy", 1);

        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        report("offscreen", runloop(tmp / "app"));

        bn::Xvfb x(1280, 720);
        setenv("DISPLAY", x.display().c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        report("X", runloop(tmp / "app"));
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_app_loop: %s\n", error.what());
        return 1;
    }
}
