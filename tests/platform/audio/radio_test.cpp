// Stations on the network against a real Icecast server on loopback, fed by ffmpeg: the sound
// and the title they send, a dropped source and its return, a station that never answers; and
// the reading of ICY titles and addresses.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "harness.h"
#include "platform/audio/radio.h"
#include "platform/audio/streamtitle.h"
#include "tools/fixtures/fixtures.h"
#include "tools/fixtures/icecast.h"

namespace tunedeck {
namespace {

using namespace std::chrono_literals;
using namespace tunedeck::testing;
using Link = LiveStatus::Link;

TEST(Radio, IcyTitleIsTakenWholeFromItsBlockAsUtf8) {
    EXPECT_EQ(icystreamtitle("StreamTitle='Artist - Song';"), "Artist - Song");
    EXPECT_EQ(icystreamtitle("StreamTitle='Song';StreamUrl='http://x/';"), "Song");
    EXPECT_EQ(icystreamtitle("StreamTitle='Rock';n';Roll';StreamUrl='';"), "Rock';n';Roll");
    EXPECT_EQ(icystreamtitle("StreamTitle='Don't Stop';"), "Don't Stop");
    EXPECT_EQ(icystreamtitle("StreamTitle='Caf\xe9';"), "Caf\xc3\xa9");  // Latin-1
    EXPECT_EQ(icystreamtitle("StreamTitle='Caf\xc3\xa9';"), "Caf\xc3\xa9");
    EXPECT_EQ(icystreamtitle("StreamTitle='a\x01\tb\x7f';"), "ab");
    EXPECT_EQ(icystreamtitle("StreamTitle='unterminated"), "unterminated");
    EXPECT_EQ(icystreamtitle("StreamTitle='';"), "");
    EXPECT_EQ(icystreamtitle("StreamUrl='x';"), "");
    EXPECT_EQ(icystreamtitle(std::string(5000, 'a') + "StreamTitle='late';"), "");
}

TEST(Radio, OnlyWebAddressesAreStations) {
    EXPECT_TRUE(isradioaddress("http://example.org/stream"));
    EXPECT_TRUE(isradioaddress("HTTPS://example.org:8000/live.ogg"));
    EXPECT_FALSE(isradioaddress("http://"));
    EXPECT_FALSE(isradioaddress("file:///music/a.mp3"));
    EXPECT_FALSE(isradioaddress("/music/http://a.mp3"));
    EXPECT_FALSE(isradioaddress("ftp://example.org/a.mp3"));
    EXPECT_FALSE(isradioaddress("httpx://a"));
}

// A server of its own per test, and the engine playing into SDL's disk driver in real time.
class RadioTest : public ::testing::Test {
  protected:
    void SetUp() override {
        out_ = diskoutput(dir_, true);
        ASSERT_TRUE(startlibrary(bass_));
    }
    LiveStatus status(HSTREAM stream) {
        LiveStatus live;
        EXPECT_TRUE(BASS_ChannelGetLiveStatus(bass_, stream, &live));
        return live;
    }
    bool reaches(HSTREAM stream, Link link, std::chrono::milliseconds limit = 30s) {
        return pumpuntil(
            bass_, [&] { return status(stream).link == link; }, limit);
    }
    bool titled(HSTREAM stream, const std::string& title) {
        return pumpuntil(
            bass_, [&] { return status(stream).title == title; }, 30s);
    }
    HSTREAM playurl(const std::string& url) {
        const HSTREAM stream = BASS_StreamCreateURL(bass_, url.c_str(), 0, 0);
        EXPECT_NE(stream, 0u);
        EXPECT_TRUE(BASS_StreamPlay(bass_, stream, 0, 0));
        return stream;
    }
    // The steady tones heard, at least `seconds` long each.
    std::vector<double> heard(double seconds) {
        std::vector<double> frequencies;
        for (const auto& tone : fx::findtones(out_)) {
            if (tone.seconds >= seconds) frequencies.push_back(tone.frequency);
        }
        return frequencies;
    }
    // Ends the engine, so that everything it played is written, and expects the first steady
    // tone of a second or more to be `frequency`.
    void expectfirsttone(double frequency) {
        BASS_Free(bass_);
        const auto tones = heard(1.0);
        ASSERT_FALSE(tones.empty());
        EXPECT_NEAR(tones.front(), frequency, 10);
    }

