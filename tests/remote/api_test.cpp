// The phone remote's API on loopback: pairing with the code the television shows, the state,
// keys acting through the one key handler, the event stream, and the QR code of key R; the
// desktop media controls under a private session bus, driven and read with playerctl.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <nlohmann/json.hpp>
#include <regex>
#include <thread>

#include "commands/keycodes.h"
#include "e2e/process.h"
#include "remote/pairing.h"
#include "remotefixture.h"
#include "testenv.h"

namespace tunedeck::testing {
namespace {

using namespace std::chrono_literals;

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

    for (const char* key : {"down", "down", "enter"}) {
        const auto pressed =
            c.Post(std::string("/api/key/") + key, bearer(token), "", "text/plain");
        ASSERT_TRUE(pressed);
        EXPECT_EQ(pressed->status, 204);
    }
    EXPECT_TRUE(box.rununtil([&] { return box.state().playing == "03"; }));
    EXPECT_EQ(box.state().highlight, 3);

    const auto unknown = c.Post("/api/key/r", bearer(token), "", "text/plain");
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->status, 404);

    // Paired phones stay paired: the token is kept beside settings.ini, for its owner only.
    struct stat info {};
    ASSERT_EQ(stat((box.dir.path() / "remote.tokens").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
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
    SDL_Event down{};
    down.type = SDL_KEYDOWN;
    down.key.keysym.sym = SDLK_DOWN;
    SDL_PushEvent(&down);
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
    const auto asked = c.Post("/api/pair", "", "text/plain");
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->status, 202);
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

}  // namespace
}  // namespace tunedeck::testing
