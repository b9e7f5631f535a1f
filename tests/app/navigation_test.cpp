// Moving through pages, folders and the letter grid on a temporary tree; playback keys in
// audio-CD mode on a generated disc image played in real time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "audio/mcireply.h"
#include "commands/keycodes.h"
#include "harness.h"

namespace tunedeck::testing {
namespace {

std::string cue(Harness& h) {
    return h.app->cues().lastliteral();
}

// A refused key sounds and draws nothing.
TEST(Navigation, PagesTurnAtTheirEdgesAndEmptyRowsRefuse) {
    Harness h(true);  // the first file plays on: nothing but the keys changes the screen
    for (int i = 1; i <= 7; ++i) h.tone(std::to_string(i) + ".mp3", 5.0);
    h.writesettings("none", "showletters=0\nperpage=3");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded);
    BrowseState& b = app.browse();
    app.pump();
    const auto frames = app.screen().framecount();
    h.press(SDLK_UP);
    EXPECT_EQ(cue(h), "/bang.wav");
    EXPECT_EQ(app.screen().framecount(), frames);
    for (int i = 0; i < 3; ++i) h.press(SDLK_DOWN);  // past the last row of a full page
    EXPECT_EQ(b.page, 2);
    EXPECT_EQ(b.row, 1);
    EXPECT_EQ(app.form().lblItem.get(1)->tag, "4");
    h.press(SDLK_d);
    const auto lastpage = app.screen().framecount();
    EXPECT_GT(lastpage, frames);
    h.press(SDLK_DOWN);  // the last page holds one entry
    EXPECT_EQ(b.row, 1);
    EXPECT_EQ(cue(h), "/bang.wav");
    EXPECT_EQ(app.screen().framecount(), lastpage);
    h.press(SDLK_UP);  // row 1 of page 3: last row of page 2
    EXPECT_EQ(b.page, 2);
    EXPECT_EQ(b.row, 3);
    EXPECT_EQ(cue(h), "/click.wav");
    h.press(SDLK_u);
    h.press(SDLK_u);
    EXPECT_EQ(b.page, 1);
    EXPECT_EQ(cue(h), "/bang.wav");
}

// A flat folder of 5,000 files, more than the 2,000 rows a listing once had: D pages to the
// last page, whose last file is listed and plays its own tone.
TEST(Navigation, TheLastFileOfAFiveThousandFileFolderIsReachedWithDAndPlays) {
    // Played at the output's real pace: an output drained as fast as it can be written gaps
    // whenever the decoder shares the core with the library's background work.
    Harness h(true);
    h.tone("s0000.mp3", 0.2, 440.0);
    for (int i = 1; i < 4999; ++i) {
        std::string name = std::to_string(i);
        name = "s" + std::string(4 - name.size(), '0') + name + ".mp3";
        std::filesystem::create_hard_link(h.root() / "s0000.mp3", h.root() / name);
    }
    h.tone("s4999.mp3", 0.4, 1000.0);
    // Nothing is queued at start-up, so the only sound is the file chosen.
    h.writesettings("none", "showletters=0\nperpage=11", "scanformats=wav");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded);
    BrowseState& b = app.browse();
    EXPECT_EQ(b.itemcount(), 5000);
    EXPECT_EQ(b.pages, 455);
    for (int i = 0; i < 500; ++i) h.key(kKeyD);  // past the last page D refuses
    EXPECT_EQ(b.page, 455);
    for (int i = 0; i < 10; ++i) h.key(kKeyDown);  // the last page holds 5,000 - 454 x 11 = 6
    EXPECT_EQ(b.row, 6);
    ASSERT_NE(b.highlighted(11), nullptr);
    EXPECT_EQ(b.highlighted(11)->label, "s4999");
    h.key(kKeyEnter);
    // The file reports stopped once its end has been handled; its tail is still being played.
    std::vector<fx::ToneSegment> tones;
    ASSERT_TRUE(h.waituntil([&] {
        tones = h.heard();
        return !tones.empty() && tones.back().seconds > 0.39;
    }));
    ASSERT_EQ(tones.size(), 1U);
    EXPECT_NEAR(tones[0].frequency, 1000.0, 20.0);
}

