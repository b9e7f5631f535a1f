#include "harness.h"

#include <chrono>
#include <cstdlib>
#include <fstream>

namespace tunedeck::testing {

Harness::Harness(bool realtime) {
    fs::create_directories(root());
    setenv("SDL_DISKAUDIOFILE", audiofile().c_str(), 1);
    if (realtime)
        unsetenv("SDL_DISKAUDIODELAY");
    else
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
    const auto format = fx::formatforextension(extension.empty() ? "" : extension.substr(1));
    fx::writetone(file, format.value_or(fx::AudioFormat::Mp3), fx::Tone{frequency, seconds});
}

void Harness::disc(const std::vector<fx::CdTrack>& tracks, const std::string& display) {
    fx::writecdimage(dir / "disc.cue", tracks);
    writesettings((dir / "disc.cue").string(), display);
}

void Harness::disc(int tracks, double seconds, const std::string& display) {
    disc(std::vector<fx::CdTrack>(tracks, fx::CdTrack{seconds, 440.0, false}), display);
}

Application& Harness::start(bool remote) {
    AppOptions options{dir.path(), true, 1024, 768, &boxes};
    options.statefolder = statefolder();
    options.remote = remote;
    app = std::make_unique<Application>(options);
    loaded = app->Form_Load();
    settle();
    return *app;
}

void Harness::settle() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!app->ended() && app->scanning() && std::chrono::steady_clock::now() < deadline)
        app->waitfor(5);
}

void Harness::press(SDL_Keycode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    SDL_PushEvent(&event);
    app->pump();
    settle();
}

void Harness::key(int16_t code) {
    app->keydown(code);
    app->pump();
    settle();
}

bool Harness::waituntil(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        app->waitfor(5);
    }
    return true;
}

std::vector<fx::ToneSegment> Harness::heard(double minimum) const {
    std::vector<fx::ToneSegment> out;
    for (const fx::ToneSegment& s : fx::findtones(audiofile()))
        if (s.seconds >= minimum) out.push_back(s);
    return out;
}

}  // namespace tunedeck::testing
