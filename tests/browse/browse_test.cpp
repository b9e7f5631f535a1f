// Listings, names and the letter index; the start-up scan and playlist files.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "browse/listing.h"
#include "browse/names.h"
#include "browse/playlist.h"
#include "browse/scan.h"
#include "settings/settings.h"
#include "tests/browse/tree.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using fixtures::TempDir;
using testing::touch;

using testing::kinds;
using testing::labels;
using testing::targets;

class Listing : public ::testing::Test {
  protected:
    void list(const std::string& folder, bool fixnames = false) {
        folders.setpath(folder);
        createfolderitems(state, folders, {root(), fixnames}, 11);
    }
    std::string root() const { return tmp.path().string(); }

    TempDir tmp;
    FolderLists folders;
    BrowseState state;
};

TEST_F(Listing, FoldersComeBeforeFilesWithTheirKindsAndTargets) {
    for (const char* file : {"aa.mp3", "Song.Mp3", "party.M3U", "zz/x.wav", "voice.wma", "mix.m3u8",
                             "Tune.Opus", "wave.FLAC"})
        touch(tmp / file);
    list(root());
    EXPECT_EQ(labels(state.items), (std::vector<std::string>{"zz", "aa", "mix", "party", "Song.Mp3",
                                                             "Tune.Opus", "voice", "wave"}));
    EXPECT_EQ(targets(state.items),
              (std::vector<std::string>{root() + "/zz", root() + "/aa.mp3", root() + "/mix.m3u8",
                                        root() + "/party.M3U", root() + "/Song.Mp3",
                                        root() + "/Tune.Opus", root() + "/voice.wma",
                                        root() + "/wave.FLAC"}));
    using enum ItemKind;
    EXPECT_EQ(kinds(state.items), (std::vector<ItemKind>{Folder, Playable, Playlist, Playlist,
                                                         Playable, Playable, Playable, Playable}));
    EXPECT_EQ(state.pages, 1);
}

TEST_F(Listing, LetterFilterAppliesOnlyAtTheRoot) {
    for (const char* dir : {"Abba", "bee gees", "#hash", "10cc", "Alpha/beta"})
        touch(tmp / dir / "x");
    for (const char* file : {"air.mp3", "#one.mp3", "2pac.mp3", "blur.mp3"}) touch(tmp / file);
    state.letter = "A";
    list(root());
    EXPECT_EQ(labels(state.items), (std::vector<std::string>{"Abba", "Alpha", "air"}));
    state.letter = "#";
    list(root());
    EXPECT_EQ(labels(state.items), (std::vector<std::string>{"#hash", "10cc", "#one", "2pac"}));
    list((tmp / "Alpha").string());
    EXPECT_EQ(labels(state.items), (std::vector<std::string>{"beta"}));
    list((tmp / "Abba").string());  // nothing but a file that is no music: no entries, no pages
    EXPECT_EQ(state.itemcount(), 0);
    EXPECT_EQ(state.pages, 0);
}

TEST_F(Listing, FolderOfMoreThanTwoThousandEntriesListsThemAll) {
    for (int i = 0; i < 100; ++i) touch(tmp / ("d" + std::to_string(1000 + i)) / "x");
    for (int i = 0; i < 2100; ++i) touch(tmp / ("f" + std::to_string(10000 + i) + ".mp3"));
    list(root());
    EXPECT_EQ(state.itemcount(), 2200);
    EXPECT_EQ(state.pages, 200);  // 11 rows a page, exactly
    EXPECT_EQ(state.items.at(1).label, "d1000");
    EXPECT_EQ(state.items.at(101).label, "f10000");
    EXPECT_EQ(state.items.at(2200).label, "f12099");
}

