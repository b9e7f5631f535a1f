// Tunedeck feeding Debian's snapserver through its pipe source, on loopback ports picked at run
// time: the server's control port tells the stream's state, and snapclient, writing what it
// plays to a file, tells what a room hears.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <string>

#include "e2e/process.h"
#include "harness.h"
#include "tools/browser/webdriver.h"

namespace tunedeck::testing {
namespace {

using namespace std::chrono_literals;
using e2e::Child;

// One JSON-RPC request on the server's control port; its reply line, empty on any failure.
std::string rpc(int port, const std::string& method) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return {};
    timeval limit{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = R"({"id":1,"jsonrpc":"2.0","method":")" + method + "\"}\r\n";
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
            char block[4096];
            for (int i = 0; i < 1000 && reply.find('\n') == std::string::npos; ++i) {
                const ssize_t n = ::recv(fd, block, sizeof block, 0);
                if (n <= 0) break;
                reply.append(block, static_cast<std::size_t>(n));
            }
        }
    }
    ::close(fd);
    return reply;
}

// The status of the stream "tunedeck" in a Server.GetStatus reply ("playing", "idle", ...).
std::string streamstatus(const std::string& reply) {
    const std::size_t stream = reply.find(R"("id":"tunedeck")");
    if (stream == std::string::npos) return {};
    const std::string key = R"("status":")";
    const std::size_t at = reply.find(key, stream);
    if (at == std::string::npos) return {};
    const std::size_t begin = at + key.size();
    return reply.substr(begin, reply.find('"', begin) - begin);
}

TEST(Snapcast, RoomsHearTheQueueInOrderWithoutGapsAndTheStreamGoesIdleAfterStop) {
    if (!fs::exists("/usr/bin/snapserver") || !fs::exists("/usr/bin/snapclient")) {
        GTEST_SKIP() << "snapserver or snapclient is not installed "
                        "(scripts/install-deps test installs them)";
    }
    Harness h;
    const fs::path fifo = h.dir / "snapfifo";
    const int streamport = browser::freeport(), controlport = browser::freeport();
    ASSERT_TRUE(streamport > 0 && controlport > 0 && streamport != controlport);
    std::ofstream(h.dir / "snapserver.conf")
        << "[server]\ndatadir = " << (h.dir / "snapdata").string() << "\n"
        << "[http]\nenabled = false\n"
        << "[tcp]\nbind_to_address = 127.0.0.1\nport = " << controlport << "\n"
        << "[stream]\nbind_to_address = 127.0.0.1\nport = " << streamport << "\n"
        << "source = pipe://" << fifo.string()
        << "?name=tunedeck&mode=create&sampleformat=44100:16:2\n"
        << "[logging]\nfilter = *:info\n";
    Child server({"snapserver", "-c", (h.dir / "snapserver.conf").string()}, {},
                 h.dir / "snapserver.out", h.dir / "snapserver.log");
    ASSERT_TRUE(server.running());
    auto status = [&] { return streamstatus(rpc(controlport, "Server.GetStatus")); };
    ASSERT_TRUE(e2e::waituntil([&] { return fs::exists(fifo) && status() == "idle"; }, 10s))
        << "snapserver did not start";
    Child client({"snapclient", "-h", "127.0.0.1", "-p", std::to_string(streamport), "--hostID",
                  "tunedeck-test", "--player", "file:filename=" + (h.dir / "room.raw").string()},
                 {}, h.dir / "snapclient.out", h.dir / "snapclient.log");
    ASSERT_TRUE(e2e::waituntil(
        [&] {
            return rpc(controlport, "Server.GetStatus").find(R"("connected":true)") !=
                   std::string::npos;
        },
        10s))
        << "snapclient did not connect";

    // A lead-in the client may bend while it syncs to the stream's start, three tones of a second
    // that must join without a gap, then a long one that S cuts.
    constexpr double kLeadIn = 330;
    constexpr double kHz[] = {440, 660, 880, 1100};
    h.tone("track0.mp3", 1.0, kLeadIn);
    for (int i = 0; i < 4; ++i)
        h.tone("track" + std::to_string(i + 1) + ".mp3", i < 3 ? 1.0 : 30.0, kHz[i]);
    h.writesettings("none", "showletters=0", "\n[audio]\noutput=pipe:" + fifo.string());
    h.start();
    ASSERT_TRUE(h.loaded) << h.app->endreason();
    EXPECT_TRUE(h.waituntil([&] { return status() == "playing"; }, 5));
    ASSERT_TRUE(h.waituntil([&] { return h.app->queue().playlistpos == 4; }, 12));
    h.waituntil([] { return false; }, 1.0);
    h.press(SDLK_s);
    EXPECT_EQ(h.active(), 0u);
    EXPECT_TRUE(h.waituntil([&] { return status() == "idle"; }, 10));
    h.waituntil([] { return false; }, 2.0);  // the client plays its buffer out
    client.end();

    auto tones = fixtures::findtones(h.dir / "room.raw");
    // What the client heard before the first judged tone began is its own start-up.
    while (!tones.empty() && std::abs(tones.front().frequency - kHz[0]) > 15)
        tones.erase(tones.begin());
    ASSERT_EQ(tones.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(tones[i].frequency, kHz[i], 15);
        if (i < 3) {
            EXPECT_NEAR(tones[i].seconds, 1.0, 0.02);
        }
        if (i > 0) {
            EXPECT_NEAR(tones[i].start - (tones[i - 1].start + tones[i - 1].seconds), 0, 0.005);
        }
    }
    EXPECT_LT(tones[3].seconds, 2.0);  // cut by S, a second after the last tone started
}

}  // namespace
}  // namespace tunedeck::testing
