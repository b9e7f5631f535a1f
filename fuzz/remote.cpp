// The phone remote's server on arbitrary bytes: each input is sent on one loopback connection
// to the real server (its screening, the bounded stream, the routes, pairing with its limits)
// and the reply read until the server closes. One phone is paired, so the seeds reach the routes
// that need a token too.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <memory>

#include "fuzz/fuzz_common.h"
#include "remote/http/httpserver.h"
#include "remote/tokenfile.h"

using namespace tunedeck;

namespace {

const std::string kToken("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");

// A token file with one paired phone.
fuzzing::fs::path pairedfile(const fuzzing::fs::path& file) {
    writetokens(file, {tokenhash(kToken)});
    return file;
}

struct Served {
    explicit Served(const fuzzing::fs::path& tokenfile)
        : pairing(pairedfile(tokenfile)), server(hub, pairing, events) {
        server.start("127.0.0.1", 0);
    }
    StateHub hub;
    Pairing pairing;
    UiEvents events;
    RemoteServer server;
    RemoteState state;
};

std::unique_ptr<Served> served;

// Connects from one of 250 loopback addresses in turn: a thousand connections a second from
// one address would use up its ports while the closed ones wait out their time.
int connectto(int port) {
    static unsigned next = 0;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7F000100u + 1 + next++ % 250);  // 127.0.1.1 to 127.0.1.250
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Closed with a reset, so this side keeps no connection waiting out its time either.
    const linger reset{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    if (bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0 &&
        connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0)
        return fd;
    close(fd);
    return -1;
}

// Reads until the server closes, an event stream begins, or half a second passes.
void drain(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    std::string reply;
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        reply.append(buffer, static_cast<std::size_t>(got));
        if (reply.find("text/event-stream") != std::string::npos) return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string get = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    const std::string authorised = "Authorization: Bearer " + kToken + "\r\n";
    const std::string post = "POST /api/pair HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n";
    fuzzing::writeseeds({
        get + "\r\n",
        get + "Range: bytes=0-1,0-,-5\r\nAccept-Encoding: gzip, br\r\n\r\n",
        "GET /api/state HTTP/1.1\r\nHost: localhost\r\n" + authorised + "\r\n",
        "GET /api/events?token=" + kToken + " HTTP/1.1\r\nHost: [::1]:8080\r\n\r\n",
        "POST /api/key/down HTTP/1.1\r\nHost: 127.0.0.1\r\n" + authorised + "\r\n",
        "POST /api/key/playpause HTTP/1.1\r\nHost: 127.0.0.1\r\n" + authorised +
            "Content-Length: 0\r\n\r\n",
        post + "\r\n",
        post + "Content-Type: application/json\r\nContent-Length: 17\r\n\r\n{\"code\":\"123456\"}",
        post + "Transfer-Encoding: chunked\r\n\r\n5\r\n{\"cod\r\n0\r\n\r\n",
        post + "Expect: 100-continue\r\nContent-Length: 2\r\n\r\n{}",
        "GET / HTTP/1.1\r\nHost: attacker.example\r\n\r\n",
    });
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_EVENTS) != 0) return 1;
    served = std::make_unique<Served>(fuzzing::scratchfolder("remote") / "remote.tokens");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = connectto(served->server.port());
    if (fd < 0 && errno == ECONNREFUSED) __builtin_trap();  // the server stopped listening
    if (fd < 0) return 0;
    // The server may close before reading everything; what it answered still counts.
    [[maybe_unused]] const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
    shutdown(fd, SHUT_WR);
    drain(fd);
    close(fd);
    // Wakes any event stream begun, so that it notices its client went; the keys and codes
    // posted for the television are dropped.
    ++served->state.position;
    served->hub.publish(served->state);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    return 0;
}
