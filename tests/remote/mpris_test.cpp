// The desktop media controls under a private session bus, driven and read
// with playerctl as a desktop would.
#include <gtest/gtest.h>

#include <regex>

#include "e2e/process.h"
#include "remotefixture.h"
#include "testenv.h"

namespace tunedeck::testing {
namespace {

using namespace std::chrono_literals;

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
