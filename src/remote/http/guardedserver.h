// The HTTP library's server with the remote's connection handling: each connection carries one
// request, read through a BoundedStream, and every open connection can be cut at once so that
// stopping never waits for a slow client.
// Handlers run on the worker threads; cutconnections() from any thread.
#pragma once

#include <httplib.h>

#include <mutex>
#include <set>

#include "remote/http/boundedstream.h"

namespace tunedeck {

class GuardedServer : public httplib::Server {
  public:
    explicit GuardedServer(StreamLimits limits);

    // Shuts down every open connection and closes any new one at once.
    void cutconnections();

  private:
    bool process_and_close_socket(socket_t sock) override;
    bool track(int fd);  // false once cut
    void untrack(int fd);

    const StreamLimits limits_;
    std::mutex mutex_;
    std::set<int> open_;
    bool cut_ = false;
};

}  // namespace tunedeck
