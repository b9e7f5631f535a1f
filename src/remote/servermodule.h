// Loads the phone remote's HTTP server, built as a module beside the program
// (tunedeck-remote.so). The HTTP library it needs brings TLS and compression libraries that
// cost about 5 MB resident from the moment they are loaded, so a jukebox with the remote off
// never loads them. The module is looked for in the folders of the program's run path: the
// program's own folder once installed, the build folder in the build tree.
// UI thread.
#pragma once

#include <memory>

#include "remote/httpremote.h"

namespace tunedeck {

class Pairing;
class StateHub;
class UiEvents;

// The module's one exported function: a new server for the hub, pairing and events given.
using MakeHttpRemote = HttpRemote* (*)(StateHub& hub, Pairing& pairing, const UiEvents& events);
inline constexpr const char* kHttpRemoteModule = "tunedeck-remote.so";
inline constexpr const char* kMakeHttpRemote = "tunedeck_make_http_remote";

class ServerModule {
  public:
    // Loads the module. Throws std::runtime_error with the loader's reason when it cannot.
    ServerModule();

    // A new server; the module stays loaded for the life of the process, so the server may
    // outlive this object.
    std::unique_ptr<HttpRemote> makeserver(StateHub& hub, Pairing& pairing,
                                           const UiEvents& events) const;

  private:
    MakeHttpRemote make_ = nullptr;
};

}  // namespace tunedeck
