// Renders the list view and the letter grid of a demo-like library (real folders, listed as the
// jukebox lists them) offscreen and writes them as PNG pictures:
// tunedeck-screenshot <output folder> [width height].
#include <SDL_image.h>

#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "browse/listing.h"
#include "platform/folders/folderlists.h"
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

void touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).flush();
}

void fillstatus(MainScreen& f) {
    f.lblTrack.caption = "Aurora Lane - \u00C9lan Vital";
    f.lblState.caption = "01:42 / 04:05";
    f.lblPlaylist.caption = "Playlist Item 1 of 3 (Next: Aurora Lane - Frost on the Window)";
    f.lblTime.caption = "Sun 6 Dec  21:30:15";
}

// An album folder listed as the jukebox lists it: accented names sorted among the others.
void filllist(BrowseState& b, PlayQueue& q, const fs::path& album) {
    for (const char* folder : {"Bonus Tracks", "Live in \u00D8stersund"})
        fs::create_directories(album / folder);
    for (const char* file :
         {"\u00C5rstider.mp3", "Caf\u00E9 Nordlys.mp3", "\u00C9lan Vital.mp3",
          "Fj\u00E4rran Fyr.mp3", "Frost on the Window.mp3", "Harbour Lights.mp3",
          "\u0141\u00F3d\u017A by Night.mp3", "Midnight Sun.mp3", "Northern Lights.mp3",
          "\u00D8resund Bridge.mp3", "Polar Drift.mp3", "Road Trip Mix.m3u", "Snowfall.mp3"})
        touch(album / file);
    FolderLists folders;
    folders.setpath(album.string());
    createfolderitems(b, folders, {album.parent_path().string(), 0}, 11);
    b.page = 1;
    b.row = 5;
    for (const char* name : {"\u00C9lan Vital", "Frost on the Window", "Northern Lights"})
        q.append(name, (album / (std::string(name) + ".mp3")).string());
}

// The letter grid of a root of artists from many countries: accented initials under their base
// letters, a Cyrillic and a digit initial under "#".
void fillletters(BrowseState& b, const fs::path& root) {
    for (const char* artist : {"\u00C6r\u00F8sk\u00F8bing Brass",
                               "Aurora Lane",
                               "B\u00F8lgen",
                               "Camille Dubois",
                               "D\u017Cem Sesja",
                               "\u00C9mile Renaud",
                               "Fjordlys",
                               "G\u00E5smamma",
                               "H\u00E9l\u00E8ne Marchand",
                               "\u00CDsold",
                               "J\u00FCrgen Wei\u00DF",
                               "K\u00E5re Lunde",
                               "\u0141ucja Nowak",
                               "M\u00F6rk Skog",
                               "No\u00EBl Laurent",
                               "\u00D8ystein Dahl",
                               "P\u00E1l Szab\u00F3",
                               "Ruth \u00D6dman",
                               "S\u00F8ren Lykke",
                               "Tomasz \u017Bak",
                               "\u00DCber Nacht",
                               "V\u00E5r",
                               "Wiktor \u015Acibor",
                               "Zo\u00EB Fontaine",
                               "10 000 Lakes",
                               "\u0416\u0430\u043D\u043D\u0430 \u0421\u0435\u0432\u0435\u0440"})
        fs::create_directories(root / artist);
    FolderLists folders;
    folders.setpath(root.string());
    createletterindex(b, folders, {root.string(), 0}, 11);
    b.row = 5;
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
        const fs::path album = library / "Aurora Lane";
        fs::create_directories(album);
        writecoverart(album / "Cover.JPG");

        Screen screen = Screen::offscreen(width, height);
        MainScreen form(screen);
        auto browse = std::make_unique<BrowseState>();
        auto queue = std::make_unique<PlayQueue>();
        View view{form, *browse, *queue, DisplaySettings{}};
        startuplayout(view);
        fillstatus(form);

        filllist(*browse, *queue, album);
        renderitems(view, album);
        renderhighlight(view);
        rendertitle(view, "Aurora Lane");
        bool ok = screen.savepng(out / "list-view.png");

        fillletters(*browse, library);
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
