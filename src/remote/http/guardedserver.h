// The HTTP library's server with the remote's connection handling: each connection carries one
// request, read through a BoundedStream, and every open connection can be cut at once so that
// stopping never waits for a slow client.
//
// Before any route sees a request, the server screens it:
// - its Host header must name this box (an IP literal, localhost, the host name or
//   <hostname>.local, with or without a port), else 421: a web page elsewhere that had a name
//   of its own resolve to this box's address (DNS rebinding) gets nothing;
// - any Range header is dropped, so every reply is whole: the library would otherwise build
//   a part for each range asked, thousands of copies of the page for one small request;
// - strangers (requests without a paired token) may hold only part of the workers at once. A
//   connection that starts while their share is taken gets a short time for its headers, and
//   is refused (503) unless they carry a paired token, so a paired phone is served while
//   strangers keep their share busy.
// Handlers run on the worker threads; cutconnections() from any thread.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "remote/http/boundedstream.h"

namespace tunedeck {

class GuardedServer : public httplib::Server {
  public:
    // True when the request carries a paired token; called on the worker threads.
    using Trusted = std::function<bool(const httplib::Request&)>;
    // How long the headers of a connection that is not in the strangers' share may take.
    static constexpr std::chrono::milliseconds kReservedHeaderTime{2000};

    // `strangers` connections at once may be served before their request shows a paired token.
    GuardedServer(StreamLimits limits, std::size_t strangers, Trusted trusted);

    // Shuts down every open connection and closes any new one at once.
    void cutconnections();

  private:
    enum class Slot { Stranger, Reserved, Paired };

    bool process_and_close_socket(socket_t sock) override;
    bool track(int fd, Slot& slot);  // false once cut
    void untrack(int fd, Slot slot);
    // Applies the screening above to a request whose headers are read.
    void screen(httplib::Request& request, BoundedStream& stream, Slot& slot);

    const StreamLimits limits_;
    const std::size_t strangerlimit_;
    const Trusted trusted_;
    const std::string hostname_;
    std::mutex mutex_;
    std::set<int> open_;
    std::size_t strangers_ = 0;
    bool cut_ = false;
};

// True when a Host header value names this box, whose host name is `hostname`.
bool namesthisbox(std::string_view host, std::string_view hostname);

}  // namespace tunedeck
