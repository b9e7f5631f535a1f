// The phone remote's HTTP server: the page, the JSON API with its event stream, and pairing.
// It listens on a thread of its own and serves on a pool of workers; requests become key codes
// posted to the UI thread, and state is read from the hub the UI thread publishes to.
// start(), port() and stop() from the thread that owns the server (the UI thread).
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "remote/guardedserver.h"
#include "remote/pairing.h"
#include "remote/statehub.h"
#include "remote/uievents.h"
#include "remote/workerpool.h"

namespace tunedeck {

class RemoteServer {
  public:
    static constexpr std::size_t kClients = 16;  // served at once; more wait their turn

    // All three must outlive the server.
    RemoteServer(StateHub& hub, Pairing& pairing, const UiEvents& events);
    ~RemoteServer() noexcept;
    RemoteServer(const RemoteServer&) = delete;
    RemoteServer& operator=(const RemoteServer&) = delete;

    // Listens on `host` (an address; "0.0.0.0" for every IPv4 address) and `port` (0: any free
    // port) and starts serving. Throws std::runtime_error saying why when it cannot listen.
    void start(const std::string& host, int port);
    // The port listened on; 0 before start.
    int port() const { return port_; }
    // Ends every connection and the threads; the event streams end with the hub.
    void stop() noexcept;

  private:
    void addroutes();

    StateHub& hub_;
    Pairing& pairing_;
    const UiEvents& events_;
    GuardedServer server_;
    std::unique_ptr<WorkerPool> pool_;
    std::thread listener_;
    std::atomic<bool> listenended_{false};
    int port_ = 0;
};

}  // namespace tunedeck
