#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/profile/profile.h"
#include "tests/platform/profile/profile_testing.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using testing::getprofile;
using testing::writebytes;

class ProfileBadInput : public ::testing::Test {
  protected:
    fixtures::TempDir dir;
    std::filesystem::path ini = dir / "settings.ini";
};

TEST_F(ProfileBadInput, GarbageLinesAreSkippedAndEveryLineEndAndAByteOrderMarkRead) {
    using namespace std::string_literals;
    writebytes(ini,
               "just words\n"
               "=no name\n"
               "[display\n"
               "perpage=1\n"
               "\x01\x02\x7f\xff\xfe binary\n"
               "[display]\n"
               "no equals sign here\n"
               "bad\0key=2\n"
               "perpage=8\n"
               "[]\n"
               "x=3\n"s);
    EXPECT_EQ(getprofile("display", "perpage", "11", ini), "8");
    EXPECT_EQ(getprofile("display", "bad", "d", ini), "d");  // a NUL ends the line's text
    EXPECT_EQ(getprofile(nullptr, nullptr, "", ini), "display\0\0"s);

    // Every kind of line end, and a byte order mark.
    writebytes(ini, "\xEF\xBB\xBF[display]\rperpage=8\r\n\r\ncoverx=5\ncovery=6");
    EXPECT_EQ(getprofile("display", "perpage", "", ini), "8");
    EXPECT_EQ(getprofile("display", "coverx", "", ini), "5");
    EXPECT_EQ(getprofile("display", "covery", "", ini), "6");
}

TEST_F(ProfileBadInput, HugeFilesAreReadWholeAndValuesCut) {
    std::string many = "[s]\n";
    for (int i = 0; i < 100000; ++i)
        many += "key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    writebytes(ini, many);
    EXPECT_EQ(getprofile("s", "key99999", "", ini), "99999");
    EXPECT_EQ(getprofile("s", nullptr, "", ini, 8192).size(), 8190u);

    writebytes(ini, "[s]\nbig=" + std::string(10 << 20, 'x') + "\nafter=1\n");
    EXPECT_EQ(getprofile("s", "big", "", ini), std::string(254, 'x'));
    EXPECT_EQ(getprofile("s", "after", "", ini), "1");
}

TEST_F(ProfileBadInput, ThingsThatAreNotFilesGiveTheDefault) {
    std::filesystem::create_directory(ini);
    EXPECT_EQ(getprofile("s", "k", "dflt", ini), "dflt");
    EXPECT_EQ(WritePrivateProfileStringA("s", "k", "v", ini.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_directory(ini));

    const auto fifo = dir / "fifo.ini";  // opening a FIFO for reading must not wait for a writer
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(getprofile("s", "k", "dflt", fifo), "dflt");
    EXPECT_EQ(getprofile("s", "k", "dflt", "/dev/zero"), "dflt");
    EXPECT_EQ(getprofile("s", "k", "dflt", ""), "dflt");
    char buffer[8];
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "dflt", buffer, 8, nullptr), 4u);
}

}  // namespace
}  // namespace tunedeck