TEST_F(Listing, OddNamesKeepRawTargetsAndShowReplacementCharacters) {
    for (const char* name : {"-lead.mp3", "a \"q\" 'b' #c.mp3", "new\nline.mp3", "caf\xE9.mp3"})
        touch(tmp / name);
    list(root());
    EXPECT_EQ(labels(state.items), (std::vector<std::string>{"-lead", "a \"q\" 'b' #c",
                                                             "caf\xEF\xBF\xBD", "new\nline"}));
    EXPECT_EQ(state.items.at(3).target, root() + "/caf\xE9.mp3");
}

// Root folders with more than 27 different initials (every Latin letter but Q, accented, Nordic
// and Polish letters, digits, symbols, other scripts, a name that is not UTF-8), each with the
// cell a reader looks under. Each cell appears once, and each folder is found under its own cell
// and no other. A root file does not add a cell (no Q).
TEST(LetterIndex, EveryFolderIsFoundUnderExactlyOneCell) {
    std::vector<std::pair<std::string, std::string>> folders = {
        {"Émile", "E"}, {"èze", "E"},   {"E\u0301cole", "E"}, {"Øystein", "O"},
        {"Åsa", "A"},   {"Ærø", "A"},   {"Łódź", "L"},        {"Þórunn", "Z"},
        {"ｆull", "F"}, {"10cc", "#"},  {"#hash", "#"},       {"(live)", "#"},
        {"_misc", "#"}, {"Жанна", "#"}, {"日本", "#"},        {"\xFF\xFE", "#"}};
    for (char c = 'A'; c <= 'Z'; ++c)
        if (c != 'Q') folders.push_back({std::string(1, c) + " band", std::string(1, c)});
    TempDir tmp;
    for (const auto& [name, cell] : folders) touch(tmp / name / "x");
    touch(tmp / "Quartet.mp3");
    FolderLists lists;
    lists.setpath(tmp.path().string());
    const NameOptions names{tmp.path().string(), true};
    BrowseState state;
    state.page = 4;
    createletterindex(state, lists, names, 5);

    std::vector<std::string> cells;
    for (char c = 'A'; c <= 'Z'; ++c)
        if (c != 'Q') cells.push_back(std::string(1, c));
    cells.push_back("#");
    ASSERT_EQ(labels(state.items), cells);
    EXPECT_EQ(kinds(state.items), std::vector<ItemKind>(cells.size(), ItemKind::Letter));
    EXPECT_EQ(state.page, 1);
    EXPECT_EQ(state.pages, 6);

    std::map<std::string, std::vector<std::string>> found;  // folder -> cells listing it
    for (const std::string& cell : cells) {
        state.letter = cell;
        createfolderitems(state, lists, names, 11);
        for (const Item& item : state.items)
            if (item.kind == ItemKind::Folder)
                found[std::string(lastcomponent(item.target))].push_back(cell);
    }
    EXPECT_EQ(found.size(), folders.size());
    for (const auto& [name, cell] : folders)
        EXPECT_EQ(found[name], std::vector<std::string>{cell}) << name;

    lists.setpath((tmp / "A band").string());
    createletterindex(state, lists, names, 5);
    EXPECT_EQ(state.itemcount(), 0);
    EXPECT_EQ(state.pages, 0);
}