    fx::TempDir dir_;
    fx::TempDir serverdir_;
    std::string out_;
    AudioLibrary bass_;
};

// What plays is the station's sound, at once; its title follows each change. It has no length
// and no place to move to.
TEST_F(RadioTest, Mp3StationPlaysItsSoundAndFollowsItsTitle) {
    fx::IcecastServer server(serverdir_.path());
    ASSERT_TRUE(server.startsource("/radio.mp3", fx::StationFormat::Mp3, 440, "First Song"));
    const HSTREAM stream = playurl(server.url("/radio.mp3"));
    ASSERT_TRUE(reaches(stream, Link::Playing));
    ASSERT_TRUE(titled(stream, "First Song"));
    ASSERT_TRUE(server.settitle("/radio.mp3", "Second Song"));
    ASSERT_TRUE(titled(stream, "Second Song"));
    pumpfor(bass_, 1500ms);
    EXPECT_EQ(BASS_ChannelIsActive(bass_, stream), BASS_ACTIVE_PLAYING);
    EXPECT_GT(BASS_ChannelGetPosition(bass_, stream), 0u);
    EXPECT_EQ(BASS_StreamGetLength(bass_, stream), static_cast<QWORD>(-1));
    EXPECT_EQ(BASS_ErrorGetCode(bass_), 37);
    EXPECT_EQ(BASS_ChannelSetPosition(bass_, stream, 0, BASS_POS_BYTE), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass_), 37);
    BASS_StreamFree(bass_, stream);
    expectfirsttone(440);
}

// An Ogg station says what plays in its own stream, not in ICY blocks.
TEST_F(RadioTest, OggStationPlaysAndShowsTheTitleInItsStream) {
    fx::IcecastServer server(serverdir_.path());
    ASSERT_TRUE(server.startsource("/radio.ogg", fx::StationFormat::Ogg, 660, "Ogg Song"));
    const HSTREAM stream = playurl(server.url("/radio.ogg"));
    ASSERT_TRUE(reaches(stream, Link::Playing));
    EXPECT_TRUE(titled(stream, "Ogg Song"));
    pumpfor(bass_, 1500ms);
    expectfirsttone(660);
}

// The source stops: the stream plays on (silent), says it reconnects, and plays the source's
// new sound once it is back; it never ends by itself meanwhile.
TEST_F(RadioTest, DroppedStationReconnectsAndPlaysOnWhenItsSourceReturns) {
    fx::IcecastServer server(serverdir_.path());
    ASSERT_TRUE(server.startsource("/radio.mp3", fx::StationFormat::Mp3, 440));
    const HSTREAM stream = playurl(server.url("/radio.mp3"));
    bool ended = false;
    BASS_ChannelSetSync(
        bass_, stream, BASS_SYNC_END, 0, [&](HSYNC, DWORD, DWORD, DWORD) { ended = true; }, 0);
    ASSERT_TRUE(reaches(stream, Link::Playing));
    pumpfor(bass_, 1500ms);
    server.stopsource("/radio.mp3");
    ASSERT_TRUE(reaches(stream, Link::Reconnecting));
    pumpfor(bass_, 2s);
    EXPECT_EQ(BASS_ChannelIsActive(bass_, stream), BASS_ACTIVE_PLAYING);
    ASSERT_TRUE(server.startsource("/radio.mp3", fx::StationFormat::Mp3, 880));
    ASSERT_TRUE(reaches(stream, Link::Playing, 40s));
    pumpfor(bass_, 1500ms);
    EXPECT_FALSE(ended);
    BASS_Free(bass_);
    const auto tones = heard(1.0);
    ASSERT_GE(tones.size(), 2u);
    EXPECT_NEAR(tones.front(), 440, 10);
    EXPECT_NEAR(tones.back(), 880, 15);
}

// A station that lets the connection in and never answers ends within its bound, as an
// unplayable file would; one that refuses, or has no such mount, ends at once. Leaving a
// station while it connects does not wait for the network, nor does the engine's shutdown.
TEST_F(RadioTest, StationsThatNeverAnswerEndAndLeavingOneNeverWaits) {
    fx::SilentListener silent;
    fx::IcecastServer server(serverdir_.path());
    const auto start = std::chrono::steady_clock::now();
    const HSTREAM mute = playurl(silent.url());
    const HSTREAM refused =
        playurl("http://127.0.0.1:" + std::to_string(fx::freeloopbackport()) + "/x.mp3");
    const HSTREAM missing = playurl(server.url("/nothing.mp3"));
    int ends = 0;
    for (const HSTREAM stream : {mute, refused, missing}) {
        BASS_ChannelSetSync(
            bass_, stream, BASS_SYNC_END, 0, [&](HSYNC, DWORD, DWORD, DWORD) { ++ends; }, 0);
    }
    EXPECT_EQ(status(mute).link, Link::Connecting);
    EXPECT_TRUE(reaches(refused, Link::Ended, 8s));
    EXPECT_TRUE(reaches(missing, Link::Ended, 8s));
    EXPECT_TRUE(reaches(mute, Link::Ended, 40s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, RadioSource::kFirstAnswer - 1s);
    EXPECT_TRUE(pumpuntil(bass_, [&] { return ends == 3; }));
    EXPECT_EQ(BASS_ChannelIsActive(bass_, mute), BASS_ACTIVE_STOPPED);

    const HSTREAM leaving = playurl(silent.url());
    pumpfor(bass_, 300ms);
    const auto freeing = std::chrono::steady_clock::now();
    BASS_StreamFree(bass_, leaving);
    EXPECT_LT(std::chrono::steady_clock::now() - freeing, 2s);
    playurl(silent.url());
    pumpfor(bass_, 300ms);
    const auto shutdown = std::chrono::steady_clock::now();
    BASS_Free(bass_);
    EXPECT_LT(std::chrono::steady_clock::now() - shutdown, 5s);
}

}  // namespace
}  // namespace tunedeck
