// Pairing against strangers: guesses and code requests limited over all addresses together, a
// code on screen kept from anyone but the one who asked for it, and the file of paired phones,
// which holds only hashes, keeps phones paired by an earlier version, is never written through a
// link, and is never written over when it could not be read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "remote/pairing.h"
#include "remote/tokenfile.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::testing {
namespace {

using namespace std::chrono_literals;
using Outcome = Pairing::Outcome;

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string address(int i) {
    return "10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250);
}

struct PairingLimits : ::testing::Test {
    fixtures::TempDir dir;
    Pairing pairing{dir / "remote.tokens"};
    Pairing::Clock::time_point t0 = Pairing::Clock::now();

    std::string wrongfor(const std::string& code) { return code == "000000" ? "000001" : "000000"; }
};

TEST_F(PairingLimits, GuessesFromEveryAddressTogetherAreCheckedAtMostAHundredAnHour) {
    int checked = 0;
    for (int i = 0; i < 300; ++i) {
        const auto outcome = pairing.redeem("123456", address(i), t0 + 1s).outcome;
        checked += outcome == Outcome::Wrong ? 1 : 0;
    }
    EXPECT_EQ(checked, static_cast<int>(Pairing::kWrongPerHour));
    // Even the right code is not checked now; the QR code's one-time token still pairs.
    const std::string code = Pairing::codetext(*pairing.requestcode("10.0.0.9", t0 + 2s));
    EXPECT_EQ(pairing.redeem(code, "10.0.0.9", t0 + 3s).outcome, Outcome::Limited);
    const std::string once = pairing.onetimetoken(t0 + 3s);
    EXPECT_EQ(pairing.redeem(once, "10.0.0.9", t0 + 4s).outcome, Outcome::Paired);
    // An hour after the guesses, codes are checked again.
    const std::string later = Pairing::codetext(*pairing.requestcode("10.0.0.9", t0 + 3601s));
    EXPECT_EQ(pairing.redeem(later, "10.0.0.9", t0 + 3602s).outcome, Outcome::Paired);
}

TEST_F(PairingLimits, ACodeOnScreenIsKeptFromStrangers) {
    const std::string mine = Pairing::codetext(*pairing.requestcode("10.0.0.9", t0));
    EXPECT_FALSE(pairing.requestcode("10.0.0.66", t0 + 1s));
    EXPECT_EQ(pairing.redeem(mine, "10.0.0.9", t0 + 2s).outcome, Outcome::Paired);
    // Once it is used (or gone), anyone may ask; the one who asked may ask again.
    EXPECT_TRUE(pairing.requestcode("10.0.0.66", t0 + 3s));
    EXPECT_TRUE(pairing.requestcode("10.0.0.66", t0 + 4s));
    EXPECT_FALSE(pairing.requestcode("10.0.0.9", t0 + 5s));
    EXPECT_TRUE(pairing.requestcode("10.0.0.9", t0 + 4s + Pairing::kCodeLife));
}

TEST_F(PairingLimits, AtMostThirtyCodesAnHourAreShown) {
    int shown = 0;
    // One address, within its own limit of five a minute.
    for (int i = 0; i < 60; ++i) shown += pairing.requestcode("10.0.0.9", t0 + i * 13s) ? 1 : 0;
    EXPECT_EQ(shown, static_cast<int>(Pairing::kCodesPerHour));
    EXPECT_FALSE(pairing.requestcode("10.0.0.8", t0 + 60 * 13s + Pairing::kCodeLife));
    EXPECT_TRUE(pairing.requestcode("10.0.0.8", t0 + 3600s + 13s));
}

// A wrong code's answer counts what is left under both limits: the address's tries this minute
// and the checks left this hour from all addresses; and whether the code on screen still holds.
TEST_F(PairingLimits, AWrongCodeSaysWhatIsLeftUnderEveryLimit) {
    const std::string code = Pairing::codetext(*pairing.requestcode("10.0.0.9", t0));
    const auto first = pairing.redeem(wrongfor(code), "10.0.0.9", t0 + 1s);
    EXPECT_EQ(first.outcome, Outcome::Wrong);
    EXPECT_EQ(first.triesleft, Pairing::kTriesPerWindow - 1);
    EXPECT_TRUE(first.codelive);
    // Guesses of another length use up the hour but leave the code on screen standing.
    for (std::size_t i = 0; i + 3 < Pairing::kWrongPerHour; ++i)
        ASSERT_EQ(pairing.redeem("12345", address(static_cast<int>(i)), t0 + 2s).outcome,
                  Outcome::Wrong);
    const auto nearlyout = pairing.redeem(wrongfor(code), "10.0.0.9", t0 + 3s);
    EXPECT_EQ(nearlyout.triesleft, 1u);  // not the three this address has left this minute
    EXPECT_TRUE(nearlyout.codelive);
    EXPECT_EQ(pairing.redeem("12345", "10.0.0.7", t0 + 3s).triesleft, 0u);
    EXPECT_EQ(pairing.redeem(code, "10.0.0.9", t0 + 4s).outcome, Outcome::Limited);
}

TEST_F(PairingLimits, AWrongCodeSaysWhenTheCodeOnScreenIsVoid) {
    const std::string code = Pairing::codetext(*pairing.requestcode("10.0.0.9", t0));
    for (int i = 0; i < Pairing::kWrongPerCode; ++i) {
        const auto result = pairing.redeem(wrongfor(code), address(i), t0 + 1s);
        EXPECT_EQ(result.codelive, i + 1 < Pairing::kWrongPerCode) << i;
    }
    EXPECT_EQ(pairing.redeem(code, "10.0.0.9", t0 + 2s).outcome, Outcome::Wrong);
}

struct TokenFile : ::testing::Test {
    fixtures::TempDir dir;
    std::filesystem::path file = dir / "remote.tokens";
    Pairing::Clock::time_point t0 = Pairing::Clock::now();

