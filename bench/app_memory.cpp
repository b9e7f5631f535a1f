// Peak memory (VmHWM) of the real jukebox playing the demo library full-screen at 1920x1080
// under a private X server, beside the audio players a user might run instead: mpv started on
// the same folder and ffplay playing its first MP3, both without video, all three at the same
// time for the same few seconds. The jukebox's share is broken down by where it lives: the GL
// stack that SDL's renderer loads (on an X server without a GPU, Mesa's software rasteriser
// with LLVM), the heap, and the rest.
#include <algorithm>
#include <fstream>
#include <string>
#include <thread>

#include "app_bench.h"
#include "engine_bench.h"
#include "tools/browser/webdriver.h"
#include "tools/fixtures/demo.h"

namespace {

namespace fs = std::filesystem;
namespace fx = tunedeck::fixtures;
namespace bn = tunedeck::bench;

constexpr auto kPlaying = std::chrono::seconds(8);
constexpr auto kWholeScan = std::chrono::seconds(40);  // the scan of 200,000 files is long done

fs::path firstmp3(const fs::path& root) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.path().extension() == ".mp3") found.push_back(entry.path());
    if (found.empty()) throw std::runtime_error("the demo library holds no MP3");
    return *std::min_element(found.begin(), found.end());
}

}  // namespace

int main() {
    try {
        fx::TempDir tmp;
        const fs::path demo = tmp / "demo";
        fx::writedemolibrary(demo);
        const fs::path jukebox = bn::installjukebox(tmp / "app", demo);
        bn::Xvfb x(1920, 1080);

        bn::Process ours({jukebox.string()}, bn::diskaudio("/dev/null", x.display()));
        bn::Process mpv(
            {"mpv", "--no-config", "--really-quiet", "--ao=sdl", "--no-video", demo.string()},
            bn::diskaudio("/dev/null"));
        bn::Process ffplay({"ffplay", "-loglevel", "quiet", "-nodisp", firstmp3(demo).string()},
                           bn::diskaudio("/dev/null"));
        std::this_thread::sleep_for(kPlaying);
        const double peak = ours.peakmb();
        const double mpvpeak = mpv.peakmb();
        const double ffplaypeak = ffplay.peakmb();
        if (!ours.running()) std::printf("the jukebox ended before the measurement\n");
        const double gl = ours.residentmb("libLLVM") + ours.residentmb("/dri/") +
                          ours.residentmb("libGL") + ours.residentmb("libgallium");
        const double heap = ours.residentmb("[heap]");

        mpv.stop();
        ffplay.stop();
        ours.stop();
        // A household's library: 200,000 files queued and indexed (the phone remote is on by
        // default), playing at 1920x1080.
        fx::writetone(tmp / "tone.mp3", fx::AudioFormat::Mp3, {440.0, 120.0});
        fx::linklibrary(tmp / "huge", tmp / "tone.mp3", {5000, 4, 10, 0});
        const fs::path hugebox = bn::installjukebox(tmp / "hugeapp", tmp / "huge");
        std::ofstream(tmp / "hugeapp" / "settings.ini")
            << "[system]\npath=" << (tmp / "huge").string()
            << "\nsavertime=3000\n[cd]\ndevice=none\n[remote]\nlisten=127.0.0.1\nport="
            << tunedeck::browser::freeport() << "\nmpris=0\n";
        bn::Env hugeenv = bn::diskaudio("/dev/null", x.display());
        hugeenv["XDG_STATE_HOME"] = (tmp / "state").string();
        bn::Process big({hugebox.string()}, hugeenv);
        std::this_thread::sleep_for(kWholeScan);
        const double bigpeak = big.peakmb();
        if (!big.running())
            std::printf("the jukebox on 200,000 files ended before the measurement\n");

        bn::figure("peak memory, demo library at 1920x1080", peak, "MB", "mpv", mpvpeak);
        bn::figure("peak memory, demo library at 1920x1080", peak, "MB", "ffplay", ffplaypeak);
        std::printf("jukebox now resident: GL stack %.1f MB, heap %.1f MB\n", gl, heap);
        bn::figure("peak memory, 200,000 files queued+indexed", bigpeak, "MB", "ffplay",
                   ffplaypeak);
        bn::goal("peak memory under 64 MB", peak > 0 && peak < 64);
        bn::goal("peak memory with 200,000 files at most 100 MB", bigpeak > 0 && bigpeak <= 100);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_app_memory: %s\n", error.what());
        return 1;
    }
}
