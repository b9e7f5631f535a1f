// The files the jukebox writes live in its user's state folder, never in the program's folder:
// paired phones of an older Tunedeck, kept beside settings.ini, are taken over once; the loudness
// measured of untagged files is kept there too, and levels them after a restart.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <string>

#include "audio/loudnesscache.h"

#include "e2e/process.h"
#include "harness.h"
#include "remote/pairing.h"

namespace tunedeck::testing {
namespace {

// A phone paired through `pairing`'s one-time token; its token.
std::string pairphone(Pairing& pairing) {
    const auto now = Pairing::Clock::now();
    return pairing.redeem(pairing.onetimetoken(now), "10.0.0.7", now).token;
}

TEST(StateFolder, PairedPhonesBesideTheProgramAreTakenOverOnce) {
    Harness h;
    h.tone("01.mp3", 2.0);
    h.writesettings("none", "showletters=0", "[remote]\nport=0\nlisten=127.0.0.1\nmpris=0");
    const fs::path legacy = h.dir / "remote.tokens";
    std::string token;
    {
        Pairing before(legacy);
        token = pairphone(before);
    }
    ASSERT_FALSE(token.empty());

    h.start(true);
    ASSERT_TRUE(h.loaded) << h.app->endreason();
    ASSERT_NE(h.app->remote(), nullptr);
    const fs::path kept = h.statefolder() / "remote.tokens";
    EXPECT_FALSE(fs::exists(legacy));
    EXPECT_TRUE(Pairing(kept).authorised(token));
    struct stat info {};
    ASSERT_EQ(::stat(h.statefolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u) << "the state folder is its user's alone";

    // A phone paired now is written to the state folder; a stale file beside the program (a
    // restored backup) is not read again at the next start.
    h.app.reset();
    std::string staletoken;
    {
        Pairing stale(legacy);
        staletoken = pairphone(stale);
    }
    const std::string stalefile = e2e::readfile(legacy);
    h.start(true);
    ASSERT_TRUE(h.loaded) << h.app->endreason();
    EXPECT_TRUE(Pairing(kept).authorised(token));
    EXPECT_FALSE(Pairing(kept).authorised(staletoken));
    EXPECT_EQ(e2e::readfile(legacy), stalefile);
}

TEST(StateFolder, UntaggedFilesMeasuredInTheBackgroundPlayAtTheirLevelAfterARestart) {
    Harness h;
    h.tone("01.flac", 2.0);
    h.tone("02.flac", 2.0, 660.0);
    h.writesettings("none");
    h.start();
    ASSERT_TRUE(h.loaded) << h.app->endreason();
    const fs::path cache = h.statefolder() / "loudness.cache";
    LevelTable levels;
    ASSERT_TRUE(h.waituntil(
        [&] {
            levels = readlevelcache(cache, 10);
            return levels.size() == 2;
        },
        120));
    const auto first = levels.find((h.root() / "01.flac").string());
    ASSERT_NE(first, levels.end());
    ASSERT_TRUE(first->second.gain.has_value());
    EXPECT_LT(*first->second.gain, -3.0);  // a tone at half of full scale is loud

    h.app.reset();
    h.start();
    ASSERT_TRUE(h.loaded) << h.app->endreason();
    ASSERT_TRUE(h.waituntil([&] { return h.active() == BASS_ACTIVE_PLAYING; }));
    EXPECT_EQ(h.app->queue().playlistpos, 0);
    float gain = 0;
    ASSERT_TRUE(
        BASS_ChannelGetAttribute(h.app->bass(), h.app->queue().stream, BASS_ATTRIB_VOL, &gain));
    EXPECT_NEAR(20 * std::log10(gain), *first->second.gain, 0.01);
}

}  // namespace
}  // namespace tunedeck::testing
