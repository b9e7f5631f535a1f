#include "browse/browser.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/browse/tree.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

namespace fx = tunedeck::fixtures;
using testing::touch;

// The application's shared state around one Browser, with the real audio library on SDL's
// disk driver, the real CD layer and a settings file in a temporary folder.
class BrowserTest : public ::testing::Test {
  protected:
    BrowserTest() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", out().c_str(), 1);
        // Real time: at full speed the output can outrun a slow (sanitizer) build's decoder, and
        // the underruns would split the tones this test measures.
        unsetenv("SDL_DISKAUDIODELAY");
        std::ofstream(dir / "settings.ini")
            << "[system]\npath=" << music() << "/\n[cd]\ndevice=disc.cue\n";
        std::filesystem::create_directories(music());
    }
    std::string out() const { return (dir / "out.raw").string(); }
    std::string music() const { return (dir / "music").string(); }

    fx::TempDir dir;
    BrowseState state;
    RunMode mode;
    Settings settings;
    SettingsReader reader{dir.path()};
    FolderLists folders;
    AudioLibrary bass;
    PlayQueue queue;
    Playback playback{bass, queue};
    MciSession mci{cd::DriveTarget{"disc.cue", dir.path()}};
    std::vector<std::string> cdcommands;
    std::array<char, 40> reply{};
    CdDeck cd{mci,
              [this](const std::string& command, bool) {
                  cdcommands.push_back(command);
                  return true;
              },
              reply};
    Browser browser{state, mode, settings, reader, folders, queue, playback, cd};
};

TEST_F(BrowserTest, ScanStartsTheFirstPlayableFileWhileWalking) {
    ASSERT_NE(BASS_Init(bass, -1, 44100, 25u << 16, nullptr), 0);
    ASSERT_NE(BASS_Start(bass), 0);
    std::filesystem::create_directories(dir / "music" / "0bad");
    fx::writerandombytes(dir / "music" / "0bad" / "x.mp3", 4096, 3);
    std::filesystem::create_directories(dir / "music" / "b");
    fx::writetone(dir / "music" / "b" / "c.mp3", fx::AudioFormat::Mp3, {880.0, 0.5});
    fx::writetone(dir / "music" / "a.mp3", fx::AudioFormat::Mp3, {440.0, 0.5});

    scan(browser, reader.rootpath());
    ASSERT_EQ(queue.playlistcount, 3);
    EXPECT_EQ(queue.playlist[0].path, music() + "/0bad/x.mp3");
    EXPECT_EQ(queue.playlist[1].path, music() + "/b/c.mp3");
    EXPECT_EQ(queue.playlist[2].path, music() + "/a.mp3");
    EXPECT_EQ(queue.playlistpos, 1);
    EXPECT_EQ(currentfolder(browser), music());

    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (BASS_ChannelIsActive(bass, queue.stream) != BASS_ACTIVE_STOPPED &&
           std::chrono::steady_clock::now() < end) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, 5)) BASS_DispatchSyncEvent(bass, event);
    }
    SDL_Delay(100);
    BASS_Stop(bass);
    BASS_Free(bass);
    const std::vector<fx::ToneSegment> tones = fx::findtones(out());
    // c.mp3 of the subfolder first, then a.mp3 through the end-of-stream advance.
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_NEAR(tones[0].frequency, 880.0, 20.0);
    EXPECT_NEAR(tones[0].seconds, 0.5, 0.05);
    EXPECT_NEAR(tones[1].frequency, 440.0, 20.0);
}

TEST_F(BrowserTest, ListsTheRootWithSettingsAndRecordsLevels) {
    settings.fixnames = true;
    settings.perpage = 2;
    touch(dir / "music" / "rock_music" / "live" / "x.mp3");
    touch(dir / "music" / "jazz" / "y.mp3");
    touch(dir / "music" / "best_of.m3u");
    folders.setpath(reader.rootpath());
    createitems(browser);
    EXPECT_EQ(state.itemcount(), 3);
    EXPECT_EQ(state.pages, 2);
    EXPECT_EQ(state.items.at(2).label, "Rock Music");
    EXPECT_EQ(state.items.at(3).kind, ItemKind::Playlist);

    createletters(browser);
    EXPECT_EQ(testing::labels(state.items), (std::vector<std::string>{"J", "R"}));

    state.row = 2, state.page = 1;
    folders.setpath(music() + "/rock_music/live");
    levelchange(browser);
    EXPECT_EQ(state.depth, 2);
    EXPECT_EQ(state.levelstate[2].row, 2);
    EXPECT_EQ(displayname(browser, currentfolder(browser)), "Rock Music / Live");
}

TEST_F(BrowserTest, ListsTheDiscOfAnImage) {
    fx::writecdimage(dir / "disc.cue", {{4.0, 440.0}, {62.0, 0.0}, {2.0, 660.0}});
    ASSERT_EQ(mciSendStringA(mci, "open cdaudio alias cd wait shareable", nullptr, 0, nullptr), 0u);
    ASSERT_EQ(mciSendStringA(mci, "set cd time format tmsf", nullptr, 0, nullptr), 0u);
    mode = {Mode::Cd, 3};
    createitems(browser);
    ASSERT_EQ(state.itemcount(), 3);
    EXPECT_EQ(state.items.at(1).label, "Piste n\u00B01   00:04");
    EXPECT_EQ(state.items.at(2).label, "Piste n\u00B02   01:02");
    EXPECT_EQ(state.items.at(3).target, "3");
    EXPECT_EQ(state.pages, 1);
}

TEST_F(BrowserTest, ScanOfADiscRestartsItFromTheFirstTrack) {
    mode = {Mode::Cd, 3};
    folders.setpath("/");
    scan(browser, music());
    EXPECT_EQ(cdcommands, (std::vector<std::string>{"stop cd wait", "seek cd to 1", "play cd"}));
    EXPECT_EQ(currentfolder(browser), "/");
    EXPECT_EQ(queue.playlistcount, 0);
}

}  // namespace
}  // namespace tunedeck
