// Loudness from file to file with ReplayGain: twelve tones mastered from -30 to -8 LUFS, tagged
// with the gains their own measurement gives, queued and played through the engine in `track`
// and `auto` levelling, in real time; the output of each is measured with FFmpeg's ebur128 filter.
// Figures: the spread of the files' loudness as stored (the reference, 22 LU) and as played, beside
// the goal of at most 1 LU; and the spread with levelling off, which must stay the stored one.
// Then the same files untagged, played once the background measurement has been through them.
// Then the background measurement of a 1,000-file library (hard links to twelve 10 s files) while
// the engine plays in real time and a thread posts keys to the UI loop: the measuring thread's
// CPU seconds; the keys' post-to-take p99 beside the same loop with nothing measured (the
// reference, in the same run); and the gaps in the sound while it ran (the files join without
// a gap, so every tone of the output must be whole: goal 0).
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "audio/loudnessscan.h"
#include "audio/playback.h"
#include "engine_bench.h"

namespace {

namespace fx = tunedeck::fixtures;
namespace fs = std::filesystem;
using namespace tunedeck;

constexpr int kFiles = 12;
constexpr double kSeconds = 2.0;
constexpr int kLibraryFiles = 1000;
constexpr double kLibrarySeconds = 10.0;  // each file of the library

// Integrated loudness (LUFS) of a file FFmpeg reads, or of raw output when `raw`.
double measure(const fs::path& file, bool raw) {
    const fs::path log = file.string() + ".ebur128.txt";
    const std::string input =
        raw ? "-f s16le -ar 44100 -ac 2 -i '" + file.string() + "'" : "-i '" + file.string() + "'";
    const std::string command =
        "ffmpeg -hide_banner -nostats " + input + " -af ebur128 -f null - 2>'" + log.string() + "'";
    if (std::system(command.c_str()) != 0) return NAN;
    std::ifstream in(log);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    // The summary's figure is the last one the filter prints.
    const std::regex integrated(R"(I:\s+(-?[0-9.]+) LUFS)");
    double last = NAN;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), integrated);
         it != std::sregex_iterator(); ++it)
        last = std::stod((*it)[1]);
    return last;
}

double frequency(int i) {
    return 300.0 * std::pow(1.15, i);
}

// Tone i, mastered about -30 + 2i LUFS, in a folder of its own (so `auto` takes the track
// gain), tagged with its track gain to -18 LUFS and its peak when `tagged`.
fs::path makefile(const fx::TempDir& dir, int i, bool tagged, double seconds = kSeconds) {
    const fs::path folder = dir / ((tagged ? "album" : "untagged") + std::to_string(i) + "-" +
                                   std::to_string(int(seconds)));
    fs::create_directories(folder);
    const fs::path file = folder / "track.flac";
    const double amplitude = std::pow(10.0, (-30.0 + 2 * i + 3.0) / 20);
    fx::Tone tone{frequency(i), seconds, 44100, 2, amplitude};
    fx::writetone(file, fx::AudioFormat::Flac, tone);
    if (!tagged) return file;
    const double lufs = measure(file, false);
    char gain[32], peak[32];
    std::snprintf(gain, sizeof gain, "%+.2f dB", -18.0 - lufs);
    std::snprintf(peak, sizeof peak, "%.6f", amplitude);
    tone.tags = {{"REPLAYGAIN_TRACK_GAIN", gain}, {"REPLAYGAIN_TRACK_PEAK", peak}};
    fx::writetone(file, fx::AudioFormat::Flac, tone);
    return file;
}

double spread(const std::vector<double>& values) {
    if (values.size() != kFiles ||
        std::any_of(values.begin(), values.end(), [](double v) { return std::isnan(v); }))
        return NAN;
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    return *hi - *lo;
}

