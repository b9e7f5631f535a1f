// Listing a folder of 20,000 music files (hard links to one short file): the folder read, the
// names made and sorted by collation, the item table filled. Reported beside a reference
// measured in the same run: the same folder read with std::filesystem and its names sorted
// bytewise. Median of several runs, wall-clock (other processes share the machine).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "browse/listing.h"

using namespace tunedeck;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kEntries = 20000;
constexpr int kRuns = 7;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A folder of kEntries hard links to one small file, under a fresh temporary root.
fs::path makefolder(const fs::path& root) {
    const fs::path folder = root / "Singles";
    fs::create_directories(folder);
    const fs::path source = root / "source.mp3";
    std::ofstream(source) << std::string(4096, '\0');
    for (int i = 0; i < kEntries; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "Artist %d - Track %05d.mp3", (i * 7919) % 997, i);
        fs::create_hard_link(source, folder / name);
    }
    return folder;
}

}  // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "tunedeck-listing-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path root = pattern;
    const fs::path folder = makefolder(root);

    std::vector<double> listing, reference;
    std::size_t items = 0;
    for (int run = 0; run < kRuns; ++run) {
        auto t0 = Clock::now();
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        reference.push_back(ms(Clock::now() - t0));

        FolderLists folders;
        BrowseState state;
        t0 = Clock::now();
        folders.setpath(folder.string());
        createfolderitems(state, folders, {root.string(), false}, 11);
        listing.push_back(ms(Clock::now() - t0));
        items = static_cast<std::size_t>(state.itemcount());
    }
    fs::remove_all(root);
    const double l = median(listing), r = median(reference);
    std::printf("listing a folder of %d files (%zu items): median %.1f ms (goal <= 100 ms)\n",
                kEntries, items, l);
    std::printf("reference (std::filesystem read + bytewise sort): median %.1f ms; ratio %.1f\n", r,
                l / r);
    return 0;
}
