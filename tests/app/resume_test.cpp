// Resume: the state saved while the jukebox runs comes back at the next start; the file is
// written whole and read strictly; a damaged one is said and passed over.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/savedstate.h"
#include "harness.h"

namespace tunedeck::testing {
namespace {

namespace fs = std::filesystem;

std::string readtext(const fs::path& file) {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

// Names that would end a line or a field, the escape itself and bytes that are not UTF-8 all
// come back as they were; every single changed byte is noticed (or changes nothing, as the
// checksum's letter case); a cut file is damaged.
TEST(SavedState, EveryNameComesBackAndEveryDamageIsNoticed) {
    SavedState state;
    state.queue = {{"two\nlines", "/m/a\nb.mp3"},
                   {"100% tab\there", "/m/%41\t.flac"},
                   {"\xff\xfe", "/m/\xc3(\x80.ogg"}};
    state.entry = 2;
    state.takenout = QueueEntry{"gone", "/m/gone.mp3"};
    state.play = PlayState::Paused;
    state.seconds = 4321;
    state.folder = "/m/sub\rdir";
    state.letter = "#";
    state.page = 3;
    state.row = 7;
    const std::string text = formatstate(state);
    const auto back = parsestate(text);
    ASSERT_TRUE(std::holds_alternative<SavedState>(back)) << std::get<std::string>(back);
    EXPECT_EQ(std::get<SavedState>(back), state);
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string damaged = text;
        damaged[i] = static_cast<char>(damaged[i] ^ 0x01);
        const auto read = parsestate(damaged);
        if (const auto* s = std::get_if<SavedState>(&read)) {
            EXPECT_EQ(*s, state) << "byte " << i;
        }
        EXPECT_FALSE(std::holds_alternative<SavedState>(parsestate(text.substr(0, i))));
    }
    EXPECT_FALSE(std::holds_alternative<SavedState>(parsestate(text + "more\n")));
}

PlayQueue queueof(std::initializer_list<const char*> names) {
    PlayQueue queue;
    for (const char* name : names) queue.append(name, std::string("/m/") + name + ".mp3");
    return queue;
}

std::vector<QueueEntry> rowsof(const PlayQueue& queue) {
    return queue.entries();
}

// The queue has a file of its own; two take turns. A new queue file written before its state
// (a power cut between the two) leaves the state on disk with the queue it was written with;
// a queue file that was changed, or is not the one the state names, is noticed. An earlier
// version's state, with its queue inside, is still read.
TEST(SavedState, TheQueueFileTheStateNamesIsNeverTheOneReplaced) {
    fx::TempDir dir;
    const fs::path file = dir / "resume.state";
    SavedState state;
    state.entry = 1;
    state.folder = "/m";
    const PlayQueue first = queueof({"a", "b", "c"});
    state.around = rowsof(first);  // the rows around entry 1, from row 0
    const QueueFile firstfile = writequeue(file, 0, first);
    writestate(file, state, firstfile);
    auto read = readstate(file);
    ASSERT_TRUE(read && std::holds_alternative<SavedState>(*read));
    EXPECT_EQ(std::get<SavedState>(*read).queue, rowsof(first));
    EXPECT_EQ(std::get<SavedState>(*read).entry, 1);
    EXPECT_EQ(std::get<SavedState>(*read).around, rowsof(first));
    state.around.clear();

    const PlayQueue second = queueof({"d", "e"});
    const QueueFile secondfile = writequeue(file, 1, second);
    read = readstate(file);
    ASSERT_TRUE(read && std::holds_alternative<SavedState>(*read));
    EXPECT_EQ(std::get<SavedState>(*read).queue, rowsof(first));
    writestate(file, state, secondfile);
    read = readstate(file);
    ASSERT_TRUE(read && std::holds_alternative<SavedState>(*read));
    EXPECT_EQ(std::get<SavedState>(*read).queue, rowsof(second));

    const std::string secondtext = readtext(queuefilepath(file, 1));
    fs::copy_file(queuefilepath(file, 0), queuefilepath(file, 1),
                  fs::copy_options::overwrite_existing);
    read = readstate(file);
    ASSERT_TRUE(read && std::holds_alternative<std::string>(*read));
    EXPECT_NE(std::get<std::string>(*read).find("queue file"), std::string::npos);
    std::string changed = secondtext;
    changed[changed.size() / 2] ^= 0x01;
    std::ofstream(queuefilepath(file, 1), std::ios::binary) << changed;
    EXPECT_TRUE(std::holds_alternative<std::string>(*readstate(file)));
    fs::remove(queuefilepath(file, 1));
    EXPECT_TRUE(std::holds_alternative<std::string>(*readstate(file)));

    state.queue = rowsof(first);
    std::ofstream(file, std::ios::binary) << formatstate(state);
    read = readstate(file);
    ASSERT_TRUE(read && std::holds_alternative<SavedState>(*read));
    EXPECT_EQ(std::get<SavedState>(*read).queue, rowsof(first));
}

class Resume : public ::testing::Test {
  protected:
    void SetUp() override {
        h.tone("sub/d.mp3", 8.0, 330);
        for (const char* name : {"a", "b", "c"}) h.tone(std::string(name) + ".mp3", 8.0);
        h.writesettings("none", "showletters=0", "resume=1");
    }
    void restart() {
        h.app.reset();
        h.start();
        ASSERT_TRUE(h.loaded) << h.app->endreason();
    }
    std::vector<std::string> queuenames() {
        std::vector<std::string> names;
        for (int i = 0; i < h.app->queue().playlistcount; ++i)
            names.push_back(h.app->queue().playlist[static_cast<std::size_t>(i)].name);
        return names;
    }
    double elapsed() {
        AudioLibrary& bass = h.app->bass();
        const DWORD stream = h.app->queue().stream;
        return BASS_ChannelBytes2Seconds(bass, stream, BASS_ChannelGetPosition(bass, stream));
    }
    fs::path statefile() { return h.statefolder() / "resume.state"; }
    Harness h{true};
};

// A queue edited by hand, the second entry paused 3 s in, and a subfolder on screen: all of it
// is back after the jukebox was gone without any orderly end (nothing written at exit), and
// the start-up scan has not replaced the queue. With the first file deleted, the queue comes
// back without it.
TEST_F(Resume, QueuePlacePauseAndFolderComeBackAndMissingFilesAreLeftOut) {
    h.start();
    ASSERT_TRUE(h.loaded) << h.app->endreason();
    ASSERT_EQ(queuenames(), (std::vector<std::string>{"d", "a", "b", "c"}));
    h.app->browse().row = 4;  // c: taken out of the queue
    h.press(SDLK_RIGHT);
    h.press(SDLK_n);
    ASSERT_EQ(h.app->queue().playlistpos, 1);
    ASSERT_TRUE(
        BASS_ChannelSetPosition(h.app->bass(), h.app->queue().stream, 176400 * 3, BASS_POS_BYTE));
    h.press(SDLK_l);
    h.app->browse().row = 1;
    h.press(SDLK_RETURN);
    ASSERT_EQ(currentfolder(h.app->browser()), (h.root() / "sub").string());
    h.app->pump();

    restart();
    EXPECT_EQ(queuenames(), (std::vector<std::string>{"d", "a", "b"}));
    EXPECT_EQ(h.app->queue().playlistpos, 1);
    EXPECT_EQ(h.active(), BASS_ACTIVE_PAUSED);
    EXPECT_NEAR(elapsed(), 3.0, 0.01);
    EXPECT_EQ(currentfolder(h.app->browser()), (h.root() / "sub").string());
    EXPECT_EQ(h.app->browse().items.at(1).label, "d");
    h.press(SDLK_l);
    ASSERT_TRUE(h.waituntil([&] { return elapsed() > 3.2; }));

    // The files are looked for once the music plays.
    fs::remove(h.root() / "sub" / "d.mp3");
    restart();
    ASSERT_TRUE(h.waituntil([&] { return h.app->queue().playlistcount == 2; }));
    EXPECT_EQ(queuenames(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(h.app->queue().playlistpos, 0);
    EXPECT_EQ(h.active(), BASS_ACTIVE_PLAYING);
    EXPECT_GE(elapsed(), 3.0);
}

// The entry playing whose file is gone: the next one left plays from its start; the gone
// entries before and after it are left out once they are found, the entry playing staying on.
TEST_F(Resume, AGoneEntryPlayingMovesToTheNextFromItsStart) {
    h.start();
    ASSERT_TRUE(h.loaded) << h.app->endreason();
    ASSERT_EQ(queuenames(), (std::vector<std::string>{"d", "a", "b", "c"}));
    h.press(SDLK_n);
    ASSERT_EQ(h.app->queue().playlistpos, 1);
    ASSERT_TRUE(
        BASS_ChannelSetPosition(h.app->bass(), h.app->queue().stream, 176400 * 3, BASS_POS_BYTE));
    h.app->pump();

    fs::remove(h.root() / "a.mp3");
    fs::remove(h.root() / "c.mp3");
    restart();
    EXPECT_EQ(h.app->queue().currentname(), "b");
    EXPECT_LT(elapsed(), 2.0);
    ASSERT_TRUE(h.waituntil([&] { return h.app->queue().playlistcount == 2; }));
    EXPECT_EQ(queuenames(), (std::vector<std::string>{"d", "b"}));
    EXPECT_EQ(h.app->queue().playlistpos, 1);
    EXPECT_EQ(h.active(), BASS_ACTIVE_PLAYING);
}

// While a file plays its position is written every few seconds, without any key; the queue's
// file is not written again until the queue changes.
TEST_F(Resume, PlayingPositionIsWrittenWithinSecondsAndTheQueueOnlyWhenItChanges) {
    h.start();
    ASSERT_TRUE(h.loaded) << h.app->endreason();
    ASSERT_TRUE(h.waituntil([&] { return !h.app->queue().growing; }));
    h.app->pump();
    auto read = readstate(statefile());
    ASSERT_TRUE(read && std::holds_alternative<SavedState>(*read));
    const QueueFile named = *std::get<SavedState>(*read).queuefile;
    EXPECT_EQ(named.count, 4);
    const auto written = fs::last_write_time(queuefilepath(statefile(), named.slot));
    ASSERT_TRUE(h.waituntil([&] { return elapsed() > 6.5; }));
    h.app->pump();
    read = readstate(statefile());
    ASSERT_TRUE(read && std::holds_alternative<SavedState>(*read));
    EXPECT_GE(std::get<SavedState>(*read).seconds, 4);
    EXPECT_EQ(std::get<SavedState>(*read).play, PlayState::Playing);
    EXPECT_EQ(std::get<SavedState>(*read).queuefile, named);
    EXPECT_EQ(fs::last_write_time(queuefilepath(statefile(), named.slot)), written);

    h.app->browse().row = 2;  // a: taken out of the queue
    h.press(SDLK_RIGHT);
    h.app->pump();
    read = readstate(statefile());
    ASSERT_TRUE(read && std::holds_alternative<SavedState>(*read));
    EXPECT_EQ(std::get<SavedState>(*read).queuefile->slot, 1 - named.slot);
    EXPECT_EQ(std::get<SavedState>(*read).queue.size(), 3u);
}

// A damaged file, a folder in its place: said on standard error, and the start goes on as
// without it (the scan's queue plays from the first entry). With resume absent nothing is
// restored or written.
TEST_F(Resume, DamagedOrUnreadableStateIsSaidAndPassedOver) {
    h.start();
    ASSERT_TRUE(h.loaded);
    h.press(SDLK_n);
    h.app->pump();
    h.app.reset();
    std::string text = readtext(statefile());
    text[text.size() / 2] ^= 0x04;
    std::ofstream(statefile(), std::ios::binary) << text;
    ::testing::internal::CaptureStderr();
    restart();
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("resume.state"), std::string::npos) << said;
    EXPECT_NE(said.find("starting without it"), std::string::npos) << said;
    EXPECT_EQ(queuenames().size(), 4u);
    EXPECT_EQ(h.app->queue().playlistpos, 0);

    // A state naming far more entries than its queue file holds: the count is not believed
    // before the file is read (nor is room made for it).
    h.app.reset();
    auto read = readstatefile(statefile());
    ASSERT_TRUE(read && std::holds_alternative<SavedState>(*read));
    SavedState state = std::get<SavedState>(*read);
    ASSERT_TRUE(state.queuefile);
    QueueFile named = *state.queuefile;
    named.count = 2'000'000'000;
    writestate(statefile(), state, named);
    ::testing::internal::CaptureStderr();
    restart();
    said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("starting without it"), std::string::npos) << said;
    EXPECT_EQ(queuenames().size(), 4u);

    h.app.reset();
    fs::remove(statefile());
    fs::create_directory(statefile());
    ::testing::internal::CaptureStderr();
    restart();
    said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("not a regular file"), std::string::npos) << said;
    EXPECT_EQ(h.app->queue().playlistpos, 0);

    h.app.reset();
    fs::remove(statefile());
    h.writesettings("none", "showletters=0", "");
    h.start();
    h.press(SDLK_n);
    h.app->Form_Unload();
    EXPECT_FALSE(fs::exists(statefile()));
}

}  // namespace
}  // namespace tunedeck::testing
