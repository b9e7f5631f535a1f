// What reaches the phone remote from the network without a token: requests naming another host
// (as a web page elsewhere would send through DNS rebinding), ranges that would multiply the
// reply, bodies sent a byte at a time. None of them costs the jukebox more than one plain
// request, and none keeps a paired phone waiting.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "remotefixture.h"

namespace tunedeck::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string pageget(const std::string& host) {
    return "GET / HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
}

std::string thishost() {
    char name[256] = "";
    gethostname(name, sizeof name - 1);
    return name;
}

TEST(RemoteNetwork, OnlyRequestsNamingThisBoxAreServed) {
    RemoteJukebox box;
    const std::string port = std::to_string(box.port());
    using Hosts = std::vector<std::string>;
    for (const std::string& host :
         Hosts{"127.0.0.1", "127.0.0.1:" + port, "192.168.1.20:8080", "[::1]", "[::1]:" + port,
               "localhost", "LocalHost:" + port, thishost(), thishost() + ".local:" + port})
        EXPECT_EQ(rawstatus(box.port(), pageget(host)), 200) << host;
    for (const std::string& host :
         Hosts{"attacker.example", "attacker.example:" + port, "127.0.0.1.attacker.example",
               "localhost.attacker.example", "127.0.0.1:http", "[::1", "[evil]:80", "::1", ""})
        EXPECT_EQ(rawstatus(box.port(), pageget(host)), 421) << host;
    EXPECT_EQ(rawstatus(box.port(), "GET / HTTP/1.1\r\n\r\n"), 421);
    // A refused request does nothing: a code request that names another host shows no code.
    EXPECT_EQ(rawstatus(box.port(), "POST /api/pair HTTP/1.1\r\nHost: attacker.example\r\n\r\n"),
              421);
    box.rununtil([] { return false; }, 0.5);
    EXPECT_FALSE(box.app->remote()->pairingview().lblPairCode.visible);

    // Nor does a paired phone's token carry a request that names another host past the screen.
    const std::string token = box.pair();
    ASSERT_FALSE(token.empty());
    const std::string auth = "\r\nAuthorization: Bearer " + token + "\r\n\r\n";
    for (const std::string line : {"POST /api/key/down", "POST /api/highlight/2",
                                   "DELETE /api/queue/0", "DELETE /api/token"})
        EXPECT_EQ(rawstatus(box.port(), line + " HTTP/1.1\r\nHost: attacker.example" + auth), 421)
            << line;
    auto c = box.client();
    const auto state = c.Get("/api/state", bearer(token));
    ASSERT_TRUE(state && state->status == 200);  // the token was not forgotten
    box.rununtil([] { return false; }, 0.5);
    EXPECT_EQ(box.state().highlight, 1);
}

TEST(RemoteNetwork, RangesAreIgnoredAndEveryReplyIsWhole) {
    RemoteJukebox box;
    const std::string plain = rawreply(box.port(), pageget("127.0.0.1"));
    ASSERT_EQ(replystatus(plain), 200);
    std::string ranges = "bytes=0-";
    for (int i = 0; i < 2000; ++i) ranges += ",0-";
    for (const std::string& range : {ranges, std::string("bytes=0-9"), std::string("bytes=-5")}) {
        const std::string reply = rawreply(
            box.port(), "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: " + range + "\r\n\r\n");
        EXPECT_EQ(replystatus(reply), 200) << range.substr(0, 20);
        EXPECT_EQ(reply.size(), plain.size()) << range.substr(0, 20);
    }
}

// A client that sends its request's headers at once and then its body one byte a second.
class SlowBody {
  public:
    explicit SlowBody(int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        [[maybe_unused]] int rc = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        pollfd p{fd_, POLLOUT, 0};
        poll(&p, 1, 5000);
        const std::string head =
            "POST /api/pair HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 1000\r\n\r\n{";
        [[maybe_unused]] ssize_t sent = send(fd_, head.data(), head.size(), MSG_NOSIGNAL);
    }
    ~SlowBody() { close(fd_); }
    SlowBody(const SlowBody&) = delete;
    SlowBody& operator=(const SlowBody&) = delete;
    // Sends one more byte; false once the server has closed the connection.
    bool drip() {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 0) > 0) {
            char buffer[512];
            if (recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT) <= 0) return false;
        }
        return send(fd_, " ", 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1;
    }

  private:
    int fd_;
};

