// The phone's library search and opening a match, in-process on loopback: accents and case,
// word starts, folders before files in collation order, the limit of 50, the token, and the
// television listing a match's folder as the keys would reach it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "commands/keycodes.h"
#include "remote/tokenfile.h"
#include "remotefixture.h"

namespace tunedeck::testing {
namespace {

const std::string kToken(64, 'a');

class Search : public ::testing::Test {
  protected:
    // A small library beside a phone already paired with kToken; `display` for [display].
    void start(const std::string& display = "showletters=0") {
        for (const char* file : {"Édith Piaf/La Vie en rose.mp3", "Edith Sitwell/Façade.mp3",
                                 "Abba/Gold/Dancing Queen.mp3", "Abba/Gold/Waterloo.mp3",
                                 "Queen/Greatest Hits/Bohemian Rhapsody.mp3",
                                 "Singles/queen bee.mp3", "Misc/Requeen.mp3", "Misc/notes.m3u"})
            h.tone(file, 0.05);
        for (int i = 10; i < 70; ++i) h.tone("Many/Track " + std::to_string(i) + ".mp3", 0.05);
        writetokens(h.dir / "remote.tokens", {kToken});
        h.writesettings("none", display, "[remote]\nmpris=0\nport=0\nlisten=127.0.0.1");
        h.start(true);
    }
    httplib::Client client() {
        httplib::Client c("127.0.0.1", h.app->remote()->port());
        c.set_connection_timeout(5);
        c.set_read_timeout(5);
        return c;
    }
    // The matches of a query: "name|folder|kind" each.
    std::vector<std::string> search(const std::string& query) {
        auto c = client();
        const auto reply =
            c.Get("/api/search?q=" + httplib::detail::encode_query_param(query), bearer(kToken));
        if (!reply || reply->status != 200)
            return {"status " + std::to_string(reply ? reply->status : 0)};
        std::vector<std::string> out;
        const auto body = nlohmann::json::parse(reply->body);
        for (const auto& m : body["matches"])
            out.push_back(m["name"].get<std::string>() + "|" + m["folder"].get<std::string>() +
                          "|" + m["kind"].get<std::string>());
        return out;
    }
    std::string idof(const std::string& query) {
        auto c = client();
        const auto reply = c.Get("/api/search?q=" + query, bearer(kToken));
        if (!reply || reply->status != 200) return {};
        const auto matches = nlohmann::json::parse(reply->body)["matches"];
        return matches.empty() ? std::string() : matches[0]["id"].get<std::string>();
    }
    // Runs the event loop until `done` holds.
    bool rununtil(const std::function<bool()>& done) { return h.waituntil(done, 10.0); }

    Harness h{true};
};

TEST_F(Search, AccentsCaseAndWordStartsWithFoldersFirstInCollationOrder) {
    start();
    ASSERT_NE(h.app->index(), nullptr);
    EXPECT_EQ(search("edith"), (std::vector<std::string>{
                                   "Édith Piaf||folder", "Edith Sitwell||folder",
                                   "Façade|Edith Sitwell|file", "La Vie en rose|Édith Piaf|file"}));
    // A word inside another word is no match: Requeen is not found.
    EXPECT_EQ(search("QUEEN"),
              (std::vector<std::string>{"Greatest Hits|Queen|folder", "Queen||folder",
                                        "Bohemian Rhapsody|Greatest Hits|file",
                                        "Dancing Queen|Gold|file", "queen bee|Singles|file"}));
    // Every word must begin a word of the name or of a folder above it.
    EXPECT_EQ(search("gold wat"), std::vector<std::string>{"Waterloo|Gold|file"});
    EXPECT_EQ(search("facade"), std::vector<std::string>{"Façade|Edith Sitwell|file"});
    EXPECT_EQ(search("  piaf, LA  "), std::vector<std::string>{"La Vie en rose|Édith Piaf|file"});
    EXPECT_TRUE(search("").empty());
    EXPECT_TRUE(search("notes").empty());  // playlists are not in the index
    const auto many = search("track");
    ASSERT_EQ(many.size(), 50U);
    EXPECT_EQ(many.front(), "Track 10|Many|file");  // numbers by their value
    EXPECT_EQ(many.back(), "Track 59|Many|file");
}

TEST_F(Search, NeedsAPairedToken) {
    start();
    auto c = client();
    const auto none = c.Get("/api/search?q=queen");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->status, 401);
    const auto wrong = c.Get("/api/search?q=queen", bearer(std::string(64, 'b')));
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->status, 401);
    const std::string id = idof("waterloo");
    ASSERT_FALSE(id.empty());
    const auto open = c.Post("/api/open/" + id, "", "text/plain");
    ASSERT_TRUE(open);
    EXPECT_EQ(open->status, 401);
}

