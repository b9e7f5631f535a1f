// What the phone asks beyond keys, on loopback against the in-process jukebox: a tapped row,
// the queue's entries moved, removed and played, forgetting a phone, pairing's answers, and the
// web app's manifest and icons.
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "remote/pairing.h"
#include "remotefixture.h"

namespace tunedeck::testing {
namespace {

using namespace std::chrono_literals;

int status(const httplib::Result& reply) {
    return reply ? reply->status : 0;
}

nlohmann::json getjson(httplib::Client& c, const std::string& path, const std::string& token) {
    const auto reply = c.Get(path, bearer(token));
    if (!reply || reply->status != 200) return nullptr;
    return nlohmann::json::parse(reply->body, nullptr, false);
}

// A tap on a row highlights it on the television with the step's cue and redraw, then Enter
// plays it; rows that are not shown or empty, and strangers, get nothing done.
TEST(RemoteControl, TappedRowIsHighlightedOnTheTelevisionAndPlayed) {
    RemoteJukebox box;
    const std::string token = box.pair();
    ASSERT_FALSE(token.empty());
    auto c = box.client();
    ASSERT_TRUE(box.rununtil([&] { return box.state().playing == "01"; }));

    EXPECT_EQ(status(c.Post("/api/highlight/3", bearer(token), "", "text/plain")), 204);
    ASSERT_TRUE(box.rununtil([&] { return box.state().highlight == 3; }));
    EXPECT_EQ(box.app->browse().row, 3);
    EXPECT_EQ(status(c.Post("/api/key/enter", bearer(token), "", "text/plain")), 204);
    EXPECT_TRUE(box.rununtil([&] { return box.state().playing == "03"; }));

    for (const char* row : {"0", "4", "99999999999", "-1", "x"})
        EXPECT_EQ(
            status(c.Post(std::string("/api/highlight/") + row, bearer(token), "", "text/plain")),
            404)
            << row;
    EXPECT_EQ(status(c.Post("/api/highlight/1", "", "text/plain")), 401);
    // Without a length the request is answered at once, not left waiting for a body.
    EXPECT_EQ(
        rawstatus(box.port(),
                  "POST /api/highlight/1 HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " +
                      token + "\r\n\r\n"),
        204);
    ASSERT_TRUE(box.rununtil([&] { return box.state().highlight == 1; }));
}

// The queue read in pages, an entry moved past the one playing, the playing one taken out and
// another played: what plays goes on, the television's marks and queue line follow at once.
TEST(RemoteControl, QueueIsReadInPagesAndReorderedRemovedAndPlayed) {
    RemoteJukebox box(6.0);
    const std::string token = box.pair();
    ASSERT_FALSE(token.empty());
    auto c = box.client();
    ASSERT_TRUE(box.rununtil([&] { return box.state().playing == "01"; }));

    const auto page = getjson(c, "/api/queue?offset=1&limit=1", token);
    ASSERT_TRUE(page.is_object());
    EXPECT_EQ(page["total"], 3);
    EXPECT_EQ(page["playing"], 0);
    EXPECT_EQ(page["entries"],
              nlohmann::json::parse(R"([{"position":1,"name":"02","playing":false}])"));
    const auto past = getjson(c, "/api/queue?offset=7", token);
    EXPECT_EQ(past["entries"], nlohmann::json::array());
    EXPECT_EQ(status(c.Get("/api/queue?limit=-1", bearer(token))), 400);

    // The playing "01" goes last; it still plays and is marked at its new place.
    EXPECT_EQ(status(c.Post("/api/queue/move", bearer(token), R"({"from":0,"to":2})",
                            "application/json")),
              204);
    ASSERT_TRUE(box.rununtil([&] { return box.state().queueplaying == 2; }));
    EXPECT_EQ(box.state().playing, "01");
    EXPECT_EQ(box.state().rows, (std::vector<std::string>{"01 (3)", "02 (1)", "03 (2)"}));
    EXPECT_EQ(box.app->form().lblPlaylist.caption,
              "Playlist Item 3 of 3 (Next: Nothing. Playlist Completed. Playback will Stop.)");
    const auto moved = getjson(c, "/api/queue", token);
    EXPECT_EQ(moved["entries"][2]["name"], "01");
    EXPECT_EQ(moved["entries"][2]["playing"], true);

    // Taken out as it plays, it plays on and is no entry any more.
    EXPECT_EQ(status(c.Delete("/api/queue/2", bearer(token))), 204);
    ASSERT_TRUE(box.rununtil([&] { return box.state().queuenames.size() == 2; }));
    EXPECT_EQ(box.state().playing, "01");
    EXPECT_EQ(box.state().queueplaying, -1);
    EXPECT_EQ(box.state().rows, (std::vector<std::string>{"01", "02 (1)", "03 (2)"}));

    EXPECT_EQ(status(c.Post("/api/queue/1/play", bearer(token), "", "text/plain")), 204);
    ASSERT_TRUE(box.rununtil([&] { return box.state().playing == "03"; }));
    EXPECT_EQ(box.state().queueplaying, 1);

    for (const char* body : {R"({"from":0})", R"({"from":"0","to":1})", "[0,1]", "{"})
        EXPECT_EQ(status(c.Post("/api/queue/move", bearer(token), body, "application/json")), 400)
            << body;
    EXPECT_EQ(status(c.Post("/api/queue/move", bearer(token), R"({"from":0,"to":2})",
                            "application/json")),
              404);
    EXPECT_EQ(status(c.Delete("/api/queue/2", bearer(token))), 404);
    EXPECT_EQ(status(c.Post("/api/queue/5/play", bearer(token), "", "text/plain")), 404);
    EXPECT_EQ(status(c.Delete("/api/queue/0")), 401);
    const auto left = getjson(c, "/api/queue", token);
    ASSERT_EQ(left["total"], 2);
    EXPECT_EQ(left["entries"][0]["name"], "02");
    EXPECT_EQ(left["entries"][1]["name"], "03");
}

// Forget revokes the token on the jukebox, in the file too; the token's event stream ends.
TEST(RemoteControl, ForgottenTokenIsRefusedAfterwards) {
    RemoteJukebox box;
    const std::string token = box.pair();
    // The used code leaves the television before the next one is read off it.
    box.rununtil([&] { return !box.app->remote()->pairingview().lblPairCode.visible; }, 2);
    const std::string other = box.pair();
    ASSERT_FALSE(token.empty());
    ASSERT_FALSE(other.empty());
    auto c = box.client();
    EXPECT_EQ(status(c.Delete("/api/token", bearer(token))), 204);
    EXPECT_EQ(status(c.Get("/api/state", bearer(token))), 401);
    EXPECT_EQ(status(c.Delete("/api/token", bearer(token))), 401);
    EXPECT_EQ(status(c.Get("/api/state", bearer(other))), 200);
    EXPECT_FALSE(Pairing(box.statefolder() / "remote.tokens").authorised(token));
    EXPECT_TRUE(Pairing(box.statefolder() / "remote.tokens").authorised(other));
}

// A used code leaves the television at once; a wrong one says how many tries are left and
// whether the code shown still holds.
TEST(RemoteControl, PairingSaysWhatIsLeftAndTheUsedCodeLeavesTheTelevision) {
    RemoteJukebox box;
    auto c = box.client();
    ASSERT_EQ(status(c.Post("/api/pair", "", "text/plain")), 202);
    const PairingView& view = box.app->remote()->pairingview();
    ASSERT_TRUE(box.rununtil([&] { return view.lblPairCode.visible; }));
    const std::string shown = view.lblPairCode.caption.substr(view.lblPairCode.caption.size() - 6);
    const std::string wrong = shown == "000000" ? "000001" : "000000";
    const auto reply = c.Post("/api/pair", R"({"code":")" + wrong + R"("})", "application/json");
    ASSERT_EQ(status(reply), 401);
    const auto answer = nlohmann::json::parse(reply->body);
    EXPECT_EQ(answer["tries_left"], Pairing::kTriesPerWindow - 1);
    EXPECT_EQ(answer["code_shown"], true);

    ASSERT_EQ(status(c.Post("/api/pair", R"({"code":")" + shown + R"("})", "application/json")),
              200);
    EXPECT_TRUE(box.rununtil([&] { return !view.lblPairCode.visible; }, 2));
    const auto after = c.Post("/api/pair", R"({"code":")" + shown + R"("})", "application/json");
    ASSERT_EQ(status(after), 401);
    EXPECT_EQ(nlohmann::json::parse(after->body)["code_shown"], false);
}

// The page installs to a home screen: the manifest names icons the program serves, and each
// is a real picture of the size it claims.
TEST(RemoteControl, ManifestAndIconsAreServedByTheProgram) {
    RemoteJukebox box;
    auto c = box.client();
    const auto reply = c.Get("/manifest.json");
    ASSERT_EQ(status(reply), 200);
    const auto manifest = nlohmann::json::parse(reply->body, nullptr, false);
    ASSERT_TRUE(manifest.is_object());
    EXPECT_EQ(manifest["display"], "fullscreen");
    EXPECT_EQ(manifest["start_url"], "/");
    ASSERT_EQ(manifest["icons"].size(), 2u);
    for (const auto& icon : manifest["icons"]) {
        const auto png = c.Get(icon["src"].get<std::string>());
        ASSERT_EQ(status(png), 200) << icon["src"];
        EXPECT_EQ(png->get_header_value("Content-Type"), "image/png");
        SDL_Surface* picture = IMG_Load_RW(
            SDL_RWFromConstMem(png->body.data(), static_cast<int>(png->body.size())), 1);
        ASSERT_NE(picture, nullptr) << IMG_GetError();
        EXPECT_EQ(std::to_string(picture->w) + "x" + std::to_string(picture->h), icon["sizes"]);
        SDL_FreeSurface(picture);
    }
    const auto page = c.Get("/");
    ASSERT_EQ(status(page), 200);
    EXPECT_NE(page->body.find(R"(<link rel="manifest" href="/manifest.json">)"), std::string::npos);
}

}  // namespace
}  // namespace tunedeck::testing
