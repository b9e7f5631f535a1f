// The phone remote's HTTP server: the page, the JSON API with its event stream, and pairing.
// It listens on a thread of its own and serves on a pool of workers; requests become key codes
// posted to the UI thread, and state is read from the hub the UI thread publishes to.
// start(), port() and stop() from the thread that owns the server (the UI thread).
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "library/catalog.h"
#include "remote/http/guardedserver.h"
#include "remote/http/routeutil.h"
#include "remote/httpremote.h"
#include "remote/pairing.h"
#include "remote/statehub.h"
#include "remote/uievents.h"
#include "remote/workerpool.h"

namespace tunedeck {

class RemoteServer final : public HttpRemote {
  public:
    static constexpr std::size_t kClients = 16;  // served at once; more wait their turn
    // Of those, how many may be requests without a paired token; the rest stay for paired phones.
    static constexpr std::size_t kStrangers = 10;

    // All three must outlive the server.
    RemoteServer(StateHub& hub, Pairing& pairing, const UiEvents& events);
    ~RemoteServer() noexcept override;
    RemoteServer(const RemoteServer&) = delete;
    RemoteServer& operator=(const RemoteServer&) = delete;

    void start(const std::string& host, int port) override;
    int port() const override { return port_; }
    void stop() noexcept override;
    void attachlibrary(const LibraryCatalog* catalog) override { catalog_ = catalog; }

  private:
    void addroutes();
    // The library search and opening a match (searchroutes.cpp).
    void addsearchroutes();
    void search(const httplib::Request& request, httplib::Response& response) const;
    void open(const httplib::Request& request, httplib::Response& response,
              const std::string& id) const;
    // The routes beyond keys and pairing: rows, the queue, seeking, covers, forgetting a token.
    void addcontrolroutes();
    // The web app's manifest and icons.
    void addassetroutes();

    StateHub& hub_;
    Pairing& pairing_;
    const UiEvents& events_;
    GuardedServer server_;
    BodilessRoutes bodiless_;
    std::unique_ptr<WorkerPool> pool_;
    std::thread listener_;
    std::atomic<bool> listenended_{false};
    std::atomic<const LibraryCatalog*> catalog_{nullptr};
    int port_ = 0;
};

}  // namespace tunedeck
