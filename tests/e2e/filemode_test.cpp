// The jukebox in file mode as a user meets it: the first screen, the music it plays, the keys
// of the remote, and the exit key; on an audio-CD image named as its drive; and runs that cannot
// go on, each ending with status 1, its error page dismissed by a plain key as on a kiosk.
#include <gtest/gtest.h>

#include <fstream>
#include <utility>

#include "harness.h"

namespace tunedeck::e2e {
namespace {

using namespace std::chrono_literals;
using fixtures::TempDir;

constexpr auto kStart = 30s;  // a loaded machine may take long to start a program under Xvfb
constexpr auto kSound = 20s;

void writemp3(const fs::path& file, double frequency = 440, double seconds = 1) {
    fs::create_directories(file.parent_path());
    fixtures::writetone(file, fixtures::AudioFormat::Mp3, {frequency, seconds});
}

// The jukebox with dir/music as its root, started under an X server of its own.
class Run : public ::testing::Test {
  protected:
    Jukebox& launch(const std::string& device = "none", const std::string& lines = {},
                    const std::map<std::string, std::string>& env = {}, int width = 1024,
                    int height = 768) {
        fs::create_directories(dir / "music");
        x.emplace(width, height);
        box.emplace(*x, dir / "app", settingstext(dir / "music", device, lines));
        box->start(env);
        return *box;
    }
    TempDir dir;
    std::optional<XServer> x;
    std::optional<Jukebox> box;  // ended before its X server
};
using FileMode = Run;
using CdMode = Run;
using Exits = Run;

// The tone of `from` plays, N cuts it short and the tone of `to` follows.
void expectnextcuts(Jukebox& box, double from, double to) {
    ASSERT_TRUE(waituntil([&] { return findtone(box.tones(), from, 0.5) >= 0; }, kSound))
        << box.stderrtext();
    box.key("n");
    ASSERT_TRUE(waituntil([&] { return findtone(box.tones(), to, 0.5) >= 0; }, kSound));
    const auto tones = box.tones();
    const int first = findtone(tones, from, 0.5);
    EXPECT_LT(first, findtone(tones, to, 0.5));
    EXPECT_LT(tones[static_cast<std::size_t>(first)].seconds, 5.5) << "N did not cut the tone";
}

bool titleshown(const Screenshot& shot) {
    return shot.whiteshare(33, 13, 617, 65) > 0.02;
}

// Share of the rectangle's pixels that are the colour (r, g, b).
double colourshare(const Screenshot& shot, int x, int y, int w, int h, int r, int g, int b) {
    return shot.share(x, y, w, h,
                      [&](int xx, int yy) { return near(shot.at(xx, yy), r, g, b, 2); });
}

// Where the list page is drawn: between the two lines, left of the right margin.
double listchange(const Screenshot& a, const Screenshot& b) {
    return a.difference(b, 0, 95, 1024, 585);
}

// Subfolders are walked before the files beside them: Alpha, then C, then the root's own file.
// Enter opens a letter of the first screen's grid, then a folder in it.
TEST_F(FileMode, FirstScreenShowsTheSettingsGradientPlaysTheScanOrderAndEnterOpensALetter) {
    writemp3(dir / "music/a.mp3", 440, 6);
    writemp3(dir / "music/Alpha/Inner/b.mp3", 660, 6);
    writemp3(dir / "music/C/c.mp3", 880, 6);
    Jukebox& box = launch("none",
                          "color1r=200\ncolor1g=40\ncolor1b=20\n"
                          "color2r=20\ncolor2g=60\ncolor2b=180\n");
    ASSERT_TRUE(box.waitforwindow(kStart)) << box.stderrtext();
    Screenshot shot = box.screenshotwhen("first", titleshown, kStart);

    EXPECT_TRUE(titleshown(shot));
    // The right edge is bare background: the first colour at the top and, the gradient having
    // run its course, the second at the bottom. The band between the lines is hatched in the
    // second colour over the gradient.
    EXPECT_TRUE(near(shot.at(1018, 3), 200, 40, 20, 6));
    EXPECT_TRUE(near(shot.at(1018, 765), 20, 60, 180, 6));
    EXPECT_GT(colourshare(shot, 1004, 392, 16, 16, 20, 60, 180), 0.2);
    EXPECT_LT(colourshare(shot, 1004, 392, 16, 16, 20, 60, 180), 0.9);
    // Halfway down the top strip the gradient has moved a little towards the second colour.
    Pixel mid = shot.at(1018, 60);
    EXPECT_LT(mid.r, 200);
    EXPECT_GT(mid.b, 20);

    expectnextcuts(box, 660, 880);
    EXPECT_EQ(findtone(box.tones(), 440, 0.05), -1) << "the root's own file played too early";

    Screenshot letters = box.screenshot("letters");
    // Without a key the list stays as it is, so a change below comes from the key.
    Screenshot again = box.screenshot("letters-again");
    ASSERT_EQ(listchange(letters, again), 0.0);

    box.key("Return");
    auto changed = [&](const Screenshot& before) {
        return [&before](const Screenshot& s) { return listchange(before, s) > 0.001; };
    };
    Screenshot folders = box.screenshotwhen("letter-a", changed(letters), 10s);
    EXPECT_GT(listchange(letters, folders), 0.001) << "Enter on a letter left the list";

    box.key("Return");
    Screenshot inside = box.screenshotwhen("alpha", changed(folders), 10s);
    EXPECT_GT(listchange(folders, inside), 0.001) << "Enter on a folder left the list";
    box.key("x");
    EXPECT_EQ(box.wait(1s), std::optional<int>(0));
    EXPECT_EQ(box.messages(), "");
}

// The disc plays from track 1 and the remote's N key moves on to track 2. The CD layer's own
// error boxes come up during keys, over the list: the remote's OK closes them and the keys reach
// the list again.
TEST_F(CdMode, DiscPlaysFromTrackOneNextMovesOnAndOkClosesTheErrorOfAKey) {
    fixtures::writecdimage(dir / "disc.cue", {{6.0, 440.0}, {6.0, 660.0}, {4.0, 0.0, true}});
    Jukebox& box = launch((dir / "disc.cue").string(), "showletters=0\n");
    ASSERT_TRUE(box.waitforwindow(kStart)) << box.stderrtext();
    expectnextcuts(box, 440, 660);

    box.key("Down");
    box.key("Down");
    box.key("Return");  // the data track does not play
    ASSERT_TRUE(errorpageshown(box.screenshotwhen("error", errorpageshown, 20s)));
    box.key("Return");
    EXPECT_FALSE(errorpageshown(box.screenshotwhen(
        "list", [](const Screenshot& s) { return !errorpageshown(s); }, 10s)));
    box.key("x");
    EXPECT_EQ(box.wait(10s), std::optional<int>(0))
        << "the exit key went nowhere: " << box.stderrtext();
}

TEST_F(Exits, NoMusicUnderTheRootEndsWithItsMessage) {
    // A playlist and other files alone are no music to start with.
    fs::create_directories(dir / "music/Sub");
    std::ofstream(dir / "music/Sub/list.m3u") << "gone.mp3\n";
    std::ofstream(dir / "music/Sub/notes.txt") << "no music here\n";
    Jukebox& box = launch();
    EXPECT_EQ(box.wait(30s), std::optional<int>(1));
    EXPECT_EQ(box.messages(), "tunedeck: no music under " + (dir / "music").string() + "\n");
}

class ErrorScreen : public Run, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(ErrorScreen, MissingDiscImageIsShownWhollyAndReturnDismissesIt) {
    const auto [width, height] = GetParam();
    writemp3(dir / "music/song.mp3");
    Jukebox& box = launch((dir / "missing.cue").string(), {}, {}, width, height);

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

TEST_F(Exits, SoundOutputThatCannotOpenIsShownBeforeTheScreenAndEnds) {
    writemp3(dir / "music/song.mp3");
    Jukebox& box = launch("none", {}, {{"SDL_AUDIODRIVER", "no-such-driver"}});
    ASSERT_TRUE(errorpageshown(box.screenshotwhen("error", errorpageshown, 30s)))
        << box.stderrtext();
    box.key("KP_Enter");  // the remote's OK on some receivers
    EXPECT_EQ(box.wait(10s), std::optional<int>(1));
    EXPECT_EQ(box.messages(), "tunedeck: the sound output could not be opened\n");
}

}  // namespace
}  // namespace tunedeck::e2e
