// The files the jukebox writes live in its user's state folder, never in the program's folder:
// paired phones of an older Tunedeck, kept beside settings.ini, are taken over once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

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

}  // namespace
}  // namespace tunedeck::testing
