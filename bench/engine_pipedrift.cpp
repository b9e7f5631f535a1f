// How far the pipe output's periods fall behind real time over a minute: the least lag of a
// period in the last second against a schedule of exact period lengths from the first period.
// Reference: SDL's disk driver, which sleeps a period's length after each write, over the
// same minute at the same period.
#include <sys/stat.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

#include "engine_bench.h"
#include "platform/audio/format.h"
#include "platform/audio/pipeoutput.h"
#include "platform/audio/sdloutput.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Recorder : tunedeck::SampleSource {
    bool fill(uint8_t* out, std::size_t bytes) noexcept override {
        std::fill(out, out + bytes, 0);
        if (times.size() < times.capacity()) times.push_back(Clock::now());
        return true;
    }
    std::vector<Clock::time_point> times;
};

// Milliseconds the periods of the last second began late, at the least.
double lag_ms(const std::vector<Clock::time_point>& times) {
    using namespace tunedeck;
    const double period = double(kPeriodFrames) / kOutputRate;
    const std::size_t count = times.size();
    double least = 1e9;
    for (std::size_t n = count - kOutputRate / kPeriodFrames; n < count; ++n) {
        const double since = std::chrono::duration<double>(times[n] - times[0]).count();
        least = std::min(least, since - period * double(n));
    }
    return least * 1000;
}

}  // namespace

int main() {
    namespace fx = tunedeck::fixtures;
    using namespace tunedeck;
    fx::TempDir dir;
    bench::diskoutput(dir, true);
    if (::mkfifo((dir / "fifo").c_str(), 0600) != 0) return 1;
    constexpr std::size_t kPeriods = 60 * kOutputRate / kPeriodFrames;
    Recorder pipe, disk;
    pipe.times.reserve(kPeriods);
    disk.times.reserve(kPeriods);
    {
        SdlInit events = startsdl(SDL_INIT_EVENTS);
        PipeOutput pipeout(dir / "fifo", pipe);
        SdlOutput diskout(nullptr, kPeriodFrames, disk);
        std::this_thread::sleep_for(std::chrono::seconds(61));
    }
    if (pipe.times.size() < kPeriods / 2 || disk.times.size() < kPeriods / 2) return 1;
    bench::figure("pipe output lag after a minute", lag_ms(pipe.times), "ms", "SDL disk driver",
                  lag_ms(disk.times));
    return 0;
}
