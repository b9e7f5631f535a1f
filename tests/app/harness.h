// Builds a jukebox on a temporary application folder, offscreen, with SDL's disk audio
// driver writing into the same folder, and drives it through its event queue.
#pragma once

#include <SDL.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "platform/screen/messagebox.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::testing {

namespace fs = std::filesystem;

struct ShownBox {
    std::string title;
    std::string text;
    MessageIcon icon;
};

class RecordingBoxes : public MessageBoxes {
  public:
    void show(const std::string& title, const std::string& text, MessageIcon icon) override {
        shown.push_back({title, text, icon});
    }
    std::vector<ShownBox> shown;
};

class Harness {
  public:
    Harness();
    fs::path root() const { return dir / "music"; }
    // settings.ini with the root, the device and any extra lines for [display] and [system].
    void writesettings(const std::string& device, const std::string& display = "showletters=0",
                       const std::string& system = "");
    // A tone file under the root (folders made as needed).
    fs::path tone(const fs::path& relative, double frequency = 440.0, double seconds = 0.3);
    // Constructs the application and runs start-up.
    Application& start();

    // Pushes a key press through SDL's event queue and lets the application handle it.
    void press(SDL_Keycode key);
    // Handles events until `done` holds or `seconds` pass; false on time-out.
    bool waituntil(const std::function<bool()>& done, double seconds = 20.0);
    // The file SDL's disk driver writes the sound into.
    fs::path audiofile() const { return dir / "audio.raw"; }

    fixtures::TempDir dir;
    RecordingBoxes boxes;
    std::unique_ptr<Application> app;
    bool loaded = false;
};

}  // namespace tunedeck::testing
