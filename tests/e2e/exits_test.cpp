// Runs that cannot go on: each ends with status 1 and one line on standard error saying why.
// Errors are drawn full screen and dismissed as a kiosk does it: no window manager, a plain key
// with no window named and no focus given.
#include <gtest/gtest.h>

#include <fstream>
#include <utility>

#include "harness.h"

namespace tunedeck::e2e {
namespace {

using namespace std::chrono_literals;

TEST(Exits, NoMusicUnderTheRootEndsWithItsMessage) {
    fixtures::TempDir dir;
    // A playlist and other files alone are no music to start with.
    fs::create_directories(dir / "music/Sub");
    std::ofstream(dir / "music/Sub/list.m3u") << "gone.mp3\n";
    std::ofstream(dir / "music/Sub/notes.txt") << "no music here\n";
    XServer x(1024, 768);
    Jukebox box(x, dir / "app", settingstext(dir / "music", "none"));
    box.start();
    EXPECT_EQ(box.wait(30s), std::optional<int>(1));
    EXPECT_EQ(box.messages(), "tunedeck: no music under " + (dir / "music").string() + "\n");
}

class ErrorScreen : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(ErrorScreen, MissingDiscImageIsShownWhollyAndReturnDismissesIt) {
    const auto [width, height] = GetParam();
    fixtures::TempDir dir;
    fs::create_directories(dir / "music");
    fixtures::writetone(dir / "music/song.mp3", fixtures::AudioFormat::Mp3, {});
    XServer x(width, height);
    Jukebox box(x, dir / "app", settingstext(dir / "music", (dir / "missing.cue").string()));
    box.start();

    const Screenshot shot = box.screenshotwhen("error", errorpageshown, 30s);
    ASSERT_TRUE(errorpageshown(shot)) << box.stderrtext();
    const WhiteText text = whitetext(shot, width / 40);
    EXPECT_GE(text.bands, 5) << "the title, the message's lines and OK";
    EXPECT_FALSE(text.nearedge) << "text runs off the screen";
    EXPECT_FALSE(box.wait(300ms).has_value()) << "the box waits for the user";

    box.key("Return");
    EXPECT_EQ(box.wait(10s), std::optional<int>(1));
    EXPECT_EQ(box.messages(), "tunedeck: the disc image " + (dir / "missing.cue").string() +
                                  " could not be opened\n");
}

INSTANTIATE_TEST_SUITE_P(Displays, ErrorScreen,
                         ::testing::Values(std::make_pair(1024, 768), std::make_pair(1920, 1080)));

TEST(Exits, SoundOutputThatCannotOpenIsShownBeforeTheScreenAndEnds) {
    fixtures::TempDir dir;
    fs::create_directories(dir / "music");
    fixtures::writetone(dir / "music/song.mp3", fixtures::AudioFormat::Mp3, {});
    XServer x(1024, 768);
    Jukebox box(x, dir / "app", settingstext(dir / "music", "none"));
    box.start({{"SDL_AUDIODRIVER", "no-such-driver"}});

    ASSERT_TRUE(errorpageshown(box.screenshotwhen("error", errorpageshown, 30s)))
        << box.stderrtext();
    box.key("KP_Enter");  // the remote's OK on some receivers
    EXPECT_EQ(box.wait(10s), std::optional<int>(1));
    EXPECT_EQ(box.messages(), "tunedeck: the sound output could not be opened\n");
}

}  // namespace
}  // namespace tunedeck::e2e
