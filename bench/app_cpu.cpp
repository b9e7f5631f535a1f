// CPU used over 60 s of real-time playback with the screen idle (the clock ticking): the real
// jukebox under a private X server, beside `mpv --ao=sdl --no-video` and `mpg123` playing the
// same file, all three at the same time. The jukebox and mpv write through SDL's disk driver at
// its real-time pace; mpg123 writes to a pipe that `pv -q -L 176400` drains at the real-time
// byte rate.
// Start-up is left out: the count begins once all three have played for a few seconds.
#include <atomic>
#include <string>
#include <thread>

#include "app_bench.h"
#include "engine_bench.h"

namespace {

namespace fs = std::filesystem;
namespace fx = tunedeck::fixtures;
namespace bn = tunedeck::bench;

constexpr auto kWarmup = std::chrono::seconds(3);
constexpr auto kMeasured = std::chrono::seconds(60);

struct Player {
    const char* name;
    bn::Process* process;
    double before = 0;
};

}  // namespace

int main() {
    try {
        fx::TempDir tmp;
        fs::create_directories(tmp / "music");
        const fs::path file = tmp / "music" / "long.mp3";
        fx::writetone(file, fx::AudioFormat::Mp3, {440.0, 75.0});
        const fs::path jukebox = bn::installjukebox(tmp / "app", tmp / "music");
        const fs::path fifo = tmp / "mpg123.pcm";
        if (mkfifo(fifo.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");

        bn::Xvfb x(1280, 720);
        bn::printload("at start");
        bn::Process pv({"pv", "-q", "-L", std::to_string(tunedeck::kBytesPerSecond), fifo.string()},
                       {});
        bn::Process ours({jukebox.string()}, bn::diskaudio("/dev/null", x.display()));
        bn::Process mpv(
            {"mpv", "--no-config", "--really-quiet", "--ao=sdl", "--no-video", file.string()},
            bn::diskaudio("/dev/null"));
        bn::Process mpg123({"mpg123", "-q", "-s", file.string()}, {}, fifo.string());

        std::this_thread::sleep_for(kWarmup);
        Player players[] = {{"jukebox", &ours}, {"mpv", &mpv}, {"mpg123", &mpg123}};
        for (auto& p : players) p.before = p.process->cpuseconds();
        const double xbefore = x.process().cpuseconds();
        std::this_thread::sleep_for(kMeasured);
        const double seconds = std::chrono::duration<double>(kMeasured).count();
        double percent[3] = {};
        for (int i = 0; i < 3; ++i) {
            if (!players[i].process->running())
                std::printf("%s ended before the measurement did\n", players[i].name);
            percent[i] = (players[i].process->cpuseconds() - players[i].before) / seconds * 100;
        }
        const double xpercent = (x.process().cpuseconds() - xbefore) / seconds * 100;

        bn::figure("CPU while playing, screen idle", percent[0], "%", "mpv", percent[1]);
        bn::figure("CPU while playing, screen idle", percent[0], "%", "mpg123", percent[2]);
        std::printf("(the X server drawing the jukebox's screen used %.3f %% besides)\n", xpercent);
        bn::goal("CPU while playing below mpv's", percent[0] >= 0 && percent[0] < percent[1]);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_app_cpu: %s\n", error.what());
        return 1;
    }
}
