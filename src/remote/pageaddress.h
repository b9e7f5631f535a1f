// The address a phone on the home network opens to reach the remote's page. Any thread.
#pragma once

#include <string>

namespace tunedeck {

// "http://HOST:PORT/" for a server listening on `listen`: that address itself, or for the
// wildcard the machine's first IPv4 address that is up and not loopback (loopback when there
// is none). An IPv6 address is put in brackets.
std::string pageaddress(const std::string& listen, int port);

}  // namespace tunedeck