    std::string pairwith(Pairing& pairing) {
        return pairing.redeem(pairing.onetimetoken(t0), "10.0.0.1", t0).token;
    }
};

TEST_F(TokenFile, HoldsOnlyHashesAndPhonesPairedBeforeStayPaired) {
    const std::string old(64, 'c');
    const std::string crlf(64, 'd'), upper(64, 'E'), blank(64, 'f');
    std::ofstream(file) << old << "\n" << crlf << "\r\n" << upper << "\n " << blank << "\n";
    Pairing pairing(file);
    EXPECT_TRUE(pairing.authorised(old));
    for (const std::string& token : {crlf, upper, blank, std::string(64, 'e')})
        EXPECT_FALSE(pairing.authorised(token)) << token;
    const std::string fresh = pairwith(pairing);
    // The file was written anew without the plain token, and holds only hashes.
    EXPECT_EQ(contents(file), tokenhash(old) + "\n" + tokenhash(fresh) + "\n");
    Pairing restarted(file);
    EXPECT_TRUE(restarted.authorised(old));
    EXPECT_TRUE(restarted.authorised(fresh));
    // A copy of the file lets nobody in: the hash is not a token.
    EXPECT_FALSE(restarted.authorised(tokenhash(fresh).substr(7)));
}

TEST_F(TokenFile, TheFileIsRewrittenAsSoonAsItHeldPlainTokens) {
    const std::string old(64, '7');
    std::ofstream(file) << old << "\n";
    Pairing pairing(file);
    EXPECT_EQ(contents(file), tokenhash(old) + "\n");
}

// A phone that forgets itself leaves the file: found by the hash of its token, also when it was
// paired by an earlier version that kept the token itself.
TEST_F(TokenFile, ARevokedPhoneLeavesTheFile) {
    const std::string old(64, 'c');
    std::ofstream(file) << old << "\n";
    Pairing pairing(file);
    const std::string fresh = pairwith(pairing);
    EXPECT_FALSE(pairing.revoke(tokenhash(fresh)));  // the line kept is not the token
    EXPECT_FALSE(pairing.revoke(""));
    EXPECT_TRUE(pairing.revoke(old));
    EXPECT_FALSE(pairing.revoke(old));
    EXPECT_FALSE(pairing.authorised(old));
    EXPECT_TRUE(pairing.authorised(fresh));
    EXPECT_EQ(contents(file), tokenhash(fresh) + "\n");
    EXPECT_TRUE(pairing.revoke(fresh));
    EXPECT_FALSE(Pairing(file).authorised(fresh));
}

TEST_F(TokenFile, ALinkLeftInPlaceOfTheNewFileIsNotFollowed) {
    const std::filesystem::path precious = dir / "precious.txt";
    std::ofstream(precious) << "keep me";
    std::filesystem::create_symlink(precious, file.string() + ".new");
    Pairing pairing(file);
    const std::string token = pairwith(pairing);
    EXPECT_EQ(contents(precious), "keep me");
    EXPECT_EQ(contents(file), tokenhash(token) + "\n");
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".new"));
}

TEST_F(TokenFile, AFileThatCannotBeReadIsReportedAndNeverWrittenOver) {
    const std::string big(70 * 1024, 'x');
    std::ofstream(file) << big;
    ::testing::internal::CaptureStderr();
    Pairing pairing(file);
    const std::string token = pairwith(pairing);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(file.string()), std::string::npos) << err;
    EXPECT_NE(err.find("not kept"), std::string::npos) << err;
    EXPECT_EQ(contents(file), big);
    EXPECT_TRUE(pairing.authorised(token));  // until the jukebox ends
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(pairing.revoke(token));
    ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(pairing.authorised(token));
    EXPECT_EQ(contents(file), big);

    const std::filesystem::path folder = dir / "folder.tokens";
    std::filesystem::create_directory(folder);
    ::testing::internal::CaptureStderr();
    Pairing infolder(folder);
    pairwith(infolder);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(folder.string()), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

}  // namespace
}  // namespace tunedeck::testing
