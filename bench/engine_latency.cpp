// Two delays of the output, on SDL's disk driver in real time:
// - from starting a file to its first sample handed to the output device: the stream's position
//   leaves 0 when the audio callback has taken its first bytes. Reference: the 20 ms goal;
// - from pausing a playing file to silence at the output: the driver writes into a FIFO read
//   here, and the clock stops when a read ends in silence. A sound card adds its own buffer.
//   Reference: the 100 ms goal for a key's response.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "engine_bench.h"

namespace {

namespace fx = tunedeck::fixtures;
using namespace tunedeck;
using bench::Clock;
using bench::millis;

std::vector<double> startdelays(AudioLibrary& bass, const fx::TempDir& dir) {
    std::vector<double> ms;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        const HSTREAM h = BASS_StreamCreateFile(bass, 0, (dir / "a.mp3").c_str(), 0, 0, 0);
        BASS_StreamPlay(bass, h, 0, 0);
        while (BASS_ChannelGetPosition(bass, h) == 0 &&
               Clock::now() - start < std::chrono::seconds(2)) {
            SDL_Delay(0);
        }
        ms.push_back(millis(Clock::now() - start));
        BASS_StreamFree(bass, h);
    }
    return ms;
}

// Reads the FIFO until told to stop; after `armed` is set to a time, stores in `silent` the time
// of the first read after it that ends in silence.
void watchsilence(int fd, const std::atomic<bool>& stop, const std::atomic<int64_t>& armed,
                  std::atomic<int64_t>& silent) {
    std::vector<int16_t> buffer(16384);
    while (!stop.load()) {
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 5);
        const ssize_t got = read(fd, buffer.data(), buffer.size() * sizeof(int16_t));
        constexpr ssize_t kTail = 64;  // samples: a tone crosses zero now and then, never for long
        if (got < kTail * 2) continue;
        const auto now = Clock::now().time_since_epoch().count();
        const int16_t* end = buffer.data() + got / 2;
        const bool quiet = std::all_of(end - kTail, end, [](int16_t v) { return v == 0; });
        if (quiet && armed.load() != 0 && now > armed.load() && silent.load() == 0)
            silent.store(now);
    }
}

std::vector<double> pausedelays(const fx::TempDir& dir) {
    const auto fifo = dir / "out.fifo";
    if (mkfifo(fifo.c_str(), 0600) != 0) return {};
    const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    setenv("SDL_DISKAUDIOFILE", fifo.c_str(), 1);
    std::atomic<bool> stop{false};
    std::atomic<int64_t> armed{0}, silent{0};
    std::thread reader(watchsilence, fd, std::cref(stop), std::cref(armed), std::ref(silent));
    std::vector<double> ms;
    {
        AudioLibrary bass;
        if (BASS_Init(bass, -1, 44100, 0, nullptr)) {
            const HSTREAM h = BASS_StreamCreateFile(bass, 0, (dir / "a.mp3").c_str(), 0, 0, 0);
            BASS_StreamPlay(bass, h, 0, 0);
            std::mt19937 random(3);
            std::uniform_int_distribution<int> wait(150, 300);
            for (int i = 0; i < 10; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(wait(random)));
                silent.store(0);
                const auto paused = Clock::now();
                armed.store(paused.time_since_epoch().count());
                BASS_ChannelPause(bass, h);
                while (silent.load() == 0 && Clock::now() - paused < std::chrono::seconds(1))
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                armed.store(0);
                if (silent.load() != 0)
                    ms.push_back(
                        millis(Clock::time_point(Clock::duration(silent.load())) - paused));
                BASS_ChannelResume(bass, h);
            }
        }
    }
    stop.store(true);
    reader.join();
    close(fd);
    return ms;
}

}  // namespace

int main() {
    fx::TempDir dir;
    bench::diskoutput(dir, true);
    fx::writetone(dir / "a.mp3", fx::AudioFormat::Mp3, {440, 10.0});
    std::vector<double> start;
    {
        AudioLibrary bass;
        if (!BASS_Init(bass, -1, 44100, 0, nullptr)) return 1;
        start = startdelays(bass, dir);
    }
    std::sort(start.begin(), start.end());
    bench::figure("playfile to first sample (median)", start[start.size() / 2], "ms", "goal", 20.0);
    bench::figure("playfile to first sample (worst)", start.back(), "ms", "goal", 20.0);
    std::vector<double> pause = pausedelays(dir);
    if (pause.empty()) {
        std::printf("pause to silence: no silence came\n");
        return 1;
    }
    std::sort(pause.begin(), pause.end());
    bench::figure("pause to silence (median)", pause[pause.size() / 2], "ms", "goal", 100.0);
    bench::figure("pause to silence (worst)", pause.back(), "ms", "goal", 100.0);
    return 0;
}
