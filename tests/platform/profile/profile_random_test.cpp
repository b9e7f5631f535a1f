#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/profile/profile.h"
#include "tests/platform/profile/profile_testing.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using testing::getprofile;
using testing::writebytes;

// Builds a file from lines that mix every kind the parser knows, with random line ends.
std::string randomini(std::mt19937& rng) {
    static constexpr const char* kLines[] = {"[a]",
                                             "[B]",
                                             " [ c ] ",
                                             "[broken",
                                             "k=1",
                                             "K = 2",
                                             "j=",
                                             "x=\"q\"",
                                             "; note",
                                             "# note",
                                             "junk",
                                             "=v",
                                             "",
                                             "  ",
                                             "\xff\xfe\x01",
                                             "k2=v2",
                                             "[A]",
                                             "long="
                                             "0123456789abcdef"};
    static constexpr const char* kEnds[] = {"\n", "\r\n", "\r", ""};
    std::string text = rng() % 4 == 0 ? "\xEF\xBB\xBF" : "";
    const int lines = static_cast<int>(rng() % 12);
    for (int i = 0; i < lines; ++i) {
        text += kLines[rng() % std::size(kLines)];
        text += kEnds[rng() % (i + 1 == lines ? 4 : 3)];
    }
    return text;
}

// Every (section, key) pair any random file can hold, read as one snapshot.
std::vector<std::string> snapshot(const std::filesystem::path& ini) {
    std::vector<std::string> values;
    for (const char* section : {"a", "b", "c", "new"}) {
        for (const char* key : {"k", "j", "x", "k2", "long", "w"}) {
            values.push_back(getprofile(section, key, "<none>", ini));
        }
    }
    return values;
}

TEST(ProfileRandom, WritesChangeExactlyTheKeyWritten) {
    fixtures::TempDir dir;
    const auto ini = dir / "r.ini";
    std::mt19937 rng(20240611);
    const char* sections[] = {"a", "b", "c", "new"};
    const char* keys[] = {"k", "j", "x", "k2", "long", "w"};
    for (int round = 0; round < 300; ++round) {
        writebytes(ini, randomini(rng));
        const std::size_t s = rng() % 4;
        const std::size_t k = rng() % 6;
        std::vector<std::string> expected = snapshot(ini);
        const bool erase = rng() % 3 == 0;
        const std::string value = erase ? "" : "v" + std::to_string(round);
        ASSERT_NE(WritePrivateProfileStringA(sections[s], keys[k], erase ? nullptr : value.c_str(),
                                             ini.c_str()),
                  0);
        expected[s * 6 + k] = erase ? "<none>" : value;
        ASSERT_EQ(snapshot(ini), expected) << "round " << round;
    }
}

}  // namespace
}  // namespace tunedeck
