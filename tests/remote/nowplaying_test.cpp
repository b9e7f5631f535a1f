// What plays as the phone and the desktop media controls see it: the file's tags, its cover
// served from memory, and the same in the MPRIS metadata read with playerctl; and moving
// within the file from both.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <regex>

#include "commands/keycodes.h"
#include "e2e/process.h"
#include "remotefixture.h"
#include "testenv.h"

namespace tunedeck::testing {
namespace {

using namespace std::chrono_literals;

std::string filebytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A session bus of its own for the test, in the environment while it lives.
class SessionBus {
  public:
    SessionBus()
        : bus_({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, {}, dir_ / "address",
               "/dev/null") {
        std::string address;
        e2e::waituntil([&] { return (address = e2e::readfile(dir_ / "address")).ends_with('\n'); },
                       10s);
        if (!address.empty()) address.pop_back();
        env_ = std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_ADDRESS", address.c_str());
    }

  private:
    fixtures::TempDir dir_;
    e2e::Child bus_;
    std::unique_ptr<ScopedEnv> env_;
};

std::string playerctl(const RemoteJukebox& box, const std::vector<std::string>& arguments) {
    const fs::path out = box.dir / "playerctl.txt";
    std::vector<std::string> command = {"playerctl", "-p", "tunedeck"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    e2e::Child child(command, {}, out, "/dev/null");
    return child.wait(10s).value_or(-1) == 0 ? e2e::readfile(out) : "failed";
}

bool hasentry(const std::string& metadata, const std::string& key, const std::string& value) {
    return std::regex_search(metadata, std::regex("tunedeck " + key + " +'?" + value + "'?\n"));
}

void tagged(const fs::path& root) {
    fixtures::Tone tone{.frequency = 440.0, .seconds = 4.0};
    tone.tags = {
        {"title", "First Light"}, {"artist", "The Testers"}, {"album", "Tones"}, {"track", "7"}};
    fixtures::writetone(root / "01.mp3", fixtures::AudioFormat::Mp3, tone);
    fixtures::writepicture(root / "Cover.JPG", fixtures::PictureFormat::Jpeg, 64, 64, {200, 0, 0});
}

TEST(RemoteNowPlaying, TagsAndTheFoldersCoverReachThePhoneAndTheMediaControls) {
    SessionBus bus;
    RemoteJukebox box(4.0, "mpris=1", tagged);
    ASSERT_TRUE(box.app->remote()->mprisrunning());
    const std::string token = box.pair();
    ASSERT_FALSE(token.empty());
    ASSERT_TRUE(box.rununtil([&] { return box.state().playing == "01"; }));
    auto c = box.client();

    const auto got = c.Get("/api/state", bearer(token));
    ASSERT_TRUE(got);
    const auto state = nlohmann::json::parse(got->body);
    EXPECT_EQ(state["tags"],
              nlohmann::json::parse(
                  R"({"title":"First Light","artist":"The Testers","album":"Tones","track":7})"));
    EXPECT_EQ(state["playing"], "01");  // the television's name stays
    const std::string cover = state["cover"];
    ASSERT_TRUE(std::regex_match(cover, std::regex("/api/cover/[0-9a-f]{16}"))) << cover;

    const auto picture = c.Get(cover + "?token=" + token);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->status, 200);
    EXPECT_EQ(picture->body, filebytes(box.root() / "Cover.JPG"));
    EXPECT_EQ(picture->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_EQ(picture->get_header_value("Cache-Control"), "private, max-age=31536000, immutable");
    EXPECT_EQ(c.Get(cover)->status, 401);
    EXPECT_EQ(c.Get("/api/cover/0123456789abcdef?token=" + token)->status, 404);
    EXPECT_EQ(c.Get("/api/cover/..%2f..%2fsettings.ini?token=" + token)->status, 404);

    const std::string metadata = playerctl(box, {"metadata"});
    EXPECT_TRUE(hasentry(metadata, "xesam:title", "First Light")) << metadata;
    EXPECT_TRUE(hasentry(metadata, "xesam:artist", "The Testers")) << metadata;
    EXPECT_TRUE(hasentry(metadata, "xesam:album", "Tones")) << metadata;
    EXPECT_TRUE(hasentry(metadata, "xesam:trackNumber", "7")) << metadata;
    EXPECT_TRUE(hasentry(metadata, "mpris:artUrl", "file://" + (box.root() / "Cover.JPG").string()))
        << metadata;

    // The next file has no tags: its display name is its title, and nothing else is made up.
    playerctl(box, {"next"});
    ASSERT_TRUE(box.rununtil([&] { return box.state().playing == "02"; }));
    const std::string plain = playerctl(box, {"metadata"});
    EXPECT_TRUE(hasentry(plain, "xesam:title", "02")) << plain;
    EXPECT_EQ(plain.find("xesam:artist"), std::string::npos) << plain;
    EXPECT_EQ(box.state().tagtitle, "");
}

// Without a cover file the folder's first music file lends its embedded picture; the media
// controls get it as a file of its own, which goes when the jukebox does.
TEST(RemoteNowPlaying, EmbeddedCoverIsServedAndWrittenForTheMediaControls) {
    SessionBus bus;
    fs::path artfile;
    {
        RemoteJukebox box(4.0, "mpris=1", [](const fs::path& root) {
            fixtures::writeembeddedcover(root / "00.mp3", fixtures::PictureFormat::Png, 32, 32,
                                         {0, 200, 0});
        });
        const std::string token = box.pair();
        ASSERT_FALSE(token.empty());
        ASSERT_TRUE(box.rununtil([&] { return box.state().cover != nullptr; }));
        const auto cover = box.state().cover;
        EXPECT_EQ(cover->type, "image/png");
        const std::string metadata = playerctl(box, {"metadata", "mpris:artUrl"});
        ASSERT_TRUE(metadata.starts_with("file:///")) << metadata;
        artfile = metadata.substr(7, metadata.size() - 8);
        EXPECT_EQ(filebytes(artfile), cover->bytes);
        auto c = box.client();
        const auto served = c.Get("/api/cover/" + cover->id + "?token=" + token);
        ASSERT_TRUE(served);
        EXPECT_EQ(served->body, cover->bytes);
    }
    EXPECT_FALSE(fs::exists(artfile));
}

// The first tone heard at about `frequency` (within 3 %) lasting `seconds`; null when none.
const fixtures::ToneSegment* firsttone(const std::vector<fixtures::ToneSegment>& tones,
                                       double frequency, double seconds) {
    for (const auto& t : tones)
        if (std::abs(t.frequency - frequency) <= frequency * 0.03 && t.seconds >= seconds)
            return &t;
    return nullptr;
}

// A 40-second file whose tone rises from 440 to 660 Hz at 20 s: the tone heard tells where in
// the file the sound comes from. Moved by the media controls and by the phone, the position
// and the sound follow at once, and what cannot be moved says so.
TEST(RemoteSeek, MediaControlsAndPhoneMoveInTheFileAndTheSoundFollows) {
    SessionBus bus;
    RemoteJukebox box(4.0, "mpris=1", [](const fs::path& root) {
        fixtures::writetone(
            root / "01.mp3", fixtures::AudioFormat::Mp3,
            {.frequency = 440.0, .seconds = 40.0, .laterfrequency = 660.0, .changeat = 20.0});
    });
    const std::string token = box.pair();
    ASSERT_FALSE(token.empty());
    ASSERT_TRUE(box.rununtil([&] { return box.state().playing == "01"; }));
    EXPECT_TRUE(box.state().canseek);

    // SetPosition, as playerctl sends it with the track's id; Seeked says where it landed.
    e2e::Child monitor({"dbus-monitor", "--session", "type='signal',member='Seeked'"}, {},
                       box.dir / "seeked.txt", "/dev/null");
    box.rununtil([] { return false; }, 0.5);  // the monitor is listening
    playerctl(box, {"position", "30"});
    ASSERT_TRUE(box.rununtil([&] { return box.state().position >= 30; }, 5));
    EXPECT_LT(box.state().position, 34);
    EXPECT_TRUE(box.rununtil(
        [&] {
            return std::regex_search(e2e::readfile(box.dir / "seeked.txt"),
                                     std::regex("member=Seeked[^\\n]*\\n +int64 3[0-3]000000"));
        },
        5))
        << e2e::readfile(box.dir / "seeked.txt");
    monitor.end();
    ASSERT_TRUE(box.rununtil([&] { return firsttone(box.heard(), 660.0, 0.5) != nullptr; }, 5));
    // Heard long before the tone's own change at 20 s.
    EXPECT_LT(firsttone(box.heard(), 660.0, 0.5)->start, 10.0);
    EXPECT_EQ(std::stoi(playerctl(box, {"position"})), box.state().position);

    // Seek, relative: back by 25 s, into the lower tone again.
    playerctl(box, {"position", "25-"});
    ASSERT_TRUE(box.rununtil([&] { return box.state().position < 20; }, 5));
    EXPECT_GE(box.state().position, 4);

    // The phone's position bar sends a place from the start of the file.
    auto c = box.client();
    const auto seek = [&](const std::string& body) {
        const auto r = c.Post("/api/seek", bearer(token), body, "application/json");
        return r ? r->status : 0;
    };
    EXPECT_EQ(seek(R"({"position":21.5})"), 204);
    ASSERT_TRUE(box.rununtil([&] { return box.state().position >= 21; }, 5));
    EXPECT_LT(box.state().position, 25);
    EXPECT_EQ(seek(R"({"offset":-3})"), 204);
    ASSERT_TRUE(box.rununtil([&] { return box.state().position < 21; }, 5));
    for (const char* bad : {R"({"position":-1})", R"({"offset":"x"})", R"({})", "[1]"})
        EXPECT_EQ(seek(bad), 400) << bad;
    EXPECT_EQ(c.Post("/api/seek", R"({"position":1})", "application/json")->status, 401);
    box.key(kKeyS);
    ASSERT_TRUE(box.rununtil([&] { return box.state().state == "stopped"; }));
    EXPECT_FALSE(box.state().canseek);
    EXPECT_EQ(seek(R"({"position":1})"), 409);
}

}  // namespace
}  // namespace tunedeck::testing
