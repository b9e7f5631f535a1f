// The key handler over the real browsing model, player and CD layer, with the drawing
// operations and the CD commands recorded so that their order can be checked.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "browse/paging.h"
#include "commands/commands.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

namespace fs = std::filesystem;

struct Rig {
    explicit Rig(const std::string& device = "none") : cddevice(device) {
        fs::create_directories(root());
        std::ofstream(dir / "settings.ini")
            << "[display]\nperpage=3\nshowletters=0\n[system]\npath=" << root().string()
            << "\n[cd]\ndevice=" << device << "\n";
        settings = reader.loadsettings();
        setenv("SDL_DISKAUDIOFILE", (dir / "audio.raw").c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    }
    fs::path root() const { return dir / "music"; }
    void list() {
        folders.setpath(root().string());
        createitems(browser);
    }
    void press(int16_t key) { Form_KeyDown(keys, key, 0); }

    fixtures::TempDir dir;
    std::string cddevice;
    SettingsReader reader{dir.path()};
    Settings settings;
    std::unique_ptr<BrowseState> state = std::make_unique<BrowseState>();
    RunMode mode;
    std::unique_ptr<PlayQueue> queue = std::make_unique<PlayQueue>();
    AudioLibrary bass;
    Playback playback{bass, *queue};
    MciSession mci{cd::DriveTarget{cddevice, dir.path()}};
    FolderLists folders;
    std::vector<std::string> sent;  // commands given to mcicommand
    std::vector<std::string> drawn;
    std::array<char, 40> reply{};  // the key handler's CD status replies
    CdDeck cd{mci,
              [this](const std::string& command, bool) {
                  sent.push_back(command);
                  return mciSendStringA(mci, command.c_str(), nullptr, 0, nullptr) == 0;
              },
              reply};
    Browser browser{*state, mode, settings, reader, folders, *queue, playback, cd};
    SoundCues cues{dir.path()};
    int16_t idlecount = 5;
    bool quit = false;
    KeyContext keys{browser, makeview(), cues, idlecount, [this] { quit = true; }};

    // A list view that shows the page of the item table and records what is drawn.
    CommandView makeview() {
        CommandView view;
        view.renderitems = [this] { drawn.push_back("items"); };
        view.renderhighlight = [this] { drawn.push_back("highlight"); };
        view.renderletters = [this] { drawn.push_back("letters"); };
        view.rendertitle = [this](const std::string& t) { drawn.push_back("title:" + t); };
        view.rowcaption = [this](int row) { return caption(row); };
        view.setstate = [this](const std::string& text) { drawn.push_back("state:" + text); };
        return view;
    }
    std::string caption(int row) const {
        const int perpage = effectiveperpage(settings.perpage);
        if (row < 1 || row > perpage) return {};
        const Item* item = state->items.find(itemindex(state->page, row, perpage));
        return item != nullptr ? item->label : std::string();
    }
};

void touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "";
}

TEST(KeyDown, RefusedMovesDrawNothingAndAcceptedOnesDrawInOrder) {
    Rig rig;
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3", "4.mp3"}) touch(rig.root() / name);
    rig.list();
    rig.press(38);  // Up on row 1 of page 1
    EXPECT_TRUE(rig.drawn.empty());
    EXPECT_EQ(rig.cues.lastliteral(), "/bang.wav");
    EXPECT_EQ(rig.idlecount, 0);
    rig.state->row = 3;
    rig.press(40);  // last row of a full page: next page
    EXPECT_EQ(rig.drawn, (std::vector<std::string>{"items", "highlight"}));
    EXPECT_EQ(rig.state->page, 2);
    EXPECT_EQ(rig.state->row, 1);
    rig.drawn.clear();
    rig.press(40);  // the second page holds one entry
    EXPECT_TRUE(rig.drawn.empty());
    EXPECT_EQ(rig.state->row, 1);
}

TEST(KeyDown, CdCommandsDoNothingWhenTheTrackNumberCannotBeRead) {
    Rig rig;  // no CD device open: every status query fails and leaves the buffer as it was
    rig.mode.mediamode = Mode::Cd;
    rig.mode.cdtracks = 5;
    const std::string stale = "playing";
    std::copy(stale.begin(), stale.end(), rig.reply.begin());
    rig.state->items.append({"Piste n°1", "1", ItemKind::Playable});
    rig.drawn.clear();
    rig.press(78);  // N
    rig.press(80);  // P
    rig.press(13);  // Enter on track 1
    EXPECT_TRUE(rig.sent.empty());
    EXPECT_EQ(rig.drawn, (std::vector<std::string>{"state:playing", "state:playing"}));
}

TEST(KeyDown, CdSeekSetsMillisecondsAndAlwaysReturnsToTrackFormat) {
    fixtures::TempDir images;
    fixtures::writecdimage(images / "disc.cue", {{20.0, 440.0, false}, {20.0, 660.0, false}});
    Rig rig((images / "disc.cue").string());
    rig.mode.mediamode = Mode::Cd;
    rig.mode.cdtracks = 2;
    ASSERT_EQ(mciSendStringA(rig.mci, "open cdaudio alias cd wait shareable", nullptr, 0, nullptr),
              0U);
    rig.cd.use_track_times();
    rig.sent.clear();
    rig.press(69);  // E
    EXPECT_EQ(rig.sent, (std::vector<std::string>{"set cd time format milliseconds",
                                                  "set cd time format tmsf"}));
    char reply[40] = {};
    mciSendStringA(rig.mci, "status cd position", reply, sizeof reply, nullptr);
    EXPECT_EQ(std::string(reply).substr(0, 8), "01:00:10");
    rig.sent.clear();
    rig.press(78);  // N while the disc plays from the seek: the next track
    EXPECT_EQ(rig.sent.size(), 1U);
    EXPECT_EQ(rig.sent[0], "play cd from 2");
}

}  // namespace
}  // namespace tunedeck
