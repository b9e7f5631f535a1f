// The [remote] section of settings.ini: the phone remote's HTTP server and the desktop media
// controls. Read once at start-up. UI thread only.
#pragma once

#include <string>

#include "settings/settings.h"

namespace tunedeck {

struct RemoteSettings {
    bool enabled = true;  // enabled: 1 serves the phone remote and the API
    int port = 8080;      // port: 1 to 65535; 0 takes any free port
    std::string listen;   // listen: an address; empty for every address
    bool mpris = true;    // mpris: 1 offers the desktop media controls
};

RemoteSettings loadremotesettings(SettingsReader& reader);

}  // namespace tunedeck