TEST(Levels, DepthAndSavedPositionsFollowTheFoldersAndDeepOnesShareTheLastRow) {
    BrowseState state;
    const std::string root = "/d/Music";
    EXPECT_EQ(folderdepth(root, root), 0);
    state.row = 3, state.page = 2;
    recordlevel(state, root + "/Rock", root);
    EXPECT_EQ(state.depth, 1);
    state.row = 5, state.page = 1;
    recordlevel(state, root + "/Rock/Live", root);
    EXPECT_EQ(state.depth, 2);
    EXPECT_EQ(state.levelstate[1], (SavedLevel{3, 2}));
    EXPECT_EQ(state.levelstate[2], (SavedLevel{5, 1}));

    EXPECT_EQ(folderdepth("/Rock", "/"), 0);
    EXPECT_EQ(folderdepth("/m/a/m/b", "/m"), 3);

    // Folders deeper than the table save nothing: the deepest remembered row stays the one
    // of the folder at that depth, to which Left comes back.
    std::string path = "/r";
    for (int i = 0; i < kMaxDepths - 1; ++i) path += "/x";
    state.row = 4;
    recordlevel(state, path, "/r");
    EXPECT_EQ(state.depth, kMaxDepths - 1);
    EXPECT_EQ(state.levelstate[kMaxDepths - 1].row, 4);
    for (int i = 0; i < 300; ++i) path += "/x";
    state.row = 7;
    recordlevel(state, path, "/r");
    EXPECT_EQ(state.depth, kMaxDepths - 1);
    EXPECT_EQ(state.levelstate[kMaxDepths - 1].row, 4);
}

struct NameCase {
    const char* input;
    const char* plain;
    const char* tidied;
};

TEST(DisplayName, CleansNamesAndTitles) {
    const NameCase cases[] = {
        {"blue_river_-_live_at_home.mp3", "blue_river_-_live_at_home", "Blue River - Live At Home"},
        {"/d/Music/rock/classics", "rock / classics", "Rock / Classics"},
        {"LIVE (CD 2).MP3", "LIVE (CD 2)", "Live (CD 2)"},
        {"best of cd1.wma", "best of cd1", "Best Of CD1"},
        {"Song.Mp3", "Song.Mp3", "Song.mp3"},
        {"mix.mp3.mp3", "mix", "Mix"},
        {"l'amour.m3u", "l'amour", "L'amour"},
        {"my.mp3s.wav", "mys", "Mys"},
        {"a.m3u8 b.FLAC c.ogg d.OGA e.opus f.M4A g.aac", "a b c d e f g", "A B C D E F G"},
        {"Tune.Opus", "Tune.Opus", "Tune.opus"},
        {"abcd cd player.WAV", "abcd cd player", "Abcd CD Player"},
        {"_live", "_live", " Live"},
        {"", "", ""},
        {"\xC3\xA9lan_vital.mp3", "\xC3\xA9lan_vital", "\xC3\x89lan Vital"},
        {"caf\xE9 bar.mp3", "caf\xEF\xBF\xBD bar", "Caf\xEF\xBF\xBD Bar"},
        {"/d/Music", " / d / Music", " / D / Music"},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(displayname(c.input, {"/d/Music", 0}), c.plain) << c.input;
        EXPECT_EQ(displayname(c.input, {"/d/Music", 1}), c.tidied) << c.input;
    }
    // Only the leading root goes: its name deeper down is a subfolder; a root of "/" stays.
    EXPECT_EQ(displayname("/m/a/m/b", {"/m", 0}), "a / m / b");
    EXPECT_EQ(displayname("/Rock", {"/", 0}), " / Rock");
}

namespace fs = std::filesystem;

// Records what the walk asks of the player; the real engine is exercised in browser_test.
struct RecordingPlayer {
    bool active = false;
    int failures = 0;  // the first `failures` starts fail
    std::vector<std::string> started;
    std::vector<int> queuedatstart;
    const PlayQueue* queue = nullptr;

    ScanPlayer player() {
        return {[this] { return active; },
                [this](const std::string& path) {
                    started.push_back(path);
                    queuedatstart.push_back(queue->playlistcount);
                    if (static_cast<int>(started.size()) <= failures) return true;
                    active = true;
                    return false;
                }};
    }
};

std::vector<std::string> queued(const PlayQueue& queue, const std::string& base) {
    std::vector<std::string> out;
    for (int i = 0; i < queue.playlistcount; ++i) {
        const std::string& path = queue.playlist[i].path;
        out.push_back(path.starts_with(base) ? path.substr(base.size()) : path);
    }
    return out;
}

