// Time from process start to the first sound at the output: the real jukebox binary under a
// private X server, beside `mpv --ao=sdl --no-video` started on the same folder, in the same run.
// Both write through SDL's disk driver into a FIFO; the clock stops when the first sample above
// 1 % of full scale arrives there (one device buffer of the writer, ~12 ms, may be held back by
// its buffered writes). Three libraries: the demo library, a tree of 2,000 folders holding
// 20,000 files, 1,900 of them MP3, and a household's 200,000 MP3 files (5,000 artists of 4
// albums of 10 tracks, hard links to one tone). The last library is measured once more with
// resume on, each start bringing back the queue its first start saved.
#include <algorithm>
#include <string>
#include <thread>

#include "app_bench.h"
#include "engine_bench.h"
#include "tools/fixtures/demo.h"

namespace {

namespace fs = std::filesystem;
namespace fx = tunedeck::fixtures;
namespace bn = tunedeck::bench;

constexpr int kRuns = 5;
constexpr auto kTimeout = std::chrono::seconds(20);

void touch(const fs::path& file) {
    std::ofstream(file, std::ios::binary).flush();
}

// Ten files per folder; in the first 1,900 folders one of them is an MP3, all the MP3s being
// links to one real two-second tone, so either player may start with any of them.
void fillfolder(const fs::path& folder, int index, const fs::path& tone) {
    fs::create_directories(folder);
    static constexpr const char* kOthers[] = {"cover.jpg", "notes.txt", "b.wav", "c.wma", "d.m3u",
                                              "e.flac",    "f.ogg",     "g.WAV", "h.nfo", "i.log"};
    int written = 0;
    if (index < 1900) {
        fs::create_hard_link(tone, folder / ("Track " + std::to_string(index) + ".mp3"));
        ++written;
    }
    for (const char* name : kOthers) {
        if (written == 10) break;
        touch(folder / name);
        ++written;
    }
}

fs::path buildbigtree(const fs::path& root, const fs::path& tone) {
    int index = 0;
    for (int t = 0; t < 40; ++t) {
        const fs::path top = root / ("Artist " + std::to_string(t));
        fillfolder(top, index++, tone);
        for (int s = 0; s < 49; ++s)
            fillfolder(top / ("Album " + std::to_string(s)), index++, tone);
    }
    return root;
}

// Milliseconds from spawning the program to its first sound; negative when none came.
double timefirstsound(const fs::path& fifofile, const std::vector<std::string>& argv,
                      const bn::Env& env) {
    bn::SoundFifo fifo(fifofile);
    const auto start = bn::Clock::now();
    bn::Process program(argv, env);
    const auto first = fifo.firstsound(program, start + kTimeout);
    fifo.closereader();
    program.stop();
    return first ? bn::millis(*first - start) : -1.0;
}

struct Figures {
    double median = -1;
    double best = -1;
};

Figures summarise(std::vector<double> ms) {
    std::erase_if(ms, [](double v) { return v < 0; });
    if (ms.empty()) return {};
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

struct Pair {
    Figures ours;
    Figures mpv;
};

Pair measure(const fs::path& work, const fs::path& root, const std::string& display) {
    const fs::path jukebox = bn::installjukebox(work / "app", root);
    std::vector<double> ours, mpv;
    for (int run = 0; run < kRuns; ++run) {
        const fs::path a = work / ("ours" + std::to_string(run));
        ours.push_back(timefirstsound(a, {jukebox.string()}, bn::diskaudio(a, display)));
        const fs::path b = work / ("mpv" + std::to_string(run));
        mpv.push_back(timefirstsound(
            b, {"mpv", "--no-config", "--really-quiet", "--ao=sdl", "--no-video", root.string()},
            bn::diskaudio(b)));
    }
    return {summarise(ours), summarise(mpv)};
}

// Starts with resume on: a first start saves the scan's whole queue (the scan over, the queue
// written within seconds), then each timed start brings it back.
Pair measurerestored(const fs::path& work, const fs::path& root, const std::string& display) {
    const fs::path jukebox = bn::installjukebox(work / "app", root);
    std::ofstream(work / "app" / "settings.ini")
        << "[system]\npath=" << root.string() << "\nsavertime=3000\nresume=1\n\n[cd]\ndevice=none\n"
        << "\n[remote]\nenabled=0\nmpris=0\n";
    const auto withstate = [&](bn::Env env) {
        env["XDG_STATE_HOME"] = (work / "state").string();
        return env;
    };
    {
        bn::Process first({jukebox.string()}, withstate(bn::diskaudio("/dev/null", display)));
        std::this_thread::sleep_for(std::chrono::seconds(12));
    }
    std::vector<double> ours;
    for (int run = 0; run < kRuns; ++run) {
        const fs::path a = work / ("ours" + std::to_string(run));
        ours.push_back(timefirstsound(a, {jukebox.string()}, withstate(bn::diskaudio(a, display))));
    }
    return {summarise(ours), {}};
}

void report(const char* library, const Pair& pair) {
    const std::string median = std::string("first sound, ") + library + " (median)";
    const std::string best = std::string("first sound, ") + library + " (best)";
    bn::figure(median.c_str(), pair.ours.median, "ms", "mpv", pair.mpv.median);
    bn::figure(best.c_str(), pair.ours.best, "ms", "mpv", pair.mpv.best);
    if (pair.ours.median < 0) std::printf("the jukebox gave no sound with the %s\n", library);
    if (pair.mpv.median < 0) std::printf("mpv gave no sound with the %s\n", library);
}

}  // namespace

int main() {
    try {
        bn::printload("at start");
        fx::TempDir tmp;
        fx::writedemolibrary(tmp / "demo");
        fx::writetone(tmp / "tone.mp3", fx::AudioFormat::Mp3, {440.0, 2.0});
        std::printf("building the tree...\n");
        const fs::path big = buildbigtree(tmp / "big", tmp / "tone.mp3");
        const fs::path hugeroot = bn::bigtree(tmp, 2.0);
        bn::Xvfb x(1280, 720);

        const Pair demo = measure(tmp / "rundemo", tmp / "demo", x.display());
        const Pair tree = measure(tmp / "runbig", big, x.display());
        const Pair huge = measure(tmp / "runhuge", hugeroot, x.display());
        const Pair restored = measurerestored(tmp / "runrestored", hugeroot, x.display());
        report("demo library", demo);
        report("20,000 files", tree);
        report("200,000 files", huge);
        bn::figure("first sound, 200,000 files restored (median)", restored.ours.median, "ms",
                   "mpv", huge.mpv.median);
        bn::printload("at end");
        bn::goal("first sound with the demo library under 150 ms (median)",
                 demo.ours.median >= 0 && demo.ours.median < 150);
        bn::goal("first sound with 20,000 files no later than mpv (median)",
                 tree.ours.median >= 0 && tree.ours.median <= tree.mpv.median);
        bn::goal("first sound with 200,000 files under 150 ms (median)",
                 huge.ours.median >= 0 && huge.ours.median < 150);
        bn::goal("first sound with 200,000 files restored under 150 ms (median)",
                 restored.ours.median >= 0 && restored.ours.median < 150);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_app_startup: %s\n", error.what());
        return 1;
    }
}
