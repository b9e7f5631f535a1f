// A jukebox on a temporary application folder, offscreen, with SDL's disk audio driver writing
// into the same folder, and the checks the fault tests share.
#pragma once

#include <SDL.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::faults {

namespace fs = std::filesystem;
namespace fx = tunedeck::fixtures;

struct RecordingBoxes : MessageBoxes {
    void show(const std::string& title, const std::string& text, MessageIcon) override {
        shown.push_back(title + ": " + text);
    }
    std::vector<std::string> shown;
};

struct Jukebox {
    // realtime: the disk driver writes at the pace of a sound card.
    explicit Jukebox(bool realtime = false);
    fs::path root() const { return dir / "music"; }
    fs::path audiofile() const { return dir / "audio.raw"; }
    void writesettings(const std::string& device, const std::string& display = "showletters=0");
    // An MP3 (or WAV, by its extension) tone under the root.
    void tone(const fs::path& relative, double frequency, double seconds = 0.3);
    void disc(int tracks, double seconds);
    Application& start();
    void press(int16_t key);
    bool waituntil(const std::function<bool()>& done, double seconds = 20.0);
    DWORD active();
    // Tones heard so far, in order, longer than `minimum` seconds.
    std::vector<fx::ToneSegment> heard(double minimum = 0.05);

    fx::TempDir dir;
    RecordingBoxes boxes;
    std::unique_ptr<Application> app;
    bool loaded = false;
};

// The browsing and queue invariants that must hold after any key; empty when they do,
// otherwise what is wrong.
std::string checkstate(Application& app);

}  // namespace tunedeck::faults