TEST(RemoteNetwork, ABodySentAByteASecondIsCutAtTenSeconds) {
    RemoteJukebox box;
    SlowBody client(box.port());
    const auto start = Clock::now();
    auto cut = start;
    while (Clock::now() - start < 25s && client.drip()) {
        std::this_thread::sleep_for(1s);
        cut = Clock::now();
    }
    EXPECT_GE(cut - start, 8s);
    EXPECT_LT(cut - start, 16s);
}

TEST(RemoteNetwork, APairedPhoneIsServedWhileThirtyTwoSlowBodiesAreSent) {
    RemoteJukebox box;
    const std::string token = box.pair();
    ASSERT_FALSE(token.empty());
    std::atomic<bool> stop{false};
    std::atomic<int> open{-1};
    std::thread attacker([&] {
        std::vector<std::unique_ptr<SlowBody>> clients;
        for (int i = 0; i < 32; ++i) clients.push_back(std::make_unique<SlowBody>(box.port()));
        std::this_thread::sleep_for(1s);  // the server takes what it takes of them
        for (int second = 0; second < 30 && !stop; ++second) {
            int still = 0;
            for (auto& c : clients) still += c->drip() ? 1 : 0;
            open = still;
            for (int i = 0; i < 10 && !stop; ++i) std::this_thread::sleep_for(100ms);
        }
    });
    const auto begun = Clock::now();
    while (open < 0 && Clock::now() - begun < 20s) std::this_thread::sleep_for(50ms);
    // The slow clients hold the strangers' share of the workers.
    EXPECT_GE(open.load(), 5);
    auto c = box.client();
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        const auto reply = c.Get("/api/state", bearer(token));
        const auto took = Clock::now() - start;
        EXPECT_TRUE(reply && reply->status == 200);
        // Unprotected, the answer waits for a slow client to give up (ten seconds or more).
        EXPECT_LT(took, 4s);
        std::this_thread::sleep_for(1s);
    }
    stop = true;
    attacker.join();
}

// The event stream is a request that never ends: neither the time a request may take nor the
// strangers' share of the workers cuts it, also when it starts while slow bodies hold that share.
TEST(RemoteNetwork, AnEventStreamOutlivesTheRequestTimeWhileStrangersHoldTheirShare) {
    RemoteJukebox box;
    const std::string token = box.pair();
    ASSERT_FALSE(token.empty());
    std::vector<std::unique_ptr<SlowBody>> strangers;
    for (int i = 0; i < 16; ++i) strangers.push_back(std::make_unique<SlowBody>(box.port()));
    std::this_thread::sleep_for(1s);  // the server takes what it takes of them
    std::atomic<int> late{0};
    std::atomic<bool> done{false};
    std::thread reader([&] {
        auto c = box.client();
        const auto start = Clock::now();
        std::string text;
        c.Get("/api/events?token=" + token, [&](const char* data, size_t length) {
            text.append(data, length);
            for (std::size_t end; (end = text.find("\n\n")) != std::string::npos;
                 text.erase(0, end + 2))
                if (text.rfind("event: alive", 0) == 0 && Clock::now() - start > 12s) ++late;
            return late < 2 && Clock::now() - start < 30s;
        });
        done = true;
    });
    for (int second = 0; second < 40 && !done; ++second) {
        for (auto& stranger : strangers) stranger->drip();
        box.rununtil([&] { return done.load(); }, 1);
    }
    if (!done) box.app->remote()->stop();  // ends the stream if the test failed
    reader.join();
    EXPECT_GE(late.load(), 2);
}

}  // namespace
}  // namespace tunedeck::testing
