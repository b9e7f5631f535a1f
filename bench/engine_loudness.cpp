// Loudness from file to file with ReplayGain: twelve tones mastered from -30 to -8 LUFS, tagged
// with the gains their own measurement gives, queued and played through the engine in `track`
// and `auto` levelling, in real time; the output of each is measured with FFmpeg's ebur128 filter.
// Figures: the spread of the files' loudness as stored (the reference, 22 LU) and as played, beside
// the goal of at most 1 LU; and the spread with levelling off, which must stay the stored one.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "audio/playback.h"
#include "engine_bench.h"

namespace {

namespace fx = tunedeck::fixtures;
namespace fs = std::filesystem;
using namespace tunedeck;

constexpr int kFiles = 12;
constexpr double kSeconds = 2.0;

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
// gain), tagged with its track gain to -18 LUFS and its peak.
fs::path makefile(const fx::TempDir& dir, int i) {
    const fs::path folder = dir / ("album" + std::to_string(i));
    fs::create_directories(folder);
    const fs::path file = folder / "track.flac";
    const double amplitude = std::pow(10.0, (-30.0 + 2 * i + 3.0) / 20);
    fx::Tone tone{frequency(i), kSeconds, 44100, 2, amplitude};
    fx::writetone(file, fx::AudioFormat::Flac, tone);
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
std::vector<double> played(const fx::TempDir& dir, const std::vector<fs::path>& files,
                           GainMode mode) {
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

}  // namespace

int main() {
    fx::TempDir dir;
    std::vector<fs::path> files;
    std::vector<double> stored;
    for (int i = 0; i < kFiles; ++i) {
        files.push_back(makefile(dir, i));
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
    return 0;
}