// Folders nested deeper than the 256 depths whose rows are remembered: Enter walks down to the
// bottom, Left walks back up to the root, and the root's row is the one left.
TEST(Navigation, FoldersDeeperThanTheRememberedDepthsWalkDownAndBackUp) {
    Harness h;
    std::filesystem::path deep = "a";
    for (int i = 0; i < 299; ++i) deep /= "d";
    h.tone(deep / "bottom.mp3", 0.05);
    h.tone("0.mp3", 0.05);
    std::filesystem::create_directories(h.root() / "0first");
    h.writesettings("none", "showletters=0\nperpage=11");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded);
    BrowseState& b = app.browse();
    h.key(kKeyDown);  // row 2: "a"
    ASSERT_EQ(b.highlighted(11)->label, "a");
    for (int i = 0; i < 300; ++i) h.key(kKeyEnter);
    EXPECT_EQ(currentfolder(app.browser()), (h.root() / deep).string());
    ASSERT_EQ(b.itemcount(), 1);
    EXPECT_EQ(b.items.at(1).label, "bottom");
    for (int i = 0; i < 300; ++i) h.key(kKeyLeft);
    EXPECT_EQ(currentfolder(app.browser()), h.root().string());
    EXPECT_EQ(b.depth, 0);
    EXPECT_EQ(b.row, 2);
    EXPECT_EQ(b.highlighted(11)->label, "a");
}

TEST(Navigation, PageSizeOfZeroOrLessDrawsAndMovesByElevenRows) {
    for (const char* perpage : {"0", "-4"}) {
        Harness h;
        for (int i = 10; i < 23; ++i) h.tone(std::to_string(i) + ".mp3", 0.05);
        h.writesettings("none", std::string("showletters=0\nperpage=") + perpage);
        Application& app = h.start();
        ASSERT_TRUE(h.loaded);
        const Element* last = app.form().lblItem.get(11);
        ASSERT_NE(last, nullptr) << perpage;
        EXPECT_EQ(last->tag, "11");
        EXPECT_FALSE(last->caption.empty());
        EXPECT_TRUE(app.form().lblMoreBelow.visible);
        for (int i = 0; i < 11; ++i) h.press(SDLK_DOWN);
        EXPECT_EQ(app.browse().page, 2);
        EXPECT_EQ(app.form().lblItem.get(1)->tag, "12");
        EXPECT_EQ(app.form().shpHighlight.top, app.form().lblItem.get(1)->top - 20);
    }
}

// Names tidied (fixnames=1) in the listing and in the title of a folder two levels down.
TEST(Navigation, FoldersOpenWithRightAndLeftRestoresPositionAndTidiedTitles) {
    Harness h;
    h.tone("rock_music/live/x.mp3", 0.05);
    h.tone("jazz/y.mp3", 0.05);
    std::ofstream(h.root() / "best_of.m3u") << "jazz/y.mp3\n";
    h.writesettings("none", "showletters=0", "fixnames=1");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded) << app.endreason();
    const BrowseState& b = app.browse();
    ASSERT_EQ(b.itemcount(), 3);
    EXPECT_EQ(b.items.at(2).label, "Rock Music");
    EXPECT_EQ(b.items.at(3).label, "Best Of");
    EXPECT_EQ(b.items.at(3).kind, ItemKind::Playlist);
    h.press(SDLK_DOWN);
    h.press(SDLK_RIGHT);  // Right on a folder acts as Enter
    EXPECT_EQ(cue(h), "/select.wav");
    EXPECT_EQ(app.form().lblTitle.caption, "Rock Music");
    h.press(SDLK_RETURN);  // live
    EXPECT_EQ(b.depth, 2);
    EXPECT_EQ(app.form().lblTitle.caption, "Rock Music / Live");
    h.press(SDLK_LEFT);
    h.press(SDLK_LEFT);
    EXPECT_EQ(cue(h), "/back.wav");
    EXPECT_EQ(app.folders().Dirs().path(), h.root().string());
    EXPECT_EQ(b.depth, 0);
    EXPECT_EQ(b.row, 2);
    EXPECT_EQ(app.form().lblTitle.caption, "Tunedeck Home");
    h.press(SDLK_LEFT);
    EXPECT_EQ(cue(h), "/bang.wav");
}

TEST(Navigation, LetterGridMovesByLinesAndLeavingALetterHighlightsIt) {
    Harness h;
    for (char c = 'A'; c <= 'Z'; ++c) h.tone(fs::path(std::string(1, c) + "x") / "x.mp3", 0.05);
    h.writesettings("none", "showletters=1");
    Application& app = h.start();
    ASSERT_TRUE(h.loaded);
    BrowseState& b = app.browse();
    h.press(SDLK_DOWN);
    h.press(SDLK_DOWN);
    h.press(SDLK_RETURN);  // letter C
    EXPECT_EQ(b.letter, "C");
    EXPECT_EQ(b.itemcount(), 1);
    h.press(SDLK_LEFT);
    EXPECT_TRUE(b.letterfocus);
    EXPECT_EQ(b.row, 3);
    EXPECT_EQ(app.form().lblTitle.caption, "Tunedeck Home");
    const std::pair<int, SDL_Keycode> refused[] = {
        {22, SDLK_DOWN}, {5, SDLK_UP}, {26, SDLK_RIGHT}, {1, SDLK_LEFT}};
    for (const auto& [row, key] : refused) {
        b.row = row;
        h.press(key);
        EXPECT_EQ(b.row, row);
        EXPECT_EQ(cue(h), "/bang.wav");
    }
    b.row = 21;
    h.press(SDLK_DOWN);
    EXPECT_EQ(b.row, 26);
    b.row = 6;
    h.press(SDLK_UP);
    EXPECT_EQ(b.row, 1);
}

class CdKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        unsetenv("SDL_DISKAUDIODELAY");
        h.disc(4, 30.0);
        h.start();
        ASSERT_TRUE(h.loaded) << h.app->endreason();
    }
    std::string status(const std::string& item) {
        char reply[64] = {};
        mciSendStringA(h.app->mci(), ("status cd " + item).c_str(), reply, sizeof reply, nullptr);
        return reply;
    }
    std::string mode() { return status("mode"); }
    int track() { return replynumber(status("position"), 2).value_or(-1); }
    // Milliseconds into the track, from the "tt:mm:ss:ff" position.
    int milliseconds() {
        const std::string p = status("position");
        if (p.size() != 11) return -1;
        return ((std::stoi(p.substr(3, 2)) * 60 + std::stoi(p.substr(6, 2))) * 75 +
                std::stoi(p.substr(9, 2))) *
               1000 / 75;
    }
    Harness h;
};

// A paused disc reports "stopped", so the key that paused it resumes it where it paused.
TEST_F(CdKeys, EnterAndLPauseAndTheSameKeyResumesWhereItPaused) {
    h.app->browse().row = 3;
    h.press(SDLK_RETURN);
    EXPECT_EQ(track(), 3);
    EXPECT_EQ(h.app->queue().playlistpos, 1);  // the track playing when asked
    for (const SDL_Keycode key : {SDLK_RETURN, SDLK_l}) {
        h.press(key);
        EXPECT_EQ(mode(), "stopped");
        const int paused = milliseconds();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(milliseconds(), paused);
        h.press(key);
        EXPECT_EQ(mode(), "playing");
        EXPECT_NEAR(milliseconds(), paused, 100);
        EXPECT_EQ(track(), 3);
    }
    h.press(SDLK_s);
    h.press(SDLK_RETURN);  // stopped: on from the drive's position
    EXPECT_EQ(mode(), "playing");
}

TEST_F(CdKeys, NextAndPreviousWrapAndOnlyLabelTheStateWhenNotPlaying) {
    h.press(SDLK_p);
    EXPECT_EQ(track(), 4);
    h.press(SDLK_n);
    EXPECT_EQ(track(), 1);
    h.press(SDLK_l);
    h.press(SDLK_n);
    EXPECT_EQ(h.app->form().lblState.caption, "stopped");
    EXPECT_EQ(track(), 1);
    h.app->Timer1_Timer();  // the tick says the same, with no queue line
    EXPECT_EQ(h.app->form().lblState.caption, "stopped");
    EXPECT_EQ(h.app->form().lblPlaylist.caption, "");
}

// E jumps ten seconds on, in milliseconds, and leaves the drive counting in tracks again; N goes
// on from there. Space starts the disc over from track 1.
TEST_F(CdKeys, SeekJumpsTenSecondsAndSpaceStartsTheDiscOver) {
    h.press(SDLK_s);
    const int from = milliseconds();
    h.press(SDLK_e);
    EXPECT_EQ(mode(), "playing");
    EXPECT_EQ(track(), 1);
    EXPECT_NEAR(milliseconds(), from + 10000, 500);  // -1 when not "tt:mm:ss:ff"
    h.press(SDLK_n);
    EXPECT_EQ(track(), 2);
    h.press(SDLK_SPACE);
    EXPECT_EQ(track(), 1);
    EXPECT_EQ(mode(), "playing");
}

// With the drive gone no key reads a track, so none sends a command (each would fail and show
// an error); N and P show the last reply the keys had.
TEST_F(CdKeys, KeysSendNothingWhenTheTrackCannotBeRead) {
    h.press(SDLK_l);  // pauses: the keys' last reply is "playing"
    mciSendStringA(h.app->mci(), "close all", nullptr, 0, nullptr);
    for (const SDL_Keycode key : {SDLK_n, SDLK_p, SDLK_RETURN}) {
        h.press(key);
        EXPECT_EQ(h.app->form().lblState.caption, "playing");
    }
    EXPECT_TRUE(h.boxes.shown.empty());
}

}  // namespace
}  // namespace tunedeck::testing