// Opening a file lists its folder with it highlighted, as walking there with the keys does:
// Left then goes up to the parent with the folder highlighted, and Enter plays the file.
TEST_F(Search, OpenListsTheMatchsFolderAsTheKeysWould) {
    start();
    auto c = client();
    const std::string id = idof("waterloo");
    ASSERT_FALSE(id.empty());
    const auto opened = c.Post("/api/open/" + id, bearer(kToken), "", "text/plain");
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->status, 204);
    BrowseState& b = h.app->browse();
    ASSERT_TRUE(rununtil(
        [&] { return currentfolder(h.app->browser()) == (h.root() / "Abba" / "Gold").string(); }));
    ASSERT_NE(b.highlighted(11), nullptr);
    EXPECT_EQ(b.highlighted(11)->label, "Waterloo");
    EXPECT_EQ(b.depth, 2);
    EXPECT_EQ(h.app->remotestate().highlight, 2);
    h.key(kKeyLeft);
    EXPECT_EQ(currentfolder(h.app->browser()), (h.root() / "Abba").string());
    EXPECT_EQ(b.highlighted(11)->label, "Gold");
    h.key(kKeyLeft);
    EXPECT_EQ(b.highlighted(11)->label, "Abba");

    // A folder opens itself; an unknown id, or one of an earlier walk, is refused.
    const auto folder = c.Post("/api/open/" + idof("greatest"), bearer(kToken), "", "text/plain");
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->status, 204);
    ASSERT_TRUE(rununtil([&] {
        return currentfolder(h.app->browser()) == (h.root() / "Queen" / "Greatest Hits").string();
    }));
    EXPECT_EQ(b.highlighted(11)->label, "Bohemian Rhapsody");
    const std::string old = idof("waterloo");
    h.key(kKeySpace);  // a new walk: new ids
    for (const char* bad : {"12345678901234", "x", "-1"})
        EXPECT_EQ(c.Post(std::string("/api/open/") + bad, bearer(kToken), "", "text/plain")->status,
                  404);
    EXPECT_EQ(c.Post("/api/open/" + old, bearer(kToken), "", "text/plain")->status, 404);
    EXPECT_FALSE(idof("waterloo").empty());
}

// With the letter grid on, the way there goes through the letter of the top folder: Left at the
// root's listing goes back to the grid with that letter's cell highlighted.
TEST_F(Search, OpenGoesThroughTheLetterGridWhenItIsOn) {
    start("showletters=1");
    auto c = client();
    ASSERT_EQ(c.Post("/api/open/" + idof("rose"), bearer(kToken), "", "text/plain")->status, 204);
    ASSERT_TRUE(rununtil(
        [&] { return currentfolder(h.app->browser()) == (h.root() / "Édith Piaf").string(); }));
    BrowseState& b = h.app->browse();
    EXPECT_EQ(b.highlighted(11)->label, "La Vie en rose");
    EXPECT_EQ(b.letter, "E");
    h.key(kKeyLeft);
    EXPECT_EQ(b.highlighted(11)->label, "Édith Piaf");
    h.key(kKeyLeft);
    EXPECT_TRUE(b.letterfocus);
    EXPECT_EQ(b.highlighted(11)->label, "E");
}

TEST(SearchOff, WithoutTheRemoteNoIndexIsKept) {
    Harness h;
    h.tone("a.mp3", 0.05);
    h.writesettings("none");
    h.start(false);
    ASSERT_TRUE(h.loaded);
    EXPECT_EQ(h.app->index(), nullptr);
}

}  // namespace
}  // namespace tunedeck::testing
