// The phone remote's HTTP server as the application sees it. The server itself is built into a
// module of its own (src/remote/http/) that ServerModule loads only when the remote is on.
// start(), port() and stop() from the thread that owns the server (the UI thread).
#pragma once

#include <string>

namespace tunedeck {

class LibraryCatalog;

class HttpRemote {
  public:
    virtual ~HttpRemote() = default;

    // Listens on `host` (an address; "0.0.0.0" for every IPv4 address) and `port` (0: any free
    // port) and starts serving. Throws std::runtime_error saying why when it cannot listen.
    virtual void start(const std::string& host, int port) = 0;
    // The port listened on; 0 before start.
    virtual int port() const = 0;
    // Ends every connection and the threads; the event streams end with the hub.
    virtual void stop() noexcept = 0;
    // The library index the search reads, before start(); it must outlive the server. Without
    // one the search finds nothing.
    virtual void attachlibrary(const LibraryCatalog* catalog) = 0;
};

}  // namespace tunedeck
