// Silence at the output between two queued tones started from the end notification, for each
// format from one file to the next of the same format, in real time on SDL's disk driver.
// Each once as decoded and once with a different gain on each file. Reference: the 1 ms goal. Raw
// ADTS AAC declares no encoder delay or padding, and WMA's codec keeps back a block: neither can
// join exactly.
#include <string>

#include "engine_bench.h"

namespace {

namespace fx = tunedeck::fixtures;
using namespace tunedeck;

// With `gains`, the first file plays at half its level and the second at 1.5 times.
double gapms(fx::AudioFormat format, bool gains) {
    fx::TempDir dir;
    bench::diskoutput(dir, true);
    fx::writetone(dir / "a", format, {440, 1.0});
    fx::writetone(dir / "b", format, {880, 1.0});
    {
        AudioLibrary bass;
        if (!BASS_Init(bass, -1, 44100, 0, nullptr)) return -1;
        HSTREAM current = BASS_StreamCreateFile(bass, 0, (dir / "a").c_str(), 0, 0, 0);
        if (gains) BASS_ChannelSetAttribute(bass, current, BASS_ATTRIB_VOL, 0.5f);
        BASS_StreamPlay(bass, current, 0, 0);
        bool second = false;
        BASS_ChannelSetSync(
            bass, current, BASS_SYNC_END, 0,
            [&](HSYNC, DWORD, DWORD, DWORD) {
                BASS_StreamFree(bass, current);
                current = BASS_StreamCreateFile(bass, 0, (dir / "b").c_str(), 0, 0, 0);
                if (gains) BASS_ChannelSetAttribute(bass, current, BASS_ATTRIB_VOL, 1.5f);
                BASS_StreamPlay(bass, current, 0, 0);
                second = true;
            },
            0);
        bench::pumpuntil(bass, [&] { return second && BASS_ChannelIsActive(bass, current) == 0; });
        SDL_Delay(100);
    }
    const auto tones = fx::findtones(dir / "out.raw");
    if (tones.size() != 2) return -1;
    return (tones[1].start - tones[0].start - tones[0].seconds) * 1000;
}

}  // namespace

int main() {
    for (const fx::AudioFormat format : fx::kAudioFormats) {
        const std::string what =
            std::string("gap ") + fx::extensionfor(format) + " -> " + fx::extensionfor(format);
        bench::figure(what.c_str(), gapms(format, false), "ms", "goal", 1.0);
        bench::figure((what + ", gain on").c_str(), gapms(format, true), "ms", "goal", 1.0);
    }
    return 0;
}
