// Folder scan speed: the walk of a generated tree of 2,000 folders and 20,000 files (1,900 of
// them MP3) with the real audio library on SDL's dummy driver, beside
// `find ROOT -iname '*.mp3' | sort -f` on the same tree in the same run. The first MP3 is a
// real tone, so playback starts during the walk as it does at start-up; the other files are
// empty, since the walk never opens them.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "audio/playback.h"
#include "audio/queue.h"
#include "browse/scan.h"
#include "platform/audio/bass.h"
#include "platform/folders/folderlists.h"
#include "tools/fixtures/fixtures.h"

namespace {

namespace fs = std::filesystem;
namespace fx = tunedeck::fixtures;

constexpr int kTopFolders = 40;
constexpr int kSubfolders = 49;  // 40 + 40 * 49 = 2,000 folders
constexpr int kFilesPerFolder = 10;
constexpr int kMp3Folders = 1900;
constexpr int kRuns = 3;

void touch(const fs::path& file) {
    std::ofstream(file, std::ios::binary).flush();
}

// Ten files per folder; the first 1,900 folders hold one MP3 each.
void fillfolder(const fs::path& folder, int index) {
    fs::create_directories(folder);
    static constexpr const char* kOthers[] = {"cover.jpg", "notes.txt", "b.wav", "c.wma", "d.m3u",
                                              "e.flac",    "f.ogg",     "g.WAV", "h.nfo", "i.log"};
    int written = 0;
    if (index < kMp3Folders) {
        touch(folder / ("Track " + std::to_string(index) + ".mp3"));
        ++written;
    }
    for (const char* name : kOthers) {
        if (written == kFilesPerFolder) break;
        touch(folder / name);
        ++written;
    }
}

fs::path buildtree(const fs::path& root) {
    int index = 0;
    for (int t = 0; t < kTopFolders; ++t) {
        const fs::path top = root / ("Artist " + std::to_string(t));
        fillfolder(top, index++);
        for (int s = 0; s < kSubfolders; ++s)
            fillfolder(top / ("Album " + std::to_string(s)), index++);
    }
    return root;
}

double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double timescan(const fs::path& root, int& queued) {
    tunedeck::AudioLibrary bass;
    if (!tunedeck::BASS_Init(bass, -1, 44100, 25u << 16, nullptr) || !tunedeck::BASS_Start(bass))
        std::fprintf(stderr, "audio library did not start; playback start not measured\n");
    tunedeck::PlayQueue queue;
    tunedeck::Playback playback(bass, queue);
    tunedeck::FolderLists folders;
    const tunedeck::ScanPlayer player{
        [&] { return tunedeck::BASS_ChannelIsActive(bass, queue.stream) != 0; },
        [&](const std::string& path) { return playback.playfile(path); }};
    const auto start = std::chrono::steady_clock::now();
    tunedeck::scanfolders(folders, queue, root.string(), {root.string(), 1},
                          tunedeck::ScanFormats("mp3"), player);
    const double elapsed = seconds(std::chrono::steady_clock::now() - start);
    queued = queue.playlistcount;
    tunedeck::BASS_Free(bass);
    return elapsed;
}

double timefind(const fs::path& root, int& lines) {
    const std::string command = "find '" + root.string() + "' -iname '*.mp3' | sort -f";
    const auto start = std::chrono::steady_clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    lines = 0;
    if (pipe == nullptr) return 0;
    for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe))
        if (c == '\n') ++lines;
    pclose(pipe);  // the exit status of a finished pipeline does not change the timing
    return seconds(std::chrono::steady_clock::now() - start);
}

}  // namespace

int main() {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    fx::TempDir tmp;
    std::printf("building the tree...\n");
    const fs::path root = buildtree(tmp / "music");
    // The first file the walk queues is the deepest first folder's MP3: make it a real tone.
    const fs::path first = root / "Artist 0" / "Album 0" / "Track 1.mp3";
    fx::writetone(first, fx::AudioFormat::Mp3, {440.0, 30.0});
    const int totalfiles = kTopFolders * (kSubfolders + 1) * kFilesPerFolder;

    double bestscan = 1e9, bestfind = 1e9;
    int queued = 0, found = 0;
    for (int run = 0; run < kRuns; ++run) {
        bestscan = std::min(bestscan, timescan(root, queued));
        bestfind = std::min(bestfind, timefind(root, found));
    }
    std::printf("tree: %d folders, %d files, %d MP3\n", kTopFolders * (kSubfolders + 1), totalfiles,
                kMp3Folders);
    std::printf("scan (playback start included): %.3f s, %.0f files/s, %d queued\n", bestscan,
                totalfiles / bestscan, queued);
    std::printf("find -iname '*.mp3' | sort -f:  %.3f s, %.0f files/s, %d found\n", bestfind,
                totalfiles / bestfind, found);
    std::printf("ratio scan/find: %.2f\n", bestscan / bestfind);
    return 0;
}
