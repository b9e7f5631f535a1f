// A radio playlist opened with the keys, against a private Icecast server on loopback: what the
// status lines, the phone's state and the keys show and do while stations connect, play, change
// their title and drop.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "harness.h"
#include "tools/fixtures/icecast.h"

namespace tunedeck::testing {
namespace {

class RadioKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        server = std::make_unique<fx::IcecastServer>(serverdir.path());
        ASSERT_TRUE(server->startsource("/live.mp3", fx::StationFormat::Mp3, 440, "Live Song"));
        h.tone("a.mp3", 20.0);
        std::ofstream(h.root() / "radio.m3u") << "#EXTM3U\n#EXTINF:-1,Quiet\n"
                                              << silent.url() << "\n#EXTINF:-1,Live\n"
                                              << server->url("/live.mp3") << "\n";
        h.writesettings("none");
        h.start();
        ASSERT_TRUE(h.loaded) << h.app->endreason();
    }
    // The status lines as the next tick writes them.
    std::pair<std::string, std::string> status() {
        h.app->Timer1_Timer();
        return {h.app->form().lblTrack.caption, h.app->form().lblState.caption};
    }
    bool shows(const std::string& track, const std::regex& state, double seconds = 30) {
        return h.waituntil(
            [&] {
                const auto [shown, line] = status();
                return shown == track && std::regex_match(line, state);
            },
            seconds);
    }

    fx::TempDir serverdir;
    std::unique_ptr<fx::IcecastServer> server;
    fx::SilentListener silent;
    Harness h{true};
};

TEST_F(RadioKeys, StationsConnectPlayFollowTheirTitleAndReconnect) {
    h.app->browse().row = 2;  // a.mp3, radio.m3u
    h.press(SDLK_RETURN);
    PlayQueue& queue = h.app->queue();
    ASSERT_EQ(queue.playlistcount, 2);
    EXPECT_EQ(queue.playlist[0].name, "Quiet");
    EXPECT_EQ(status(), std::make_pair(std::string("Quiet"), std::string("Connecting...")));
    RemoteState state = h.app->remotestate();
    EXPECT_EQ(state.playing, "Quiet");
    EXPECT_EQ(state.length, 0);

    h.press(SDLK_n);  // acts at once while the first station still connects
    EXPECT_EQ(queue.playlistpos, 1);
    ASSERT_TRUE(shows("Live Song", std::regex("\\d\\d:\\d\\d")));
    state = h.app->remotestate();
    EXPECT_EQ(state.playing, "Live Song");
    EXPECT_EQ(state.tagtitle, "Live Song");
    EXPECT_EQ(state.state, "playing");
    EXPECT_EQ(state.length, 0);
    EXPECT_FALSE(state.canseek);

    ASSERT_TRUE(server->settitle("/live.mp3", "Next Song"));
    EXPECT_TRUE(shows("Next Song", std::regex("\\d\\d:\\d\\d")));
    server->stopsource("/live.mp3");
    EXPECT_TRUE(shows("Next Song", std::regex("Reconnecting\\.\\.\\.")));
    EXPECT_EQ(queue.playlistpos, 1);
    ASSERT_TRUE(server->startsource("/live.mp3", fx::StationFormat::Mp3, 440, "Back Again"));
    EXPECT_TRUE(shows("Back Again", std::regex("\\d\\d:\\d\\d"), 40));
}

// A queue holding a station comes back with it after a restart, the station playing again from
// the live sound (it has no place to resume at).
TEST(RadioResume, StationsStayInTheSavedQueue) {
    fx::SilentListener silent;
    Harness h(true);
    h.tone("a.mp3", 20.0);
    std::ofstream(h.root() / "radio.pls")
        << "[playlist]\nFile1=" << silent.url() << "\nTitle1=Quiet\nFile2=a.mp3\n";
    h.writesettings("none", "showletters=0", "resume=1");
    h.start();
    ASSERT_TRUE(h.loaded) << h.app->endreason();
    h.app->browse().row = 2;  // a.mp3, radio.pls
    h.press(SDLK_RETURN);
    ASSERT_EQ(h.app->queue().playlistcount, 2);
    LiveStatus live;
    ASSERT_TRUE(BASS_ChannelGetLiveStatus(h.app->bass(), h.app->queue().stream, &live));
    h.app->pump();

    h.app.reset();
    h.start();
    ASSERT_TRUE(h.loaded) << h.app->endreason();
    const PlayQueue& queue = h.app->queue();
    ASSERT_EQ(queue.playlistcount, 2);
    EXPECT_EQ(queue.playlist[0], (QueueEntry{"Quiet", silent.url()}));
    EXPECT_EQ(queue.playlistpos, 0);
    EXPECT_TRUE(BASS_ChannelGetLiveStatus(h.app->bass(), queue.stream, &live));
}

}  // namespace
}  // namespace tunedeck::testing
