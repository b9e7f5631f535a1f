// The volume from the phone and the desktop: POST /api/volume and the state's `volume`, MPRIS's
// writable and signalled Volume, and the value kept in settings.ini for the next start.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "e2e/process.h"
#include "platform/profile/profile.h"
#include "remotefixture.h"
#include "testenv.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::testing {
namespace {

using namespace std::chrono_literals;

int status(const httplib::Result& reply) {
    return reply ? reply->status : 0;
}

std::string savedvolume(const RemoteJukebox& box) {
    char value[16] = {};
    GetPrivateProfileStringA("audio", "volume", "", value, sizeof value,
                             (box.dir / "settings.ini").c_str());
    return value;
}

TEST(RemoteVolume, PhoneSetsTheVolumeWhichTheStateShowsAndSettingsKeep) {
    RemoteJukebox box;
    const std::string token = box.pair();
    ASSERT_FALSE(token.empty());
    auto c = box.client();
    EXPECT_EQ(nlohmann::json::parse(c.Get("/api/state", bearer(token))->body)["volume"], 100);
    EXPECT_EQ(BASS_GetVolume(box.app->bass()), 1.0f);

    EXPECT_EQ(status(c.Post("/api/volume", bearer(token), R"({"volume": 40})", "application/json")),
              204);
    EXPECT_TRUE(box.rununtil([&] { return box.state().volume == 40; }));
    EXPECT_FLOAT_EQ(BASS_GetVolume(box.app->bass()), 0.4f);
    EXPECT_EQ(nlohmann::json::parse(c.Get("/api/state", bearer(token))->body)["volume"], 40);
    EXPECT_EQ(savedvolume(box), "40");

    // Anything but a whole number 0..100 is refused and changes nothing; so is a stranger.
    for (const char* body : {R"({"volume": 101})", R"({"volume": -1})", R"({"volume": 50.5})",
                             R"({"volume": "50"})", R"({"level": 50})", "[50]", "50", "{"}) {
        SCOPED_TRACE(body);
        EXPECT_EQ(status(c.Post("/api/volume", bearer(token), body, "application/json")), 400);
    }
    EXPECT_EQ(status(c.Post("/api/volume", bearer(token), "", "text/plain")), 400);
    EXPECT_EQ(status(c.Post("/api/volume", R"({"volume": 0})", "application/json")), 401);
    EXPECT_EQ(
        status(c.Post("/api/volume", bearer("made-up"), R"({"volume": 0})", "application/json")),
        401);
    box.rununtil([] { return false; }, 0.3);
    EXPECT_EQ(box.state().volume, 40);
    EXPECT_EQ(savedvolume(box), "40");
}

TEST(RemoteVolume, VolumeKeptInSettingsIsTheNextStartsVolume) {
    RemoteJukebox box;
    box.app->setvolume(150);  // kept within 0..100
    EXPECT_EQ(box.state().volume, 100);
    box.app->setvolume(25);
    box.app.reset();
    box.start(true);
    EXPECT_EQ(box.state().volume, 25);
    EXPECT_FLOAT_EQ(BASS_GetVolume(box.app->bass()), 0.25f);
}

std::string playerctl(const RemoteJukebox& box, const std::vector<std::string>& args) {
    const fs::path out = box.dir / "playerctl.txt";
    std::vector<std::string> argv = {"playerctl", "-p", "tunedeck"};
    argv.insert(argv.end(), args.begin(), args.end());
    e2e::Child child(argv, {}, out, "/dev/null");
    return child.wait(10s).value_or(-1) == 0 ? e2e::readfile(out) : "failed";
}

TEST(Mpris, VolumeIsWritableAndItsChangesAreSignalled) {
    SessionBus bus;  // of its own, ended with the test
    ASSERT_TRUE(bus.ready());
    RemoteJukebox box(4.0, "mpris=1\nenabled=0");
    ASSERT_TRUE(box.app->remote()->mprisrunning());
    ASSERT_TRUE(box.rununtil([&] { return box.state().state == "playing"; }));
    EXPECT_EQ(playerctl(box, {"volume"}), "1.000000\n");

    // A follower hears each change through PropertiesChanged, whoever made it.
    const fs::path followed = box.dir / "follow.txt";
    e2e::Child follower({"playerctl", "-p", "tunedeck", "--follow", "volume"}, {}, followed,
                        "/dev/null");
    ASSERT_TRUE(box.rununtil([&] { return e2e::readfile(followed).starts_with("1.0"); }));

    EXPECT_EQ(playerctl(box, {"volume", "0.3"}), "");
    EXPECT_TRUE(box.rununtil([&] { return box.state().volume == 30; }));
    EXPECT_FLOAT_EQ(BASS_GetVolume(box.app->bass()), 0.3f);
    box.app->setvolume(70);
    EXPECT_TRUE(box.rununtil([&] {
        return e2e::readfile(followed).find("0.300000\n0.700000\n") != std::string::npos;
    })) << e2e::readfile(followed);
    EXPECT_EQ(playerctl(box, {"volume"}), "0.700000\n");
}

}  // namespace
}  // namespace tunedeck::testing
