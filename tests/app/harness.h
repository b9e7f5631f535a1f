// A jukebox on a temporary application folder, offscreen, with SDL's disk audio driver writing
// into the same folder, driven through its event queue or its key handler. Shared by the
// application, fault and remote tests.
#pragma once

#include <SDL.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::testing {

namespace fs = std::filesystem;
namespace fx = tunedeck::fixtures;

struct RecordingBoxes : MessageBoxes {
    void show(const std::string& title, const std::string& text, MessageIcon icon) override {
        shown.push_back({title, text, std::to_string(static_cast<int>(icon))});
    }
    std::vector<std::vector<std::string>> shown;  // title, text, icon
};

struct Harness {
    // realtime: the disk driver writes at the pace of a sound card, for tests whose keys must
    // meet a file still playing or whose tones must not be split by an underrun.
    explicit Harness(bool realtime = false);
    fs::path root() const { return dir / "music"; }
    fs::path audiofile() const { return dir / "audio.raw"; }
    // Where the jukebox keeps the files it writes (its user's state folder when installed).
    fs::path statefolder() const { return dir / "state"; }
    // settings.ini: the root, the CD device and extra lines for [display] and [system] (which
    // may open further sections).
    void writesettings(const std::string& device, const std::string& display = "showletters=0",
                       const std::string& system = "");
    // A tone file under the root in the format its extension names, MP3 for any other.
    void tone(const fs::path& relative, double seconds = 0.3, double frequency = 440.0);
    // A disc image disc.cue named as the drive.
    void disc(const std::vector<fx::CdTrack>& tracks, const std::string& display = "showletters=0");
    void disc(int tracks, double seconds, const std::string& display = "showletters=0");
    // Starts the jukebox and lets its library scan finish.
    Application& start(bool remote = false);
    // A key through SDL's event queue, or any virtual key code straight to the key handler;
    // then the scan it started, if any, is let finish.
    void press(SDL_Keycode key);
    void key(int16_t code);
    // Handles events until the library scan has finished.
    void settle();
    bool waituntil(const std::function<bool()>& done, double seconds = 20.0);
    DWORD active() { return BASS_ChannelIsActive(app->bass(), app->queue().stream); }
    // Tones heard so far, in order, longer than `minimum` seconds.
    std::vector<fx::ToneSegment> heard(double minimum = 0.05) const;

    fx::TempDir dir;
    RecordingBoxes boxes;
    std::unique_ptr<Application> app;
    bool loaded = false;
};

}  // namespace tunedeck::testing
