// The jukebox on an audio-CD image named as its drive: the disc plays from track 1 and the
// remote's N key moves on to the next track.
#include <gtest/gtest.h>

#include "harness.h"

namespace tunedeck::e2e {
namespace {

using namespace std::chrono_literals;
using fixtures::TempDir;

TEST(CdMode, DiscPlaysFromTrackOneAndNextMovesToTrackTwo) {
    TempDir dir;
    fs::create_directories(dir / "music");
    const fs::path cue = dir / "disc/disc.cue";
    fs::create_directories(cue.parent_path());
    fixtures::writecdimage(cue, {{6.0, 440.0}, {6.0, 660.0}, {6.0, 880.0}});
    XServer x(1024, 768);
    Jukebox box(x, dir / "app", settingstext(dir / "music", cue.string()));
    box.start();
    ASSERT_TRUE(box.waitforwindow(30s)) << box.stderrtext();

    ASSERT_TRUE(waituntil([&] { return findtone(box.tones(), 440, 0.5) >= 0; }, 20s))
        << box.stderrtext();
    box.key("n");
    ASSERT_TRUE(waituntil([&] { return findtone(box.tones(), 660, 0.5) >= 0; }, 20s));

    auto tones = box.tones();
    int first = findtone(tones, 440, 0.5);
    int second = findtone(tones, 660, 0.5);
    EXPECT_LT(first, second);
    EXPECT_LT(tones[static_cast<std::size_t>(first)].seconds, 5.5) << "N did not cut track 1";

    box.key("x");
    EXPECT_EQ(box.wait(1s), std::optional<int>(0));
}

// The CD layer's own error boxes come up during keys, over the list: the remote's OK closes
// them and the keys reach the list again.
TEST(CdMode, ErrorOfAKeyIsShownAndOkGivesTheKeysBackToTheList) {
    TempDir dir;
    fs::create_directories(dir / "music");
    const fs::path cue = dir / "disc/disc.cue";
    fs::create_directories(cue.parent_path());
    fixtures::writecdimage(cue, {{20.0, 440.0}, {4.0, 0.0, true}});
    XServer x(1024, 768);
    Jukebox box(x, dir / "app", settingstext(dir / "music", cue.string(), "showletters=0\n"));
    box.start();
    ASSERT_TRUE(box.waitforwindow(30s)) << box.stderrtext();

    box.key("Down");
    box.key("Return");  // the data track does not play
    ASSERT_TRUE(errorpageshown(box.screenshotwhen("error", errorpageshown, 20s)));
    box.key("Return");
    const Screenshot list = box.screenshotwhen(
        "list", [](const Screenshot& s) { return !errorpageshown(s); }, 10s);
    EXPECT_FALSE(errorpageshown(list));
    box.key("x");
    EXPECT_EQ(box.wait(10s), std::optional<int>(0)) << "the exit key went nowhere";
}

}  // namespace
}  // namespace tunedeck::e2e
