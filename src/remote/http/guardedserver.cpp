#include "remote/http/guardedserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace tunedeck {
namespace {

std::string thishostname() {
    std::array<char, 256> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0) return {};
    return name.data();
}

bool sameletters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool isport(std::string_view text) {
    return !text.empty() && text.size() <= 5 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isaddress(int family, std::string_view text) {
    std::array<unsigned char, sizeof(in6_addr)> address{};
    return ::inet_pton(family, std::string(text).c_str(), address.data()) == 1;
}

// "[v6]" or "[v6]:port".
bool isbracketedv6(std::string_view host) {
    const auto close = host.find(']');
    if (close == std::string_view::npos) return false;
    const std::string_view rest = host.substr(close + 1);
    if (!rest.empty() && !(rest.front() == ':' && isport(rest.substr(1)))) return false;
    return isaddress(AF_INET6, host.substr(1, close - 1));
}

}  // namespace

bool namesthisbox(std::string_view host, std::string_view hostname) {
    if (host.starts_with('[')) return isbracketedv6(host);
    std::string_view name = host;
    if (const auto colon = host.rfind(':'); colon != std::string_view::npos) {
        if (!isport(host.substr(colon + 1))) return false;
        name = host.substr(0, colon);
    }
    if (name.empty()) return false;
    if (isaddress(AF_INET, name) || sameletters(name, "localhost")) return true;
    if (hostname.empty()) return false;
    return sameletters(name, hostname) || sameletters(name, std::string(hostname) + ".local");
}

GuardedServer::GuardedServer(StreamLimits limits, std::size_t strangers, Trusted trusted)
    : limits_(limits),
      strangerlimit_(strangers),
      trusted_(std::move(trusted)),
      hostname_(thishostname()) {}

bool GuardedServer::track(int fd, Slot& slot) {
    std::lock_guard lock(mutex_);
    if (cut_) return false;
    open_.insert(fd);
    slot = strangers_ < strangerlimit_ ? Slot::Stranger : Slot::Reserved;
    if (slot == Slot::Stranger) ++strangers_;
    return true;
}

void GuardedServer::untrack(int fd, Slot slot) {
    std::lock_guard lock(mutex_);
    open_.erase(fd);
    if (slot == Slot::Stranger) --strangers_;
}

void GuardedServer::cutconnections() {
    std::lock_guard lock(mutex_);
    cut_ = true;
    // Only descriptors still tracked are open: each is untracked before it is closed.
    for (int fd : open_) ::shutdown(fd, SHUT_RDWR);
}

void GuardedServer::screen(httplib::Request& request, BoundedStream& stream, Slot& slot) {
    request.ranges.clear();
    request.headers.erase("Range");
    int refusal = 0;
    if (!namesthisbox(request.get_header_value("Host"), hostname_)) {
        refusal = 421;
    } else if (trusted_(request)) {
        // A paired phone's request no longer takes from the strangers' share.
        std::lock_guard lock(mutex_);
        if (slot == Slot::Stranger) --strangers_;
        slot = Slot::Paired;
    } else if (slot == Slot::Reserved) {
        refusal = 503;
    }
    if (refusal == 0) return;
    stream.refuse(refusal);
    // A request with no method matches no route, so nothing is done for it.
    request.method.clear();
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
    bool served = false;
    Slot slot = Slot::Stranger;
    if (track(sock, slot)) {
        // Replies are small and written in parts; waiting to fill a segment only adds delay.
        const int yes = 1;
        setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        BoundedStream stream(sock, limits_);
        if (slot == Slot::Reserved) stream.limitheadertime(kReservedHeaderTime);
        bool closed = false;
        served = process_request(stream, true, closed,
                                 [&](httplib::Request& request) { screen(request, stream, slot); });
        if (stream.refusal() != 0) stream.sendrefusal();
        untrack(sock, slot);
    }
    ::shutdown(sock, SHUT_RDWR);  // results ignored: the connection ends either way
    ::close(sock);
    return served;
}

}  // namespace tunedeck
