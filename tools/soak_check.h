// The soak run's driver and its checks: an event loop that hands every event to the
// application one at a time and checks the play queue around it, memory and descriptor samples,
// and the verdict.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/application.h"
#include "tools/soak_tap.h"

namespace tunedeck::soak {

struct Sample {
    int minute = 0;
    double output = 0;    // seconds written by the audio device
    double sounding = 0;  // of which carried sound
    long rsskb = 0;
    int fds = 0;
    long ends = 0;
};

class Verdict {
  public:
    void fail(const std::string& why);
    void add(const Sample& sample) { samples_.push_back(sample); }
    // Counted by the driver: ends of streams, and those that moved the queue as they should.
    long ends = 0;
    long advances = 0;
    long keys = 0;
    // Prints the samples, the checks and the verdict; the exit status.
    int report(const AudioTap& tap);

  private:
    void checkflat();
    std::vector<Sample> samples_;
    std::vector<std::string> failures_;
};

long residentkb();
int opendescriptors();

class Driver {
  public:
    Driver(Application& app, const AudioTap& tap, Verdict& verdict)
        : app_(app), tap_(tap), verdict_(verdict) {}
    // Runs until `sounding` seconds of sound have been played, pressing `key` every second of
    // output and sampling every minute.
    void loop(double sounding, const std::function<void()>& key);

  private:
    void handle(const SDL_Event& event);
    void watchstream();
    void sample(int minute);

    Application& app_;
    const AudioTap& tap_;
    Verdict& verdict_;
    DWORD watched_ = 0;
    long ends_ = 0;  // raised by our own end notification on every stream the app plays
};

}  // namespace tunedeck::soak
