// The jukebox on an audio-CD image named as its drive.
#include <gtest/gtest.h>

#include "harness.h"

namespace tunedeck::e2e {
namespace {

using namespace std::chrono_literals;

// The disc plays from track 1 and the remote's N key moves on to track 2.
TEST(CdMode, DiscPlaysFromTrackOneAndNextMovesToTrackTwo) {
    fixtures::TempDir dir;
    fs::create_directories(dir / "music");
    fixtures::writecdimage(dir / "disc.cue", {{6.0, 440.0}, {6.0, 660.0}, {6.0, 880.0}});
    XServer x(1024, 768);
    Jukebox box(x, dir / "app", settingstext(dir / "music", (dir / "disc.cue").string()));
    box.start();
    ASSERT_TRUE(box.waitforwindow(30s)) << box.stderrtext();

    ASSERT_TRUE(waituntil([&] { return findtone(box.tones(), 440, 0.5) >= 0; }, 20s))
        << box.stderrtext();
    box.key("n");
    ASSERT_TRUE(waituntil([&] { return findtone(box.tones(), 660, 0.5) >= 0; }, 20s));
    const auto tones = box.tones();
    const int first = findtone(tones, 440, 0.5);
    EXPECT_LT(first, findtone(tones, 660, 0.5));
    EXPECT_LT(tones[static_cast<std::size_t>(first)].seconds, 5.5) << "N did not cut track 1";
    box.key("x");
    EXPECT_EQ(box.wait(1s), std::optional<int>(0));
}

// The CD layer's own error boxes come up during keys, over the list: the remote's OK closes
// them and the keys reach the list again.
TEST(CdMode, ErrorOfAKeyIsShownAndOkGivesTheKeysBackToTheList) {
    fixtures::TempDir dir;
    fs::create_directories(dir / "music");
    fixtures::writecdimage(dir / "disc.cue", {{20.0, 440.0}, {4.0, 0.0, true}});
    XServer x(1024, 768);
    Jukebox box(x, dir / "app",
                settingstext(dir / "music", (dir / "disc.cue").string(), "showletters=0\n"));
    box.start();
    ASSERT_TRUE(box.waitforwindow(30s)) << box.stderrtext();

    box.key("Down");
    box.key("Return");  // the data track does not play
    ASSERT_TRUE(errorpageshown(box.screenshotwhen("error", errorpageshown, 20s)));
    box.key("Return");
    EXPECT_FALSE(errorpageshown(box.screenshotwhen(
        "list", [](const Screenshot& s) { return !errorpageshown(s); }, 10s)));
    box.key("x");
    EXPECT_EQ(box.wait(10s), std::optional<int>(0)) << "the exit key went nowhere";
}

}  // namespace
}  // namespace tunedeck::e2e
