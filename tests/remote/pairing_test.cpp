// Pairing: codes and one-time tokens are good once and for their time only, guessing is
// limited per address and per code, and paired tokens are kept in a file for their owner.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "remote/pairing.h"
#include "remote/tokenfile.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using namespace std::chrono_literals;
using Outcome = Pairing::Outcome;

struct PairingTest : ::testing::Test {
    fixtures::TempDir dir;
    std::filesystem::path file = dir / "remote.tokens";
    Pairing pairing{file};
    Pairing::Clock::time_point t0 = Pairing::Clock::now();

    std::string code() { return Pairing::codetext(*pairing.requestcode("10.0.0.9", t0)); }
};

TEST_F(PairingTest, CodesAndOneTimeTokensAreGoodOnceAndForTheirTimeOnly) {
    const std::string c = code();
    EXPECT_EQ(pairing.redeem(c, "10.0.0.1", t0 + 119s).outcome, Outcome::Paired);
    EXPECT_EQ(pairing.redeem(c, "10.0.0.1", t0 + 119s).outcome, Outcome::Wrong);       // replayed
    EXPECT_EQ(pairing.redeem(code(), "10.0.0.1", t0 + 120s).outcome, Outcome::Wrong);  // old

    const std::string once = pairing.onetimetoken(t0);
    EXPECT_EQ(pairing.redeem(once, "10.0.0.2", t0 + 30s).outcome, Outcome::Wrong);
    const std::string replaced = pairing.onetimetoken(t0);
    const std::string last = pairing.onetimetoken(t0);
    EXPECT_EQ(pairing.redeem(replaced, "10.0.0.2", t0).outcome, Outcome::Wrong);
    const auto paired = pairing.redeem(last, "10.0.0.2", t0 + 29s);
    EXPECT_EQ(paired.outcome, Outcome::Paired);
    EXPECT_TRUE(pairing.authorised(paired.token));
    EXPECT_EQ(pairing.redeem(last, "10.0.0.2", t0 + 29s).outcome, Outcome::Wrong);  // replayed
    EXPECT_FALSE(pairing.authorised(""));
    EXPECT_FALSE(pairing.authorised(last));
}

TEST_F(PairingTest, GuessesAreLimitedPerAddressAndPerCode) {
    const std::string c = code();
    const std::string wrong = c == "000000" ? "000001" : "000000";
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(pairing.redeem(wrong, "10.0.0.1", t0 + 1s).outcome, Outcome::Wrong);
    // Past five wrong tries a minute even the right code is refused from that address.
    EXPECT_EQ(pairing.redeem(c, "10.0.0.1", t0 + 2s).outcome, Outcome::Limited);
    EXPECT_EQ(pairing.redeem(c, "10.0.0.1", t0 + 61s).outcome, Outcome::Paired);

    // Twenty wrong tries from anywhere void the code.
    const std::string d = code();
    const std::string wrongd = d == "000000" ? "000001" : "000000";
    for (int i = 0; i < 20; ++i) pairing.redeem(wrongd, "10.0.1." + std::to_string(i), t0 + 3s);
    EXPECT_EQ(pairing.redeem(d, "10.0.0.3", t0 + 3s).outcome, Outcome::Wrong);

    // Asking for codes is limited the same way.
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(pairing.requestcode("10.0.0.9", t0 + 4s));
    EXPECT_FALSE(pairing.requestcode("10.0.0.9", t0 + 4s));
    EXPECT_TRUE(pairing.requestcode("10.0.0.8", t0 + 4s));
    EXPECT_TRUE(pairing.requestcode("10.0.0.9", t0 + 62s));
}

TEST_F(PairingTest, TokensAreKeptForTheOwnerOnlyAndTheNewestStay) {
    std::ofstream(file) << "not a token\n";
    chmod(file.c_str(), 0644);
    Pairing fresh(file);
    std::vector<std::string> tokens;
    for (std::size_t i = 0; i < Pairing::kMaxTokens + 2; ++i) {
        const std::string once = fresh.onetimetoken(t0);
        tokens.push_back(fresh.redeem(once, "10.0.0.1", t0).token);
    }
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".new"));
    const auto kept = readtokens(file);
    ASSERT_EQ(kept.size(), Pairing::kMaxTokens);
    EXPECT_EQ(kept.back(), tokens.back());
    Pairing restarted(file);
    EXPECT_TRUE(restarted.authorised(tokens.back()));
    EXPECT_FALSE(restarted.authorised(tokens.front()));  // the oldest went
}

}  // namespace
}  // namespace tunedeck
