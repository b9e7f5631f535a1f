// Time from starting a file to its first sample handed to the output device: the stream's
// position leaves 0 when the audio callback has taken its first bytes. Reference: the 20 ms goal.
#include <algorithm>
#include <vector>

#include "engine_bench.h"

int main() {
    namespace fx = tunedeck::fixtures;
    using namespace tunedeck;
    using Clock = std::chrono::steady_clock;
    fx::TempDir dir;
    bench::diskoutput(dir, true);
    fx::writetone(dir / "a.mp3", fx::AudioFormat::Mp3, {440, 2.0});
    AudioLibrary bass;
    if (!BASS_Init(bass, -1, 44100, 0, nullptr)) return 1;
    std::vector<double> ms;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        const HSTREAM h = BASS_StreamCreateFile(bass, 0, (dir / "a.mp3").c_str(), 0, 0, 0);
        BASS_StreamPlay(bass, h, 0, 0);
        while (BASS_ChannelGetPosition(bass, h) == 0 &&
               Clock::now() - start < std::chrono::seconds(2)) {
            SDL_Delay(0);
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        BASS_StreamFree(bass, h);
    }
    std::sort(ms.begin(), ms.end());
    bench::figure("playfile to first sample (median)", ms[ms.size() / 2], "ms", "goal", 20.0);
    bench::figure("playfile to first sample (worst)", ms.back(), "ms", "goal", 20.0);
    return 0;
}
