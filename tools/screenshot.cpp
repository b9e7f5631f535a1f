// Renders the list view and the letter grid of a demo-like library offscreen and writes them as
// PNG pictures: tunedeck-screenshot <output folder> [width height].
#include <SDL_image.h>

#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/screen/screen.h"
#include "view/view.h"

namespace fs = std::filesystem;
using namespace tunedeck;

namespace {

// A cover picture: warm sunset colours with rings, written as a JPEG.
void writecoverart(const fs::path& file) {
    constexpr int kSide = 240;
    SdlSurface s = makesurface(kSide, kSide);
    auto* px = static_cast<uint32_t*>(s->pixels);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            double t = static_cast<double>(y) / kSide;
            double d = std::hypot(x - kSide * 0.5, y - kSide * 0.62) / kSide;
            double ring = 0.5 + 0.5 * std::cos(d * 40);
            int r = static_cast<int>(250 - 60 * t), g = static_cast<int>(120 + 80 * (1 - t) * ring);
            int b = static_cast<int>(60 + 140 * t);
            if (d < 0.18) r = 255, g = 230, b = 120;
            px[y * (s->pitch / 4) + x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    if (IMG_SaveJPG(s.get(), file.c_str(), 90) != 0)
        std::fprintf(stderr, "cannot write %s: %s\n", file.c_str(), IMG_GetError());
}

void fillstatus(MainScreen& f) {
    f.lblTrack.caption = "Aurora Lane - Northern Lights";
    f.lblState.caption = "01:42 / 04:05";
    f.lblPlaylist.caption = "Playlist Item 3 of 12 (Next: Aurora Lane - Frost on the Window)";
    f.lblTime.caption = "Sun 6 Dec  21:30:15";
}

void filllist(BrowseState& b, PlayQueue& q, const fs::path& folder) {
    const char* names[][2] = {
        {"Bonus Tracks", "0"},      {"Live in Oslo", "0"},
        {"Northern Lights", "1"},   {"Frost on the Window", "1"},
        {"Midnight Sun", "1"},      {"Harbour Lights", "1"},
        {"Polar Drift", "1"},       {"Long Winter Night", "1"},
        {"Road Trip Mix.m3u", "2"}, {"Fjord Echoes", "1"},
        {"Glacier Blue", "1"},      {"Aurora Reprise", "1"},
        {"Snowfall", "1"},
    };
    b.itemcount = 0;
    for (auto& [name, kind] : names) {
        ++b.itemcount;
        b.items[static_cast<std::size_t>(b.itemcount)] = {name, (folder / name).string(), kind};
    }
    b.page = 1;
    b.row = 3;
    q.append("Northern Lights", (folder / "Northern Lights").string());
    q.append("Polar Drift", (folder / "Polar Drift").string());
    q.append("Frost on the Window", (folder / "Frost on the Window").string());
}

void fillletters(BrowseState& b) {
    const std::string letters = "#ABCDEFGHIJKLMNOPRSTVW";
    b.itemcount = 0;
    for (char c : letters) {
        ++b.itemcount;
        b.items[static_cast<std::size_t>(b.itemcount)] = {std::string(1, c), "", kKindLetter};
    }
    b.row = 7;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: tunedeck-screenshot <output folder> [width height]\n", stderr);
        return 2;
    }
    fs::path out = argv[1];
    int width = argc >= 4 ? std::atoi(argv[2]) : 1280;
    int height = argc >= 4 ? std::atoi(argv[3]) : 720;
    try {
        fs::create_directories(out);
        fs::path library =
            fs::temp_directory_path() / ("tunedeck-shot-" + std::to_string(getpid()));
        fs::create_directories(library);
        writecoverart(library / "Cover.JPG");

        Screen screen = Screen::offscreen(width, height);
        MainScreen form(screen);
        auto browse = std::make_unique<BrowseState>();
        auto queue = std::make_unique<PlayQueue>();
        View view{form, *browse, *queue, DisplaySettings{}};
        startuplayout(view);
        fillstatus(form);

        filllist(*browse, *queue, library);
        renderitems(view, library);
        renderhighlight(view);
        rendertitle(view, "Aurora Lane");
        bool ok = screen.savepng(out / "list-view.png");

        fillletters(*browse);
        renderletters(view);
        renderhighlight(view);
        rendertitle(view, "Tunedeck Home");
        ok = screen.savepng(out / "letter-grid.png") && ok;
        fs::remove_all(library);
        if (!ok) std::fputs("could not write the pictures\n", stderr);
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tunedeck-screenshot: %s\n", e.what());
        return 1;
    }
}
