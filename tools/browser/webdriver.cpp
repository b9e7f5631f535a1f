#include "tools/browser/webdriver.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tunedeck::browser {
namespace {

using namespace std::chrono_literals;

}  // namespace

// The kernel's choice for a socket bound to port 0.
int freeport() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0)
        port = ntohs(a.sin_port);
    close(fd);
    if (port == 0) throw std::runtime_error("no free port");
    return port;
}

namespace {

std::string decodebase64(const std::string& text) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    std::string out;
    int bits = 0, buffer = 0;
    for (char c : text) {
        const int v = value(c);
        if (v < 0) continue;
        buffer = (buffer << 6) | v;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    return out;
}

}  // namespace

Browser::Browser(int width, int height, const fs::path& folder) : port_(freeport()) {
    fs::create_directories(folder);
    const std::string log = (folder / "chromedriver.log").string();
    std::string portarg = "--port=" + std::to_string(port_);
    std::string logarg = "--log-path=" + log;
    const char* argv[] = {"chromedriver", portarg.c_str(), logarg.c_str(), nullptr};
    if (posix_spawnp(&driver_, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        throw std::runtime_error("cannot start chromedriver");
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        httplib::Client c("127.0.0.1", port_);
        if (auto r = c.Get("/status"); r && r->status == 200) break;
        std::this_thread::sleep_for(50ms);
    }
    const nlohmann::json options = {
        {"binary", "/usr/bin/chromium"},
        {"args",
         {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
          "--disable-background-networking", "--disable-component-update", "--disable-sync",
          "--user-data-dir=" + (folder / "profile").string()}},
        {"mobileEmulation",
         {{"deviceMetrics",
           {{"width", width}, {"height", height}, {"pixelRatio", 2.0}, {"touch", true}}}}}};
    const auto reply =
        call("POST", "/session",
             {{"capabilities", {{"alwaysMatch", {{"goog:chromeOptions", options}}}}}});
    session_ = reply["value"]["sessionId"].get<std::string>();
}

Browser::~Browser() {
    try {
        if (!session_.empty()) call("DELETE", "/session/" + session_);
    } catch (const std::exception&) {
        // The driver is ended below either way.
    }
    if (driver_ > 0) {
        kill(driver_, SIGTERM);
        waitpid(driver_, nullptr, 0);
    }
}

nlohmann::json Browser::call(const std::string& method, const std::string& path,
                             const nlohmann::json& body) {
    httplib::Client c("127.0.0.1", port_);
    c.set_read_timeout(60);
    httplib::Result r =
        method == "GET" ? c.Get(path.c_str())
        : method == "DELETE"
            ? c.Delete(path.c_str())
            : c.Post(path.c_str(), body.is_null() ? "{}" : body.dump(), "application/json");
    if (!r) throw std::runtime_error("chromedriver did not answer " + path);
    auto json = nlohmann::json::parse(r->body, nullptr, false);
    if (r->status != 200) throw std::runtime_error("chromedriver: " + path + ": " + r->body);
    return json;
}

void Browser::open(const std::string& url) {
    call("POST", "/session/" + session_ + "/url", {{"url", url}});
}

nlohmann::json Browser::script(const std::string& body, nlohmann::json args) {
    return call("POST", "/session/" + session_ + "/execute/sync",
                {{"script", body}, {"args", args}})["value"];
}

nlohmann::json Browser::asyncscript(const std::string& body, nlohmann::json args) {
    return call("POST", "/session/" + session_ + "/execute/async",
                {{"script", body}, {"args", args}})["value"];
}

bool Browser::waitfor(const std::string& expression, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto value = script("return !!(" + expression + ");");
        if (value.is_boolean() && value.get<bool>()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

void Browser::click(const std::string& selector) {
    script("document.querySelector(arguments[0]).click();", {selector});
}

void Browser::type(const std::string& selector, const std::string& text) {
    script(
        "const e = document.querySelector(arguments[0]); e.value = arguments[1];"
        "e.dispatchEvent(new Event('input', {bubbles: true}));",
        {selector, text});
}

void Browser::screenshot(const fs::path& png) {
    const auto shot = call("GET", "/session/" + session_ + "/screenshot");
    std::ofstream(png, std::ios::binary) << decodebase64(shot["value"].get<std::string>());
}

}  // namespace tunedeck::browser
