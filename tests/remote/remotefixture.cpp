#include "remotefixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <regex>

namespace tunedeck::testing {

RemoteJukebox::RemoteJukebox(double seconds, const std::string& remotelines,
                             const std::function<void(const fs::path& root)>& more)
    : Harness(true) {
    const double frequencies[] = {440.0, 550.0, 660.0};
    for (int i = 0; i < 3; ++i) tone("0" + std::to_string(i + 1) + ".mp3", seconds, frequencies[i]);
    if (more) more(root());
    writesettings("none", "showletters=0",
                  "[remote]\n" + remotelines + "\nport=0\nlisten=127.0.0.1");
    start(true);
    nexttick_ = std::chrono::steady_clock::now() + std::chrono::seconds(1);
}

httplib::Client RemoteJukebox::client() {
    httplib::Client c("127.0.0.1", port());
    c.set_connection_timeout(5);
    c.set_read_timeout(5);
    return c;
}

bool RemoteJukebox::rununtil(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        const auto now = std::chrono::steady_clock::now();
        if (now > deadline || app->ended()) return false;
        if (now >= nexttick_) {
            app->Timer1_Timer();
            nexttick_ += std::chrono::seconds(1);
        }
        app->waitfor(10);
    }
    return true;
}

std::string RemoteJukebox::pair() {
    auto c = client();
    const auto asked = c.Post("/api/pair", "", "text/plain");
    if (!asked || asked->status != 202) return {};
    const Element& label = app->remote()->pairingview().lblPairCode;
    if (!rununtil([&] { return label.visible; }, 5)) return {};
    std::smatch code;
    const std::string caption = label.caption;
    if (!std::regex_search(caption, code, std::regex("[0-9]{6}"))) return {};
    const auto paired =
        c.Post("/api/pair", "{\"code\":\"" + code.str() + "\"}", "application/json");
    if (!paired || paired->status != 200) return {};
    const auto json = nlohmann::json::parse(paired->body, nullptr, false);
    return json.is_object() && json.contains("token") ? json["token"].get<std::string>() : "";
}

httplib::Headers bearer(const std::string& token) {
    return {{"Authorization", "Bearer " + token}};
}

std::string rawreply(int port, const std::string& bytes, std::chrono::milliseconds timeout) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return {};
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        // The server may close before reading everything; what it answered still counts.
        [[maybe_unused]] const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        char buffer[4096];
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            reply.append(buffer, static_cast<std::size_t>(got));
        }
    }
    close(fd);
    return reply;
}

int replystatus(const std::string& reply) {
    std::smatch status;
    if (!std::regex_search(reply, status, std::regex("^HTTP/1\\.1 ([0-9]{3})"))) return 0;
    return std::stoi(status[1]);
}

int rawstatus(int port, const std::string& bytes, std::chrono::milliseconds timeout) {
    return replystatus(rawreply(port, bytes, timeout));
}

}  // namespace tunedeck::testing
