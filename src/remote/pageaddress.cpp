#include "remote/pageaddress.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <memory>

namespace tunedeck {
namespace {

struct IfaddrsFree {
    void operator()(ifaddrs* list) const noexcept { freeifaddrs(list); }
};

std::string firstnetworkaddress() {
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) return "127.0.0.1";
    const std::unique_ptr<ifaddrs, IfaddrsFree> list(raw);
    for (const ifaddrs* a = list.get(); a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
        if ((a->ifa_flags & IFF_UP) == 0 || (a->ifa_flags & IFF_LOOPBACK) != 0) continue;
        char text[INET_ADDRSTRLEN] = "";
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) return text;
    }
    return "127.0.0.1";
}

}  // namespace

std::string pageaddress(const std::string& listen, int port) {
    std::string host = listen;
    if (host.empty() || host == "0.0.0.0" || host == "::") host = firstnetworkaddress();
    if (host.find(':') != std::string::npos) host = "[" + host + "]";
    return "http://" + host + ":" + std::to_string(port) + "/";
}

}  // namespace tunedeck
