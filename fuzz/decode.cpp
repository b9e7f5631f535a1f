// The audio engine opening arbitrary bytes as a file and decoding it to the end.
#include <SDL.h>

#include "fuzz/fuzz_common.h"
#include "platform/audio/bass.h"
#include "tools/fixtures/fixtures.h"

using namespace tunedeck;

namespace {
fuzzing::fs::path folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = fuzzing::scratchfolder("decode");
    if (std::getenv("TUNEDECK_WRITE_SEEDS")) {
        const fixtures::Tone tone{440, 0.2, 22050, 1, 0.5};
        std::vector<std::string> seeds;
        for (const fixtures::AudioFormat format : fixtures::kAudioFormats) {
            const auto file = folder / (std::string("a.") + fixtures::extensionfor(format));
            fixtures::writetone(file, format, tone);
            seeds.push_back(fuzzing::readfile(file));
        }
        // Headers declaring formats no output plays: a rate of 1.14 GHz, 33 channels.
        fixtures::writepcmwav(folder / "rate.wav", 1'140'000'000, 2, 4096);
        fixtures::writepcmwav(folder / "channels.wav", 44100, 33, 4096);
        seeds.push_back(fuzzing::readfile(folder / "rate.wav"));
        seeds.push_back(fuzzing::readfile(folder / "channels.wav"));
        fuzzing::writeseeds(seeds);
    }
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto file = folder / "input.mp3";
    fuzzing::writefile(file, {reinterpret_cast<const char*>(data), size});
    AudioLibrary bass;
    if (!BASS_Init(bass, -1, 44100, 0, nullptr)) return 0;
    HSTREAM stream = BASS_StreamCreateFile(bass, 0, file.c_str(), 0, 0, 0);
    if (stream && BASS_StreamPlay(bass, stream, 0, 0)) {
        bool ended = false;
        BASS_ChannelSetSync(
            bass, stream, BASS_SYNC_END, 0, [&ended](HSYNC, DWORD, DWORD, DWORD) { ended = true; },
            0);
        // Decoding runs ahead of the output; the input is small, so the end comes quickly.
        SDL_Event event;
        for (int i = 0; i < 150 && !ended; ++i)
            if (SDL_WaitEventTimeout(&event, 5)) BASS_DispatchSyncEvent(bass, event);
    }
    BASS_StreamFree(bass, stream);
    BASS_Free(bass);
    return 0;
}
