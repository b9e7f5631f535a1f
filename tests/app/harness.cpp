#include "harness.h"

#include <chrono>
#include <cstdlib>
#include <fstream>

namespace tunedeck::testing {

Harness::Harness() {
    fs::create_directories(root());
    setenv("SDL_DISKAUDIOFILE", (dir / "audio.raw").c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
}

void Harness::writesettings(const std::string& device, const std::string& display,
                            const std::string& system) {
    std::ofstream(dir / "settings.ini") << "[display]\n"
                                        << display << "\n[system]\npath=" << root().string() << "\n"
                                        << system << "\n[cd]\ndevice=" << device << "\n";
}

void Harness::tone(const fs::path& relative, double seconds, double frequency) {
    const fs::path file = root() / relative;
    fs::create_directories(file.parent_path());
    const std::string extension = file.extension().string();
    const auto format = fixtures::formatforextension(extension.empty() ? "" : extension.substr(1));
    fixtures::writetone(file, format.value_or(fixtures::AudioFormat::Mp3),
                        fixtures::Tone{frequency, seconds});
}

void Harness::disc(const std::vector<fixtures::CdTrack>& tracks, const std::string& display) {
    fixtures::writecdimage(dir / "disc.cue", tracks);
    writesettings((dir / "disc.cue").string(), display);
}

void Harness::disc(int tracks, double seconds, const std::string& display) {
    disc(std::vector<fixtures::CdTrack>(tracks, fixtures::CdTrack{seconds, 440.0, false}), display);
}

Application& Harness::start() {
    app = std::make_unique<Application>(AppOptions{dir.path(), true, 1024, 768, &boxes});
    loaded = app->Form_Load();
    return *app;
}

void Harness::press(SDL_Keycode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    SDL_PushEvent(&event);
    app->pump();
}

bool Harness::waituntil(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        app->waitfor(10);
    }
    return true;
}

}  // namespace tunedeck::testing