// Plays the queue through Playback as the jukebox does; the loudness of each file as heard.
// With `scan`, files without tags are levelled by what it measured.
std::vector<double> played(const fx::TempDir& dir, const std::vector<fs::path>& files,
                           GainMode mode, std::unique_ptr<LoudnessScan> scan = nullptr) {
    const fs::path out = dir / ("out" + std::to_string(int(mode)) + ".raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    unsetenv("SDL_DISKAUDIODELAY");  // in real time: a faster output would outrun the decoder
    {
        AudioLibrary bass;
        if (!BASS_Init(bass, -1, 44100, 0, nullptr) || !BASS_Start(bass)) return {};
        PlayQueue queue;
        for (const auto& file : files) queue.append(file.filename().string(), file.string());
        Playback playback(bass, queue);
        playback.setlevelling({mode, 0});
        if (scan) playback.measure(std::move(scan));
        if (playback.playfrom(0, +1, false)) return {};
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (std::chrono::steady_clock::now() < end &&
               !(queue.playlistpos == 0 && !playback.active())) {
            SDL_Event event;
            if (SDL_WaitEventTimeout(&event, 2)) playback.dispatch(event);
        }
        SDL_Delay(300);  // the last file's tail plays out
    }
    // The files join without a gap: file i is the stretch kSeconds long from where the first
    // tone starts plus i times that; each is measured on its own, less 0.2 s at either end.
    const auto tones = fx::findtones(out);
    if (tones.empty()) return {};
    std::ifstream in(out, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<double> loudness;
    for (int i = 0; i < kFiles; ++i) {
        const double start = tones[0].start + i * kSeconds;
        const auto first = std::size_t((start + 0.2) * 44100) * 4;
        const auto last = std::min(bytes.size(), std::size_t((start + kSeconds - 0.2) * 44100) * 4);
        if (last <= first) return {};
        const fs::path part = dir / "part.raw";
        std::ofstream(part, std::ios::binary)
            .write(bytes.data() + first, std::streamsize(last - first));
        loudness.push_back(measure(part, true));
    }
    return loudness;
}

std::vector<std::string> strings(const std::vector<fs::path>& files) {
    std::vector<std::string> out;
    for (const auto& file : files) out.push_back(file.string());
    return out;
}

// The untagged files measured in the background, then played.
std::unique_ptr<LoudnessScan> measured(const fx::TempDir& dir, const std::vector<fs::path>& files) {
    auto scan = std::make_unique<LoudnessScan>(dir / "loudness.cache");
    scan->follow(strings(files));
    if (!scan->waitidle(std::chrono::minutes(5))) return nullptr;
    return scan;
}

// The measuring thread's CPU seconds so far (the scheduler's account); -1 when it is not found.
double measuringcpu() {
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/self/task", error)) {
        std::string name;
        std::ifstream(task.path() / "comm") >> name;
        double ns = 0;
        if (name == "loudness" && std::ifstream(task.path() / "schedstat") >> ns) return ns / 1e9;
    }
    return -1;
}

double percentile(std::vector<double> v, double share) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(share * double(v.size())))];
}

struct LibraryRun {
    double cpu = NAN;      // s, of the measuring thread
    double seconds = NAN;  // wall, until the library was measured
    std::size_t measured = 0;
    std::vector<double> keys;  // ms from post to the loop taking it
    int tones = 0;             // whole tones played
    int broken = 0;            // tones cut short or run long: a gap or a stall in the sound
};

// 1,000 hard links to twelve untagged files of kLibrarySeconds, ten folders of a hundred.
std::vector<std::string> library(const fx::TempDir& dir) {
    std::vector<fs::path> files;
    for (int i = 0; i < kFiles; ++i) files.push_back(makefile(dir, i, false, kLibrarySeconds));
    std::vector<std::string> paths;
    for (int i = 0; i < kLibraryFiles; ++i) {
        const fs::path folder = dir / "library" / ("folder" + std::to_string(i / 100));
        fs::create_directories(folder);
        const fs::path link = folder / ("song" + std::to_string(i) + ".flac");
        fs::create_hard_link(files[std::size_t(i % kFiles)], link);
        paths.push_back(link.string());
    }
    return paths;
}

