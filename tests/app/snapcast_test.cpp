// Tunedeck feeding Debian's snapserver through its pipe source, on loopback ports picked at run
// time: the server's control port tells the stream's state, and snapclient, writing what it
// plays to a file, tells what a room hears.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "e2e/process.h"
#include "harness.h"
#include "tools/browser/webdriver.h"

namespace tunedeck::testing {
namespace {

using namespace std::chrono_literals;
using e2e::Child;

// The server's state from its JSON-RPC over HTTP; null on any failure.
nlohmann::json serverstatus(int port) {
    httplib::Client c("127.0.0.1", port);
    c.set_connection_timeout(2);
    c.set_read_timeout(2);
    const auto reply = c.Post("/jsonrpc", R"({"id":1,"jsonrpc":"2.0","method":"Server.GetStatus"})",
                              "application/json");
    if (!reply || reply->status != 200) return {};
    const auto json = nlohmann::json::parse(reply->body, nullptr, false);
    return json.is_discarded() ? nlohmann::json() : json;
}

// The status of the stream "tunedeck" ("playing", "idle", ...).
std::string streamstatus(const nlohmann::json& status) {
    for (const auto& stream : status.value("/result/server/streams"_json_pointer, nlohmann::json()))
        if (stream.value("id", "") == "tunedeck") return stream.value("status", "");
    return {};
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
        << "[http]\nbind_to_address = 127.0.0.1\nport = " << controlport << "\n"
        << "[tcp]\nenabled = false\n"
        << "[stream]\nbind_to_address = 127.0.0.1\nport = " << streamport << "\n"
        << "source = pipe://" << fifo.string()
        << "?name=tunedeck&mode=create&sampleformat=44100:16:2\n"
        << "[logging]\nfilter = *:info\n";
    Child server({"snapserver", "-c", (h.dir / "snapserver.conf").string()}, {},
                 h.dir / "snapserver.out", h.dir / "snapserver.log");
    ASSERT_TRUE(server.running());
    auto status = [&] { return streamstatus(serverstatus(controlport)); };
    ASSERT_TRUE(e2e::waituntil([&] { return fs::exists(fifo) && status() == "idle"; }, 10s))
        << "snapserver did not start";
    Child client({"snapclient", "-h", "127.0.0.1", "-p", std::to_string(streamport), "--hostID",
                  "tunedeck-test", "--player", "file:filename=" + (h.dir / "room.raw").string()},
                 {}, h.dir / "snapclient.out", h.dir / "snapclient.log");
    ASSERT_TRUE(e2e::waituntil(
        [&] {
            return serverstatus(controlport).dump().find(R"("connected":true)") !=
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
        // The last tone is cut by S mid-period, and the client's end of it is where the stream
        // stopped: its estimate over its one second may be off by 2 %. The tones lie 220 Hz apart.
        EXPECT_NEAR(tones[i].frequency, kHz[i], i < 3 ? 15 : 25);
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
