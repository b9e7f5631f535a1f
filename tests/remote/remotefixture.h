// A jukebox with its phone remote on a free loopback port, offscreen, playing generated tones
// in real time through SDL's disk driver; and small HTTP helpers that talk to it on loopback.
#pragma once

#include <httplib.h>

#include <chrono>
#include <optional>
#include <string>

#include "app/harness.h"
#include "e2e/process.h"
#include "testenv.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::testing {

class RemoteJukebox : public Harness {
  public:
    // Three 440/550/660 Hz MP3 files of `seconds` each in one folder; [remote] has
    // `remotelines`, then "port=0" and "listen=127.0.0.1" (the first of a key counts).
    // `more`, when given, adds to or changes the music folder before the jukebox starts.
    explicit RemoteJukebox(double seconds = 4.0, const std::string& remotelines = "mpris=0",
                           const std::function<void(const fs::path& root)>& more = nullptr);

    int port() { return app->remote() ? app->remote()->port() : 0; }
    httplib::Client client();
    // Runs the event loop (with its tick) until `done` holds or `seconds` pass.
    bool rununtil(const std::function<bool()>& done, double seconds = 10.0);
    // Pairs through the code the television shows; returns the token ("" on failure).
    std::string pair();
    RemoteState state() { return app->remotestate(); }

  private:
    std::chrono::steady_clock::time_point nexttick_;
};

// "Bearer <token>" as a header set.
httplib::Headers bearer(const std::string& token);

// Sends raw bytes to the port and returns what comes back until the server closes (at most
// `timeout`).
std::string rawreply(int port, const std::string& bytes,
                     std::chrono::milliseconds timeout = std::chrono::seconds(15));
// The status code of a reply, or 0 when it has none.
int replystatus(const std::string& reply);
// rawreply's status code.
int rawstatus(int port, const std::string& bytes,
              std::chrono::milliseconds timeout = std::chrono::seconds(15));

// A D-Bus session bus of its own, named in DBUS_SESSION_BUS_ADDRESS while it lives.
class SessionBus {
  public:
    SessionBus()
        : bus_({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, {}, dir_ / "address",
               "/dev/null") {
        std::string address;
        if (!e2e::waituntil(
                [&] { return (address = e2e::readfile(dir_ / "address")).ends_with('\n'); },
                std::chrono::seconds(10)))
            return;
        address.pop_back();
        env_.emplace("DBUS_SESSION_BUS_ADDRESS", address.c_str());
    }
    // True once the bus said its address.
    bool ready() const { return env_.has_value(); }

  private:
    fixtures::TempDir dir_;
    e2e::Child bus_;
    std::optional<ScopedEnv> env_;
};

}  // namespace tunedeck::testing