// Plays the twelve tagged files round and round in real time while keys are posted; with
// `paths`, the background measurement goes through them meanwhile, and the run lasts until it is
// done; without, `seconds` long.
LibraryRun playwhile(const fx::TempDir& dir, const std::vector<fs::path>& tagged,
                     const std::vector<std::string>& paths, double seconds) {
    LibraryRun run;
    const fs::path out = dir / (paths.empty() ? "idle.raw" : "measuring.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    unsetenv("SDL_DISKAUDIODELAY");
    const Uint32 keyevent = SDL_RegisterEvents(1);
    {
        AudioLibrary bass;
        if (!BASS_Init(bass, -1, 44100, 0, nullptr) || !BASS_Start(bass)) return run;
        PlayQueue queue;
        for (int pass = 0; pass < 20; ++pass)
            for (const auto& file : tagged) queue.append(file.filename().string(), file.string());
        Playback playback(bass, queue);
        playback.setlevelling({GainMode::Auto, 0});
        if (playback.playfrom(0, +1, false)) return run;
        std::unique_ptr<LoudnessScan> scan;
        const auto start = std::chrono::steady_clock::now();
        if (!paths.empty()) {
            fs::remove(dir / "library.cache");
            scan = std::make_unique<LoudnessScan>(dir / "library.cache");
            scan->follow(paths);
        }
        std::atomic<bool> done{false};
        std::thread keys([&] {
            std::mt19937 random(11);
            std::uniform_int_distribution<int> pause(20, 80);
            while (!done.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
                SDL_Event event{};
                event.type = keyevent;
                event.user.data1 = reinterpret_cast<void*>(intptr_t(
                    std::chrono::steady_clock::now().time_since_epoch().count()));  // nanoseconds
                SDL_PushEvent(&event);
            }
        });
        const auto limit = start + std::chrono::seconds(
                                       paths.empty() ? int(seconds) : int(kFiles * 20 * kSeconds));
        auto nextlook = start;
        while (std::chrono::steady_clock::now() < limit) {
            // Looked at as seldom as the jukebox's tick hands it the queue.
            if (scan && std::chrono::steady_clock::now() >= nextlook) {
                if (scan->waitidle(std::chrono::milliseconds(0))) break;
                nextlook += std::chrono::milliseconds(250);
            }
            SDL_Event event;
            if (!SDL_WaitEventTimeout(&event, 2)) continue;
            if (event.type == keyevent) {
                const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
                run.keys.push_back(double(now - reinterpret_cast<intptr_t>(event.user.data1)) /
                                   1e6);
            } else {
                playback.dispatch(event);
            }
        }
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (scan) {
            run.cpu = measuringcpu();
            run.measured = scan->measuredcount();
        }
        done.store(true);
        keys.join();
    }
    // Every tone but the first and the one cut at the end is whole: kSeconds long, to 20 ms.
    const auto tones = fx::findtones(out);
    for (std::size_t i = 1; i + 1 < tones.size(); ++i) {
        ++run.tones;
        if (std::fabs(tones[i].seconds - kSeconds) > 0.02) ++run.broken;
    }
    return run;
}

}  // namespace

int main() {
    fx::TempDir dir;
    std::vector<fs::path> files;
    std::vector<fs::path> untagged;
    std::vector<double> stored;
    for (int i = 0; i < kFiles; ++i) {
        files.push_back(makefile(dir, i, true));
        untagged.push_back(makefile(dir, i, false));
        stored.push_back(measure(files.back(), false));
    }
    const double reference = spread(stored);
    bench::figure("loudness spread of the files as stored", reference, "LU", "mastered", 22.0);
    bench::figure("loudness spread played, tagged, track",
                  spread(played(dir, files, GainMode::Track)), "LU", "goal", 1.0);
    bench::figure("loudness spread played, tagged, auto",
                  spread(played(dir, files, GainMode::Auto)), "LU", "goal", 1.0);
    bench::figure("loudness spread played, levelling off",
                  spread(played(dir, files, GainMode::Off)), "LU", "stored", reference);
    bench::figure("loudness spread played, untagged, measured",
                  spread(played(dir, untagged, GainMode::Auto, measured(dir, untagged))), "LU",
                  "goal", 1.0);

    const auto paths = library(dir);
    const LibraryRun measuring = playwhile(dir, files, paths, 0);
    const LibraryRun idle = playwhile(dir, files, {}, measuring.seconds);
    std::printf("background measurement: %zu of %d files in %.1f s while playing\n",
                measuring.measured, kLibraryFiles, measuring.seconds);
    bench::figure("CPU of measuring 1,000 files", measuring.cpu, "s", "wall", measuring.seconds);
    const double hours = kLibraryFiles * kLibrarySeconds / 3600;
    bench::figure("CPU of measuring an hour of music", measuring.cpu / hours, "s", "an hour", 3600);
    bench::figure("key to loop p99 while measuring", percentile(measuring.keys, 0.99), "ms",
                  "not measuring", percentile(idle.keys, 0.99));
    bench::figure("tones cut or stalled while measuring", measuring.broken, "", "tones played",
                  measuring.tones);
    bench::figure("tones cut or stalled, not measuring", idle.broken, "", "tones played",
                  idle.tones);
    return 0;
}