class Scan : public ::testing::Test {
  protected:
    // True when the walk met music of any format.
    bool run(const std::string& folder, std::string_view formats = Settings{}.scanformats) {
        recorder.queue = &queue;
        return scanfolders(folders, queue, folder, {root(), 0}, ScanFormats(formats),
                           recorder.player());
    }
    std::string root() const { return tmp.path().string(); }

    TempDir tmp;
    FolderLists folders;
    PlayQueue queue;
    RecordingPlayer recorder;
};

TEST_F(Scan, QueuesDepthFirstAndStartsAfterTheFirstFolderWithMusic) {
    for (const char* file : {"a.mp3", "b/c.mp3", "b/d/e.MP3", "b/x.wma", "b/y.wav", "b/list.m3u",
                             "b/list.m3u8", "f/g.Mp3"})
        touch(tmp / file);
    for (const char* ext : {"flac", "ogg", "OGA", "opus", "m4a", "Aac"})
        touch(tmp / "n" / (std::string("t.") + ext));
    folders.setpath("/");
    EXPECT_TRUE(run(root()));
    EXPECT_EQ(
        queued(queue, root()),
        (std::vector<std::string>{"/b/d/e.MP3", "/b/c.mp3", "/f/g.Mp3", "/n/t.Aac", "/n/t.flac",
                                  "/n/t.m4a", "/n/t.OGA", "/n/t.ogg", "/n/t.opus", "/a.mp3"}));
    EXPECT_EQ(queue.playlist[0].name, "e");
    EXPECT_EQ(recorder.started, std::vector<std::string>{root() + "/b/d/e.MP3"});
    EXPECT_EQ(recorder.queuedatstart, std::vector<int>{1});
    EXPECT_EQ(folders.Dirs().path(), root());
}

// The formats setting picks what is queued; music left out still counts as music found, so
// that start-up can tell a library of other formats from one without music.
TEST_F(Scan, QueuesOnlyTheGivenFormatsAndReportsMusicLeftOut) {
    for (const char* file : {"x.wav", "d/y.wma", "d/z.flac", "d/p.m3u"}) touch(tmp / file);
    EXPECT_TRUE(run(root()));
    EXPECT_EQ(queued(queue, root()), std::vector<std::string>{"/d/z.flac"});

    queue.clear();
    EXPECT_TRUE(run(root(), "  WAV\t.wma m3u m3u8 bogus "));
    EXPECT_EQ(queued(queue, root()), (std::vector<std::string>{"/d/y.wma", "/x.wav"}));

    queue.clear();
    recorder.started.clear();
    EXPECT_TRUE(run(root(), ""));
    EXPECT_EQ(queue.playlistcount, 0);
    EXPECT_TRUE(recorder.started.empty());
}

TEST_F(Scan, FailuresGoOnToTheNextRowEachTriedOnceAndNoneStartingLeavesThePosition) {
    touch(tmp / "a" / "1.mp3");
    touch(tmp / "b" / "empty.wav");
    for (const char* name : {"2.mp3", "3.mp3", "4.mp3"}) touch(tmp / "c" / name);
    recorder.failures = 3;
    run(root());
    EXPECT_EQ(recorder.started,
              (std::vector<std::string>{root() + "/a/1.mp3", root() + "/c/2.mp3",
                                        root() + "/c/3.mp3", root() + "/c/4.mp3"}));
    EXPECT_EQ(queue.playlistpos, 3);

    queue.clear();  // none starting leaves the position at the start
    recorder = RecordingPlayer{};
    recorder.failures = 99;
    run(root());
    EXPECT_EQ(recorder.started.size(), 4U);
    EXPECT_EQ(queue.playlistpos, 0);

    queue.clear();  // a stream already playing is left playing
    recorder = RecordingPlayer{};
    recorder.active = true;
    run(root());
    EXPECT_EQ(queue.playlistcount, 4);
    EXPECT_TRUE(recorder.started.empty());
}

