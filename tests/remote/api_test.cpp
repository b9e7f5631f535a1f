// The phone remote's API on loopback: pairing with the code the television shows, the state,
// keys acting through the one key handler, the event stream, and the QR code of key R; the
// desktop media controls under a private session bus, driven and read with playerctl. Nobody
// unpaired drives the jukebox and no client holds it up; pairing codes and tokens are good once
// and for their time only, and kept in a file for their owner.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <thread>

#include "commands/keycodes.h"
#include "e2e/process.h"
#include "remote/pairing.h"
#include "remote/tokenfile.h"
#include "remotefixture.h"
#include "testenv.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::testing {
namespace {

using namespace std::chrono_literals;

// The status of a reply; 0 when none came.
int status(const httplib::Result& reply) {
    return reply ? reply->status : 0;
}

TEST(RemoteApi, PairedPhoneDrivesTheJukeboxLikeTheRemoteControl) {
    RemoteJukebox box;
    ASSERT_NE(box.port(), 0);
    const std::string token = box.pair();
    ASSERT_FALSE(token.empty());
    auto c = box.client();

    const auto got = c.Get("/api/state", bearer(token));
    ASSERT_TRUE(got);
    ASSERT_EQ(got->status, 200);
    const auto json = nlohmann::json::parse(got->body);
    EXPECT_EQ(json["mode"], "file");
    EXPECT_EQ(json["title"], "Tunedeck Home");
    EXPECT_EQ(json["rows"], nlohmann::json({"01 (1)", "02 (2)", "03 (3)"}));
    EXPECT_EQ(json["icons"], nlohmann::json({"queued", "queued", "queued"}));
    EXPECT_EQ(json["highlight"], 1);
    EXPECT_EQ(json["state"], "playing");
    EXPECT_EQ(json["playing"], "01");
    EXPECT_EQ(json["length"], 4);
    EXPECT_EQ(json["queue"], "Playlist Item 1 of 3 (Next: 02)");

    for (const char* key : {"down", "down", "enter"})
        EXPECT_EQ(status(c.Post(std::string("/api/key/") + key, bearer(token), "", "text/plain")),
                  204);
    EXPECT_TRUE(box.rununtil([&] { return box.state().playing == "03"; }));
    EXPECT_EQ(box.state().highlight, 3);

    EXPECT_EQ(status(c.Post("/api/key/r", bearer(token), "", "text/plain")), 404);

    // Paired phones stay paired: the token is kept beside settings.ini (for its owner only, as
    // PairingTest checks).
    EXPECT_TRUE(Pairing(box.dir.path() / "remote.tokens").authorised(token));
}

TEST(RemoteApi, EventStreamFollowsTheTelevision) {
    RemoteJukebox box;
    const std::string token = box.pair();
    ASSERT_FALSE(token.empty());
    std::atomic<bool> sawdown{false};
    std::atomic<int> events{0};
    std::thread reader([&] {
        auto c = box.client();
        std::string text;
        c.Get("/api/events?token=" + token, [&](const char* data, size_t length) {
            text.append(data, length);
            for (std::size_t end; (end = text.find("\n\n")) != std::string::npos;
                 text.erase(0, end + 2)) {
                const std::string event = text.substr(0, end);
                if (event.rfind("event: state\ndata: ", 0) != 0) continue;
                ++events;
                const auto json = nlohmann::json::parse(event.substr(19), nullptr, false);
                if (json.is_object() && json["highlight"] == 2) sawdown = true;
            }
            return !sawdown;
        });
    });
    // The first event is the state as it is; a key on the television brings the next.
    EXPECT_TRUE(box.rununtil([&] { return events > 0; }));
    box.press(SDLK_DOWN);
    EXPECT_TRUE(box.rununtil([&] { return sawdown.load(); }));
    box.app->remote()->stop();  // ends the stream if the test failed
    reader.join();

    // Taken out of the queue as it plays, the file is still the one the state names.
    const std::string playing = box.state().playing;
    ASSERT_FALSE(playing.empty());
    box.app->browse().row = box.app->queue().playlistpos + 1;
    box.app->keydown(kKeyRight);
    ASSERT_EQ(box.app->queue().playlistcount, 2);
    EXPECT_EQ(box.state().playing, playing);
}

TEST(RemoteApi, PairingShowsOnTheTelevisionForItsTime) {
    RemoteJukebox box;
    const PairingView& view = box.app->remote()->pairingview();
    auto c = box.client();
    EXPECT_EQ(status(c.Post("/api/pair", "", "text/plain")), 202);
    ASSERT_TRUE(box.rununtil([&] { return view.lblPairCode.visible; }));
    EXPECT_TRUE(
        std::regex_search(view.lblPairCode.caption, std::regex("^Phone pairing code: [0-9]{6}$")))
        << view.lblPairCode.caption;

    box.app->keydown(kKeyShowQr);
    EXPECT_TRUE(view.imgPairQr.visible);
    EXPECT_EQ(view.lblPairQr.caption, "Scan with your phone to pair it: http://127.0.0.1:" +
                                          std::to_string(box.port()) + "/");

    RemoteLink& link = *box.app->remote();
    const auto now = RemoteLink::Clock::now();
    link.publish(box.state(), now + 31s);
    EXPECT_FALSE(view.imgPairQr.visible);
    EXPECT_TRUE(view.lblPairCode.visible);
    link.publish(box.state(), now + 121s);
    EXPECT_FALSE(view.lblPairCode.visible);
}

std::string playerctl(const RemoteJukebox& box, const std::string& command) {
    const fs::path out = box.dir / "playerctl.txt";
    e2e::Child child({"playerctl", "-p", "tunedeck", command}, {}, out, "/dev/null");
    return child.wait(10s).value_or(-1) == 0 ? e2e::readfile(out) : "failed";
}

// True when playerctl's metadata listing has the key with exactly this value.
bool hasentry(const std::string& metadata, const std::string& key, const std::string& value) {
    return std::regex_search(metadata, std::regex("tunedeck " + key + " +'?" + value + "'?\n"));
}

TEST(Mpris, PlayerctlDrivesAndReadsTheJukebox) {
    // A session bus of its own, ended with the test.
    fixtures::TempDir busdir;
    e2e::Child bus({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, {},
                   busdir / "address", "/dev/null");
    std::string address;
    ASSERT_TRUE(e2e::waituntil(
        [&] { return (address = e2e::readfile(busdir / "address")).ends_with('\n'); }, 10s));
    address.pop_back();
    ScopedEnv env("DBUS_SESSION_BUS_ADDRESS", address.c_str());
    RemoteJukebox box(4.0, "mpris=1\nenabled=0");
    ASSERT_TRUE(box.app->remote()->mprisrunning());
    ASSERT_TRUE(box.rununtil([&] { return box.state().state == "playing"; }));

    EXPECT_EQ(playerctl(box, "status"), "Playing\n");
    const std::string metadata = playerctl(box, "metadata");
    EXPECT_TRUE(hasentry(metadata, "xesam:title", "01")) << metadata;
    EXPECT_TRUE(hasentry(metadata, "mpris:length", "4000000")) << metadata;
    EXPECT_TRUE(hasentry(metadata, "mpris:trackid", "/org/tunedeck/track/0")) << metadata;

    EXPECT_EQ(playerctl(box, "next"), "");
    EXPECT_TRUE(box.rununtil([&] { return box.state().playing == "02"; }));
    EXPECT_TRUE(hasentry(playerctl(box, "metadata"), "xesam:title", "02"));

    playerctl(box, "play-pause");
    EXPECT_TRUE(box.rununtil([&] { return box.state().state == "paused"; }));
    EXPECT_EQ(playerctl(box, "status"), "Paused\n");
    playerctl(box, "pause");  // already paused: no key
    playerctl(box, "play");
    EXPECT_TRUE(box.rununtil([&] { return box.state().state == "playing"; }));
    playerctl(box, "play");  // already playing: no key, so it does not pause
    box.rununtil([] { return false; }, 0.5);
    EXPECT_EQ(box.state().state, "playing");
}

// A paired phone exists; requests without its token, with a made-up one or with one as a query
// parameter are refused and move nothing. Guessed pairing codes are limited.
TEST(RemoteSecurity, UnpairedRequestsGetNothingDoneAndGuessedCodesGet429) {
    RemoteJukebox box;
    ASSERT_FALSE(box.pair().empty());
    auto c = box.client();
    const std::string madeup(64, 'a');
    const httplib::Result replies[] = {c.Get("/api/state"),
                                       c.Post("/api/key/down", "", "text/plain"),
                                       c.Post("/api/key/down", bearer(madeup), "", "text/plain"),
                                       c.Get("/api/events?token=" + madeup)};
    for (const httplib::Result& reply : replies) EXPECT_EQ(status(reply), 401);
    box.rununtil([] { return false; }, 0.3);
    EXPECT_EQ(box.state().highlight, 1);

    const auto code = [&](const std::string& body) {
        return status(c.Post("/api/pair", body, "application/json"));
    };
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(code("{\"code\":\"12345" + std::to_string(i) + "\"}"), 401);
    EXPECT_EQ(code("{\"code\":\"123456\"}"), 429);
    EXPECT_EQ(code("{\"code\":123456"), 400);
}

struct RawCase {
    const char* name;
    std::string request;
    int status;
    friend void PrintTo(const RawCase& r, std::ostream* out) { *out << r.name; }
};

std::string headers(std::size_t count, std::size_t each) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += "X-Filler-" + std::to_string(i) + ": " + std::string(each, 'a') + "\r\n";
    return text;
}

std::string chunks(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += "400\r\n" + std::string(1024, 'a') + "\r\n";
    return text + "0\r\n\r\n";
}

// One jukebox for every case: none of them changes it.
class RawRequest : public ::testing::TestWithParam<RawCase> {
  public:
    static void SetUpTestSuite() { box = std::make_unique<RemoteJukebox>(); }
    static void TearDownTestSuite() { box.reset(); }
    static inline std::unique_ptr<RemoteJukebox> box;
};

TEST_P(RawRequest, IsAnsweredWithinItsBounds) {
    EXPECT_EQ(rawstatus(box->port(), GetParam().request), GetParam().status);
}

const std::string kGet = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n";
const std::string kPost = "POST /api/pair HTTP/1.1\r\nHost: 127.0.0.1\r\n";

INSTANTIATE_TEST_SUITE_P(
    Remote, RawRequest,
    ::testing::Values(
        RawCase{"Page", kGet + "\r\n", 200},
        RawCase{"HeadersJustUnder8KiB", kGet + headers(70, 100) + "\r\n", 200},
        RawCase{"OneLongHeader", kGet + "X-Long: " + std::string(9000, 'a') + "\r\n\r\n", 431},
        RawCase{"ManyHeadersPast8KiB", kGet + headers(2000, 100) + "\r\n", 431},
        RawCase{"BodyPast4KiB", kPost + "Content-Length: 5000\r\n\r\n" + std::string(5000, '{'),
                413},
        RawCase{"ChunkedBodyPast4KiB", kPost + "Transfer-Encoding: chunked\r\n\r\n" + chunks(64),
                413},
        RawCase{"DotDot", "GET /../settings.ini HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 404},
        RawCase{"EncodedDotDot",
                "GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 404},
        RawCase{"TokensFile", "GET /remote.tokens HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 404},
        RawCase{"DoubleSlash", "GET //api/state HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 404},
        RawCase{"KeyInCapitals", "POST /api/key/DOWN HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 404},
        RawCase{"EncodedSlashInKey",
                "POST /api/key/down%2f..%2fx HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 404}),
    [](const auto& info) { return std::string(info.param.name); });

// A socket that connects to the port and then sends one byte at a time, slowly.
class SlowClient {
  public:
    explicit SlowClient(int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        // Non-blocking: past the server's queues the connection waits, as a real one would.
        [[maybe_unused]] int rc = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    ~SlowClient() { close(fd_); }
    SlowClient(const SlowClient&) = delete;
    SlowClient& operator=(const SlowClient&) = delete;
    void drip() {
        const char c = kRequest[sent_ % (sizeof kRequest - 1)];
        if (send(fd_, &c, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1) ++sent_;
    }

  private:
    static constexpr char kRequest[] = "GET / HTTP/1.1\r\nX-Slow: ";
    int fd_;
    std::size_t sent_ = 0;
};

TEST(RemoteSecurity, TwoHundredSlowConnectionsLeaveTheTickAndTheSoundAlone) {
    RemoteJukebox box(8.0);
    ASSERT_TRUE(box.rununtil([&] { return box.state().state == "playing"; }));
    std::atomic<bool> stop{false};
    std::thread attacker([&] {
        std::vector<std::unique_ptr<SlowClient>> clients;
        for (int i = 0; i < 200; ++i) clients.push_back(std::make_unique<SlowClient>(box.port()));
        for (int round = 0; round < 100 && !stop; ++round) {
            for (auto& c : clients) c->drip();
            std::this_thread::sleep_for(50ms);
        }
    });
    // The tick keeps its pace and the clock label follows it.
    int ticks = 0;
    std::string lastclock;
    const auto start = std::chrono::steady_clock::now();
    box.rununtil(
        [&] {
            const std::string clock = box.app->form().lblTime.caption;
            if (clock != lastclock) ++ticks, lastclock = clock;
            return std::chrono::steady_clock::now() - start > 4s;
        },
        6);
    stop = true;
    attacker.join();
    EXPECT_GE(ticks, 3);
    // A page request after the attack is served.
    EXPECT_EQ(rawstatus(box.port(), "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 12s), 200);
    // The first file played on without a gap while the server was busy.
    box.app->Form_Unload();
    // One unbroken segment: a gap would split it in two.
    const auto tones = fixtures::findtones(box.audiofile());
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_NEAR(tones[0].frequency, 440.0, 440.0 * 0.03);
    EXPECT_GE(tones[0].seconds, 3.0);
}

TEST(RemoteSecurity, IdleConnectionsAreClosedAfterTenSeconds) {
    RemoteJukebox box;
    const auto start = std::chrono::steady_clock::now();
    rawstatus(box.port(), "GET / HTTP/1.1\r\n", 20s);  // whether a 400 comes first does not matter
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 9s);
    EXPECT_LT(waited, 15s);
}

TEST(RemoteSecurity, TakenPortAndMissingSessionBusLeaveTheJukeboxPlaying) {
    RemoteJukebox first;
    ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    ::testing::internal::CaptureStderr();
    RemoteJukebox second(4.0, "mpris=1\nport=" + std::to_string(first.port()));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("tunedeck: the phone remote is off: cannot listen on 127.0.0.1 port " +
                       std::to_string(first.port()) + ": Address already in use\n"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("tunedeck: the desktop media controls are off: no session bus"),
              std::string::npos)
        << err;
    EXPECT_FALSE(second.app->ended());
    EXPECT_EQ(second.port(), 0);
    EXPECT_TRUE(second.rununtil([&] { return second.state().state == "playing"; }));
}

using Outcome = Pairing::Outcome;

struct PairingTest : ::testing::Test {
    fixtures::TempDir dir;
    std::filesystem::path file = dir / "remote.tokens";
    Pairing pairing{file};
    Pairing::Clock::time_point t0 = Pairing::Clock::now();

    std::string code() { return Pairing::codetext(*pairing.requestcode("10.0.0.9", t0)); }
};

TEST_F(PairingTest, CodesAndOneTimeTokensAreGoodOnceAndForTheirTimeOnly) {
    const std::string c = code();
    EXPECT_EQ(pairing.redeem(c, "10.0.0.1", t0 + 119s).outcome, Outcome::Paired);
    EXPECT_EQ(pairing.redeem(c, "10.0.0.1", t0 + 119s).outcome, Outcome::Wrong);       // replayed
    EXPECT_EQ(pairing.redeem(code(), "10.0.0.1", t0 + 120s).outcome, Outcome::Wrong);  // old

    const std::string once = pairing.onetimetoken(t0);
    EXPECT_EQ(pairing.redeem(once, "10.0.0.2", t0 + 30s).outcome, Outcome::Wrong);
    const std::string replaced = pairing.onetimetoken(t0);
    const std::string last = pairing.onetimetoken(t0);
    EXPECT_EQ(pairing.redeem(replaced, "10.0.0.2", t0).outcome, Outcome::Wrong);
    const auto paired = pairing.redeem(last, "10.0.0.2", t0 + 29s);
    EXPECT_EQ(paired.outcome, Outcome::Paired);
    EXPECT_TRUE(pairing.authorised(paired.token));
    EXPECT_EQ(pairing.redeem(last, "10.0.0.2", t0 + 29s).outcome, Outcome::Wrong);  // replayed
    EXPECT_FALSE(pairing.authorised(""));
    EXPECT_FALSE(pairing.authorised(last));
}

TEST_F(PairingTest, GuessesAreLimitedPerAddressAndPerCode) {
    const std::string c = code();
    const std::string wrong = c == "000000" ? "000001" : "000000";
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(pairing.redeem(wrong, "10.0.0.1", t0 + 1s).outcome, Outcome::Wrong);
    // Past five wrong tries a minute even the right code is refused from that address.
    EXPECT_EQ(pairing.redeem(c, "10.0.0.1", t0 + 2s).outcome, Outcome::Limited);
    EXPECT_EQ(pairing.redeem(c, "10.0.0.1", t0 + 61s).outcome, Outcome::Paired);

    // Twenty wrong tries from anywhere void the code.
    const std::string d = code();
    const std::string wrongd = d == "000000" ? "000001" : "000000";
    for (int i = 0; i < 20; ++i) pairing.redeem(wrongd, "10.0.1." + std::to_string(i), t0 + 3s);
    EXPECT_EQ(pairing.redeem(d, "10.0.0.3", t0 + 3s).outcome, Outcome::Wrong);

    // Asking for codes is limited the same way.
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(pairing.requestcode("10.0.0.9", t0 + 4s));
    EXPECT_FALSE(pairing.requestcode("10.0.0.9", t0 + 4s));
    EXPECT_TRUE(pairing.requestcode("10.0.0.9", t0 + 62s));
    EXPECT_TRUE(pairing.requestcode("10.0.0.8", t0 + 62s + Pairing::kCodeLife));
}

TEST_F(PairingTest, TokensAreKeptForTheOwnerOnlyAndTheNewestStay) {
    std::ofstream(file) << "not a token\n";
    chmod(file.c_str(), 0644);
    Pairing fresh(file);
    std::vector<std::string> tokens;
    for (std::size_t i = 0; i < Pairing::kMaxTokens + 2; ++i) {
        const std::string once = fresh.onetimetoken(t0);
        tokens.push_back(fresh.redeem(once, "10.0.0.1", t0).token);
    }
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".new"));
    const auto kept = readtokens(file).hashes;
    ASSERT_EQ(kept.size(), Pairing::kMaxTokens);
    EXPECT_EQ(kept.back(), tokenhash(tokens.back()));
    Pairing restarted(file);
    EXPECT_TRUE(restarted.authorised(tokens.back()));
    EXPECT_FALSE(restarted.authorised(tokens.front()));  // the oldest went
}

}  // namespace
}  // namespace tunedeck::testing
