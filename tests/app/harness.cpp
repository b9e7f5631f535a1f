#include "harness.h"

#include <cstdlib>
#include <fstream>

namespace tunedeck::testing {

Harness::Harness() {
    fs::create_directories(root());
    setenv("SDL_DISKAUDIOFILE", audiofile().c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
}

void Harness::writesettings(const std::string& device, const std::string& display,
                            const std::string& system) {
    std::ofstream out(dir / "settings.ini", std::ios::binary);
    out << "[display]\n"
        << display << "\n\n[system]\npath=" << root().string() << "\n"
        << system << "\n\n[cd]\ndevice=" << device << "\n";
}

fs::path Harness::tone(const fs::path& relative, double frequency, double seconds) {
    const fs::path file = root() / relative;
    fs::create_directories(file.parent_path());
    fixtures::Tone tone;
    tone.frequency = frequency;
    tone.seconds = seconds;
    const std::string ext = file.extension().string();
    const auto format = ext == ".wav"   ? fixtures::AudioFormat::Wav
                        : ext == ".wma" ? fixtures::AudioFormat::Wma
                                        : fixtures::AudioFormat::Mp3;
    fixtures::writetone(file, format, tone);
    return file;
}

Application& Harness::start() {
    AppOptions options;
    options.appfolder = dir.path();
    options.offscreen = true;
    options.boxes = &boxes;
    app = std::make_unique<Application>(options);
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
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(seconds));
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        app->waitfor(10);
    }
    return true;
}

}  // namespace tunedeck::testing
