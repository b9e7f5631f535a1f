// Peak memory (VmHWM) of the real jukebox playing the demo library full-screen at 1920x1080
// under a private X server, beside the audio players a user might run instead: mpv started on
// the same folder and ffplay playing its first MP3, both without video, all three at the same
// time for the same few seconds. The jukebox's share is broken down by where it lives: the GL
// stack that SDL's renderer loads (on an X server without a GPU, Mesa's software rasteriser
// with LLVM), the heap, and the rest. The jukebox runs with the shipped settings that matter
// here: the phone remote on and resume on. With 200,000 files it is measured twice: the first
// start scans and queues them, the second brings the saved queue back.
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

struct Installed {
    fs::path program;
    bn::Env env;
};

// The jukebox installed in `folder` with the shipped settings that weigh on memory (the phone
// remote, resume) on `root`, its state kept in `state`; a free loopback port for the remote.
Installed installdefaults(const fs::path& folder, const fs::path& root, const fs::path& state,
                          const std::string& display) {
    const fs::path program = bn::installjukebox(folder, root);
    std::ofstream(folder / "settings.ini")
        << "[system]\npath=" << root.string() << "\nsavertime=3000\nresume=1\n[cd]\ndevice=none\n"
        << "[remote]\nlisten=127.0.0.1\nport=" << tunedeck::browser::freeport() << "\nmpris=0\n";
    bn::Env env = bn::diskaudio("/dev/null", display);
    env["XDG_STATE_HOME"] = state.string();
    return {program, env};
}

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
        bn::Xvfb x(1920, 1080);
        const Installed app = installdefaults(tmp / "app", demo, tmp / "demostate", x.display());

        bn::Process ours({app.program.string()}, app.env);
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
        // A household's library: 200,000 files queued and indexed, playing at 1920x1080; then
        // started again, its queue restored.
        fx::writetone(tmp / "tone.mp3", fx::AudioFormat::Mp3, {440.0, 120.0});
        fx::linklibrary(tmp / "huge", tmp / "tone.mp3", {5000, 4, 10, 0});
        const Installed huge =
            installdefaults(tmp / "hugeapp", tmp / "huge", tmp / "hugestate", x.display());
        double bigpeak = 0, restoredpeak = 0;
        for (double* measured : {&bigpeak, &restoredpeak}) {
            bn::Process big({huge.program.string()}, huge.env);
            std::this_thread::sleep_for(kWholeScan);
            *measured = big.peakmb();
            if (!big.running())
                std::printf("the jukebox on 200,000 files ended before the measurement\n");
        }
        bn::figure("peak memory, demo library at 1920x1080", peak, "MB", "mpv", mpvpeak);
        bn::figure("peak memory, demo library at 1920x1080", peak, "MB", "ffplay", ffplaypeak);
        std::printf("jukebox now resident: GL stack %.1f MB, heap %.1f MB\n", gl, heap);
        bn::figure("peak memory, 200,000 files queued+indexed", bigpeak, "MB", "ffplay",
                   ffplaypeak);
        bn::figure("peak memory, 200,000 files restored+indexed", restoredpeak, "MB", "ffplay",
                   ffplaypeak);
        bn::goal("peak memory under 64 MB", peak > 0 && peak < 64);
        bn::goal("peak memory with the demo library at most ffplay's",
                 peak > 0 && peak <= ffplaypeak);
        bn::goal("peak memory with 200,000 files at most 100 MB",
                 bigpeak > 0 && restoredpeak > 0 && std::max(bigpeak, restoredpeak) <= 100);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_app_memory: %s\n", error.what());
        return 1;
    }
}
