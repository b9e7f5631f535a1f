#include "remote/http/boundedstream.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace tunedeck {
namespace {

using Clock = std::chrono::steady_clock;

// Waits up to `ms` for the socket to be readable or writable; false on time-out.
bool waitfor(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int rc = ::poll(&p, 1, ms);
        if (rc < 0 && errno == EINTR) continue;
        return rc > 0;
    }
}

void addressof(const sockaddr_storage& address, socklen_t length, std::string& ip, int& port) {
    char host[NI_MAXHOST] = "";
    char service[NI_MAXSERV] = "";
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host, service,
                    sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return;
    ip = host;
    port = std::atoi(service);
}

// The status line of a refusal.
std::string statusline(int status) {
    switch (status) {
        case 413:
            return "413 Payload Too Large";
        case 421:
            return "421 Misdirected Request";
        case 431:
            return "431 Request Header Fields Too Large";
        case 503:
            return "503 Service Unavailable";
        default:
            return std::to_string(status) + " Refused";
    }
}

}  // namespace

BoundedStream::BoundedStream(int fd, StreamLimits limits)
    : fd_(fd),
      limits_(limits),
      requestdeadline_(Clock::now() + limits.request),
      headerdeadline_(requestdeadline_) {}

void BoundedStream::limitheadertime(std::chrono::milliseconds time) {
    headerdeadline_ = std::min(requestdeadline_, Clock::now() + time);
}

int BoundedStream::readwait() const {
    const auto deadline = headersdone_ ? requestdeadline_ : headerdeadline_;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    // Past the deadline a read fails even when a byte happens to be waiting.
    return static_cast<int>(std::clamp(left, std::chrono::milliseconds(-1), limits_.idle).count());
}

bool BoundedStream::is_readable() const {
    if (refusal_ != 0) return false;
    if (begin_ < end_) return true;
    const int wait = readwait();
    return wait >= 0 && waitfor(fd_, POLLIN, wait);
}

bool BoundedStream::is_writable() const {
    return waitfor(fd_, POLLOUT, static_cast<int>(limits_.idle.count()));
}

void BoundedStream::scanheader(char c) {
    if (blankline_ && c == '\n') {
        headersdone_ = true;
        return;
    }
    blankline_ = linestart_ && c == '\r';
    linestart_ = c == '\n';
}

ssize_t BoundedStream::deliver(char* ptr, size_t size) {
    std::size_t n = 0;
    while (n < size && begin_ < end_) {
        const char c = buffer_[begin_];
        if (!headersdone_) {
            if (++headerread_ > limits_.headerbytes) {
                refusal_ = 431;
                return -1;
            }
            scanheader(c);
        } else if (++bodyread_ > limits_.bodybytes) {
            refusal_ = 413;
            return -1;
        }
        ptr[n++] = c;
        ++begin_;
    }
    return static_cast<ssize_t>(n);
}

ssize_t BoundedStream::read(char* ptr, size_t size) {
    if (refusal_ != 0) return -1;
    if (begin_ == end_) {
        const int wait = readwait();
        if (wait < 0 || !waitfor(fd_, POLLIN, wait)) return -1;  // idle or past the deadline
        ssize_t got;
        do {
            got = ::recv(fd_, buffer_.data(), buffer_.size(), MSG_DONTWAIT);
        } while (got < 0 && errno == EINTR);
        if (got <= 0) return got;
        begin_ = 0;
        end_ = static_cast<std::size_t>(got);
    }
    return deliver(ptr, size);
}

ssize_t BoundedStream::write(const char* ptr, size_t size) {
    if (refusal_ != 0) return static_cast<ssize_t>(size);
    std::size_t done = 0;
    while (done < size) {
        if (!waitfor(fd_, POLLOUT, static_cast<int>(limits_.idle.count()))) return -1;
        const ssize_t sent = ::send(fd_, ptr + done, size - done, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (sent < 0) return -1;
        done += static_cast<std::size_t>(sent);
    }
    return static_cast<ssize_t>(done);
}

void BoundedStream::sendrefusal() {
    const std::string text = statusline(refusal_);
    const std::string response =
        "HTTP/1.1 " + text + "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
    refusal_ = 0;
    write(response.data(), response.size());  // the connection closes either way
}

void BoundedStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getpeername(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        addressof(address, length, ip, port);
}

void BoundedStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        addressof(address, length, ip, port);
}

}  // namespace tunedeck
