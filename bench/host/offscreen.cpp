// The jukebox as the program runs it, but drawing offscreen at a size given on the command line:
// SDL's offscreen video driver offers a 1024x768 display only, and the benchmarks measure the
// application at television sizes on a driver without an event wait of its own. Reads the
// settings.ini beside this executable, like the program.
// Usage: tunedeck-offscreen WIDTH HEIGHT
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/application.h"
#include "platform/lib/sdl/sdl.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tunedeck-offscreen WIDTH HEIGHT\n");
        return 2;
    }
    std::setlocale(LC_TIME, "");
    std::setlocale(LC_CTYPE, "");
    try {
        // The video driver SDL_VIDEODRIVER names is up, as it is for the program's window.
        const tunedeck::SdlInit video = tunedeck::startsdl(SDL_INIT_VIDEO);
        tunedeck::AppOptions options;
        options.appfolder = tunedeck::applicationfolder();
        options.offscreen = true;
        options.widthpx = std::atoi(argv[1]);
        options.heightpx = std::atoi(argv[2]);
        options.remote = true;
        tunedeck::Application app(options);
        if (!app.Form_Load()) return app.exitstatus();
        return app.run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tunedeck-offscreen: %s\n", error.what());
        return 1;
    }
}