TEST_F(Scan, LinksBackIntoTheTreeAreWalkedOnce) {
    touch(tmp / "a" / "b" / "song.mp3");
    fs::create_directory_symlink(".", tmp / "a" / "self");
    fs::create_directory_symlink("../..", tmp / "a" / "b" / "up");
    fs::create_directory_symlink("b", tmp / "a" / "again");
    run(root());
    // "again" reaches b by another road while b is not on the walk path: that is no loop.
    EXPECT_EQ(queued(queue, root()),
              (std::vector<std::string>{"/a/again/song.mp3", "/a/b/song.mp3"}));
}

TEST_F(Scan, WalksATreeThreeHundredLevelsDeep) {
    fs::path deep = tmp.path();
    for (int i = 0; i < 300; ++i) deep /= "d";
    touch(deep / "bottom.mp3");
    touch(tmp / "top.mp3");
    run(root());
    ASSERT_EQ(queue.playlistcount, 2);
    EXPECT_EQ(queue.playlist[0].path, (deep / "bottom.mp3").string());
    EXPECT_EQ(queue.playlist[1].path, root() + "/top.mp3");
}

TEST_F(Scan, QueuesPastTwoThousandFiles) {
    for (int i = 0; i < 2100; ++i) touch(tmp / "a" / ("s" + std::to_string(10000 + i) + ".mp3"));
    touch(tmp / "b" / "late.mp3");
    run(root());
    EXPECT_EQ(queue.playlistcount, 2101);
    EXPECT_EQ(queue.playlist[2099].path, root() + "/a/s12099.mp3");
    EXPECT_EQ(queue.playlist[2100].path, root() + "/b/late.mp3");
    EXPECT_EQ(folders.Dirs().path(), root());
}

using testing::writefile;

class Playlist : public ::testing::Test {
  protected:
    void load(const std::string& text) {
        writefile(listfile(), text);
        loadplaylistfile(queue, listfile(), {"/nowhere", 1});
    }
    std::string listfile() const { return (tmp / "lists" / "party.m3u").string(); }
    std::string lists() const { return (tmp / "lists").string(); }

    TempDir tmp;
    PlayQueue queue;
};

// Each line beside the file it names, or "" when it names none. Files exist for every line, so
// a line skipped names nothing by its kind, not by chance: "C:" is a real folder name here.
TEST_F(Playlist, ResolvesEachKindOfLine) {
    const std::string elsewhere = (tmp / "else where").string();
    const std::vector<std::pair<std::string, std::string>> lines = {
        {"#EXTM3U", ""},
        {"#EXTINF:215,Some Title", ""},
        {"songs\\a_song.mp3", "songs/a_song.mp3"},
        {"songs/a_song.mp3", "songs/a_song.mp3"},
        {"Live: Part 1.mp3", "Live: Part 1.mp3"},
        {" #blank first.mp3", " #blank first.mp3"},
        {elsewhere + "/b.mp3", elsewhere + "/b.mp3"},
        {"file://" + (tmp / "else%20where" / "b%2Bc%zz.mp3").string(), elsewhere + "/b+c%zz.mp3"},
        {"FILE://localhost" + elsewhere + "/b.mp3", elsewhere + "/b.mp3"},
        {"file://server" + elsewhere + "/b.mp3", ""},
        {"C:\\x.mp3", ""},
        {"c:/x.mp3", ""},
        {"\\\\server\\share\\x.mp3", ""},
        {".secret.mp3", ""},
        {"songs", ""},
        {"", ""},
        {"missing.mp3", ""}};
    for (const char* file : {"songs/a_song.mp3", "Live: Part 1.mp3", " #blank first.mp3",
                             "C:/x.mp3", "c:/x.mp3", ".secret.mp3"})
        touch(tmp / "lists" / file);
    touch(elsewhere + "/b.mp3");
    touch(elsewhere + "/b+c%zz.mp3");
    std::string text;
    std::vector<std::string> expected;
    for (const auto& [line, file] : lines) {
        text += line + "\r\n";
        if (!file.empty()) expected.push_back(file.front() == '/' ? file : lists() + "/" + file);
    }
    load(text);
    EXPECT_EQ(queued(queue, ""), expected);
    EXPECT_EQ(queue.playlist[0].name, "A Song");
    EXPECT_EQ(queue.playlist[2].name, "Live: Part 1");
}

