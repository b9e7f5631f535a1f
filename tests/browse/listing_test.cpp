#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "browse/listing.h"
#include "browse/names.h"
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
    touch(tmp / "aa.mp3");
    touch(tmp / "Song.Mp3");
    touch(tmp / "party.M3U");
    touch(tmp / "zz" / "x.wav");
    touch(tmp / "voice.wma");
    touch(tmp / "mix.m3u8");
    touch(tmp / "Tune.Opus");
    touch(tmp / "wave.FLAC");
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

TEST_F(Listing, EmptyFolderGivesNoEntriesAndNoPages) {
    state.items.append({"a", "b", ItemKind::Playable});
    list(root());
    EXPECT_EQ(state.itemcount(), 0);
    EXPECT_EQ(state.pages, 0);
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
}

TEST_F(Listing, FolderOfMoreThanTwoThousandEntriesListsItsFirstTwoThousand) {
    for (int i = 0; i < 100; ++i) touch(tmp / ("d" + std::to_string(1000 + i)) / "x");
    for (int i = 0; i < 2100; ++i) touch(tmp / ("f" + std::to_string(10000 + i) + ".mp3"));
    list(root());
    EXPECT_EQ(state.itemcount(), kMaxItems);
    EXPECT_EQ(state.pages, 182);
    EXPECT_EQ(state.items.at(1).label, "d1000");
    EXPECT_EQ(state.items.at(101).label, "f10000");
    EXPECT_EQ(state.items.at(2000).label, "f11899");
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

    // Folders deeper than the table share its last row.
    std::string path = "/r";
    for (int i = 0; i < 300; ++i) path += "/x";
    state.row = 7;
    recordlevel(state, path, "/r");
    EXPECT_EQ(state.depth, kMaxDepths - 1);
    EXPECT_EQ(state.levelstate[kMaxDepths - 1].row, 7);
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
}

TEST(DisplayName, RemovesOnlyTheLeadingRoot) {
    // The root's own name deeper in the path is a subfolder and stays in the title.
    EXPECT_EQ(displayname("/m/a/m/b", {"/m", 0}), "a / m / b");
    // A root of "/" is followed by a second separator in the lookup, so it stays visible.
    EXPECT_EQ(displayname("/Rock", {"/", 0}), " / Rock");
}

}  // namespace
}  // namespace tunedeck
