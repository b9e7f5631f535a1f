#include "remote/http/guardedserver.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tunedeck {

GuardedServer::GuardedServer(StreamLimits limits) : limits_(limits) {}

bool GuardedServer::track(int fd) {
    std::lock_guard lock(mutex_);
    if (cut_) return false;
    open_.insert(fd);
    return true;
}

void GuardedServer::untrack(int fd) {
    std::lock_guard lock(mutex_);
    open_.erase(fd);
}

void GuardedServer::cutconnections() {
    std::lock_guard lock(mutex_);
    cut_ = true;
    // Only descriptors still tracked are open: each is untracked before it is closed.
    for (int fd : open_) ::shutdown(fd, SHUT_RDWR);
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
    bool served = false;
    if (track(sock)) {
        // Replies are small and written in parts; waiting to fill a segment only adds delay.
        const int yes = 1;
        setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        BoundedStream stream(sock, limits_);
        bool closed = false;
        served = process_request(stream, true, closed, nullptr);
        if (stream.refusal() != 0) stream.sendrefusal();
        untrack(sock);
    }
    ::shutdown(sock, SHUT_RDWR);  // results ignored: the connection ends either way
    ::close(sock);
    return served;
}

}  // namespace tunedeck
