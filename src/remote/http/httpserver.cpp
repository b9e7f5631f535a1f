#include "remote/http/httpserver.h"

#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace tunedeck {
namespace {

// Connections accepted beyond the busy workers that may wait in the pool's line.
constexpr std::size_t kWaiting = 16;

// The HTTP library's task queue, handing connections to the pool the server owns. The library
// owns this adapter; the pool outlives it.
class PoolQueue : public httplib::TaskQueue {
  public:
    explicit PoolQueue(WorkerPool& pool) : pool_(pool) {}
    void enqueue(std::function<void()> fn) override { pool_.add(std::move(fn)); }
    void shutdown() override { pool_.join(); }

  private:
    WorkerPool& pool_;
};

}  // namespace

RemoteServer::RemoteServer(StateHub& hub, Pairing& pairing, const UiEvents& events)
    : hub_(hub),
      pairing_(pairing),
      events_(events),
      server_(StreamLimits{}, kStrangers, [&pairing](const httplib::Request& request) {
          return pairing.authorised(bearer(request));
      }) {
    addroutes();
}

RemoteServer::~RemoteServer() noexcept {
    stop();
}

void RemoteServer::start(const std::string& host, int port) {
    // The library's default also sets SO_REUSEPORT, which would let a second jukebox (or any
    // program of the same user) share the port unnoticed and take half the requests.
    server_.set_socket_options([](socket_t sock) {
        const int yes = 1;
        // Without it a restart waits out the old connections; binding still works or fails.
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    errno = 0;
    const int bound =
        port == 0 ? server_.bind_to_any_port(host) : (server_.bind_to_port(host, port) ? port : -1);
    if (bound < 0) {
        const std::string reason = errno != 0 ? std::strerror(errno) : "no such address";
        throw std::runtime_error("cannot listen on " + host + " port " + std::to_string(port) +
                                 ": " + reason);
    }
    port_ = bound;
    pool_ = std::make_unique<WorkerPool>(kClients, kWaiting);
    // The library deletes the queue it is given when it stops listening.
    server_.new_task_queue = [this] { return std::make_unique<PoolQueue>(*pool_).release(); };
    listener_ = std::thread([this] {
        server_.listen_after_bind();
        listenended_ = true;
    });
    // stop() only ends a server that is running: wait until it is.
    while (!server_.is_running() && !listenended_)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void RemoteServer::stop() noexcept {
    if (!listener_.joinable()) return;
    hub_.close();
    server_.cutconnections();
    pool_->close();
    server_.stop();
    listener_.join();
    pool_->join();
}

}  // namespace tunedeck
