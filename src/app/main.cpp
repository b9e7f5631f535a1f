// Entry point of the jukebox: the application reads settings.ini beside the executable.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/application.h"

int main() {
    // The jukebox takes key presses, never typed text: without this, X's input method would
    // parse the locale's compose table (thousands of lines, about 10 ms) at every start. A
    // table the user named is kept. Set before any thread runs.
    setenv("XCOMPOSEFILE", "/dev/null", 0);
    std::setlocale(LC_TIME, "");   // the clock shows the locale's date and time formats
    std::setlocale(LC_CTYPE, "");  // case changes of names work per code point
    try {
        tunedeck::AppOptions options;
        options.appfolder = tunedeck::applicationfolder();
        options.remote = true;
        tunedeck::Application app(options);
        if (!app.Form_Load()) {
            if (!app.endreason().empty())
                std::fprintf(stderr, "tunedeck: %s\n", app.endreason().c_str());
            return app.exitstatus();
        }
        return app.run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tunedeck: %s\n", error.what());
        return 1;
    }
}
