// Soak run: the jukebox plays the demo library offscreen for 30 minutes of sounding audio
// through SDL's disk driver (faster than real time), with a random key every second of output
// and the tick after it. Resident memory and open descriptors are sampled every minute of
// output and must stay flat; every end of a stream must move the queue exactly once.
// Prints the samples and a verdict; exits 1 on failure.
//   tunedeck-soak [minutes of sounding audio, default 30] [seed]
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <random>
#include <string>

#include "app/application.h"
#include "tools/fixtures/demo.h"
#include "tools/fixtures/fixtures.h"
#include "tools/soak_check.h"
#include "tools/soak_tap.h"

namespace tunedeck::soak {
namespace {

namespace fs = std::filesystem;

struct SilentBoxes : MessageBoxes {
    void show(const std::string& title, const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "message box: %s: %s\n", title.c_str(), text.c_str());
        ++shown;
    }
    int shown = 0;
};

void writesettings(const fs::path& folder, const fs::path& music) {
    std::ofstream(folder / "settings.ini")
        << "[display]\nshowletters=0\n[system]\npath=" << music.string() << "\n[cd]\ndevice=none\n";
}

// Every key the handler knows except the two that end the program, and a few it ignores.
int16_t randomkey(std::mt19937& random) {
    static constexpr int16_t kKeys[] = {13, 32, 37, 38, 39, 40, 65, 67, 68,
                                        69, 76, 78, 80, 83, 85, 90, 48, 112};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kKeys) - 1);
    return kKeys[pick(random)];
}

struct Run {
    double minutes = 30;
    uint32_t seed = 12345;
};

int soak(const Run& run) {
    fixtures::TempDir dir;
    fixtures::writedemolibrary(dir / "music");
    writesettings(dir.path(), dir / "music");
    AudioTap tap(dir / "audio.pipe");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_DISKAUDIOFILE", tap.pipe().c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);  // about ten times real time

    SilentBoxes boxes;
    Verdict verdict;
    {
        Application app(AppOptions{dir.path(), true, 1024, 768, &boxes});
        if (!app.Form_Load()) {
            std::printf("start-up failed: %s\n", app.endreason().c_str());
            return 1;
        }
        Driver driver(app, tap, verdict);
        std::mt19937 random(run.seed);
        driver.loop(run.minutes * 60, [&] { app.keydown(randomkey(random)); });
        if (boxes.shown > 0) verdict.fail("message boxes were shown");
    }
    return verdict.report(tap);
}

}  // namespace
}  // namespace tunedeck::soak

int main(int argc, char** argv) {
    tunedeck::soak::Run run;
    if (argc > 1) run.minutes = std::atof(argv[1]);
    if (argc > 2) run.seed = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
    if (!(run.minutes > 0)) {
        std::fprintf(stderr, "usage: tunedeck-soak [minutes] [seed]\n");
        return 2;
    }
    try {
        return tunedeck::soak::soak(run);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "soak: %s\n", e.what());
        return 1;
    }
}