TEST_F(Playlist, AllLineEndsGiveTheSameQueue) {
    for (const char* name : {"one.mp3", "two.wav", "three.mp3"}) touch(tmp / "lists" / name);
    // Loading replaces a longer queue.
    for (int i = 0; i < 10; ++i) queue.append("old", "old" + std::to_string(i));
    const std::vector<std::string> expected = {lists() + "/one.mp3", lists() + "/two.wav",
                                               lists() + "/three.mp3"};
    for (const std::string text :
         {"one.mp3\ntwo.wav\nthree.mp3\n", "one.mp3\rtwo.wav\rthree.mp3",
          "one.mp3\r\ntwo.wav\r\nthree.mp3\r\n", "\xEF\xBB\xBFone.mp3\r\ntwo.wav\rthree.mp3\n",
          "#EXTM3U\none.mp3\n\n#x\r\ntwo.wav\r\rthree.mp3"}) {
        load(text);
        EXPECT_EQ(queued(queue, ""), expected) << text;
        EXPECT_EQ(queue.playlistpos, 0);
        EXPECT_EQ(queue.playlist.size(), 3u);
    }
}

// A line that is not UTF-8 names a file with those very bytes, or else is read as Windows-1252
// (0x92 is a right quote there, a control code in Latin-1).
TEST_F(Playlist, ReadsLinesThatAreNotUtf8AsWindows1252) {
    touch(tmp / "lists" / "It’s Over.mp3");
    touch(tmp / "lists" / "café.mp3");
    touch(tmp / "lists" / "raw\xE9.mp3");
    load("It\x92s Over.mp3\ncaf\xE9.mp3\nraw\xE9.mp3\n");
    EXPECT_EQ(queued(queue, ""),
              (std::vector<std::string>{lists() + "/It\xE2\x80\x99s Over.mp3",
                                        lists() + "/café.mp3", lists() + "/raw\xE9.mp3"}));
    EXPECT_EQ(queue.playlist[2].name, "Raw\xEF\xBF\xBD");
}

// A long playlist is queued whole; overlong lines are skipped, binary files and files that cannot
// be read give an empty queue.
TEST_F(Playlist, TakesEveryLineAndSurvivesBadLinesAndFiles) {
    touch(tmp / "lists" / "ok.mp3");
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "ok.mp3\r\n";
    load(text);
    EXPECT_EQ(queue.playlistcount, 3000);
    EXPECT_EQ(queue.playlist[2999].path, lists() + "/ok.mp3");
    load(std::string(kMaxPlaylistLine + 1, 'x') + "\nok.mp3\n" + std::string("a\0b.mp3\n", 8));
    EXPECT_EQ(queued(queue, ""), std::vector<std::string>{lists() + "/ok.mp3"});

    fixtures::writerandombytes(listfile(), 1 << 20, 7);
    loadplaylistfile(queue, listfile(), {"/", 0});
    EXPECT_EQ(queue.playlistcount, 0);
    queue.append("old", "old");
    loadplaylistfile(queue, (tmp / "absent.m3u").string(), {"/", 0});
    EXPECT_EQ(queue.playlistcount, 0);
    touch(tmp / "dir.m3u" / "x");
    loadplaylistfile(queue, (tmp / "dir.m3u").string(), {"/", 0});
    EXPECT_EQ(queue.playlistcount, 0);
}

}  // namespace
}  // namespace tunedeck
