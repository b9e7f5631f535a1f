// Runs that cannot go on: each ends with status 1 and one line on standard error saying why.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace tunedeck::e2e {
namespace {

using namespace std::chrono_literals;
using fixtures::TempDir;

TEST(Exits, NoMusicUnderTheRootEndsWithItsMessage) {
    TempDir dir;
    // Only MP3 files are queued at start-up: a WAV alone is no music to start with.
    fs::create_directories(dir / "music/Sub");
    fixtures::writetone(dir / "music/Sub/only.wav", fixtures::AudioFormat::Wav, {});
    XServer x(1024, 768);
    Jukebox box(x, dir / "app", settingstext(dir / "music", "none"));
    box.start();
    EXPECT_EQ(box.wait(30s), std::optional<int>(1));
    EXPECT_EQ(box.messages(), "tunedeck: no music under " + (dir / "music").string() + "\n");
}

TEST(Exits, MissingDiscImageShowsItsBoxThenEndsWithItsMessage) {
    TempDir dir;
    fs::create_directories(dir / "music");
    fixtures::writetone(dir / "music/song.mp3", fixtures::AudioFormat::Mp3, {});
    XServer x(1024, 768);
    Jukebox box(x, dir / "app", settingstext(dir / "music", (dir / "missing.cue").string()));
    box.start();

    std::string window;
    ASSERT_TRUE(waituntil(
        [&] {
            window = box.findwindow("CD");
            return !window.empty() || !box.running();
        },
        30s));
    ASSERT_FALSE(window.empty()) << "ended without a box: " << box.stderrtext();
    // The box waits for the user.
    EXPECT_FALSE(box.wait(300ms).has_value());

    box.keytowindow(window, "Return");
    EXPECT_EQ(box.wait(10s), std::optional<int>(1));
    EXPECT_EQ(box.messages(), "tunedeck: the CD device could not be opened\n");
}

}  // namespace
}  // namespace tunedeck::e2e
