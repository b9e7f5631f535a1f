#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/profile/profile.h"
#include "tests/platform/profile/profile_testing.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using testing::getprofile;
using testing::readbytes;
using testing::writebytes;

class ProfileWrite : public ::testing::Test {
  protected:
    fixtures::TempDir dir;
    std::filesystem::path ini = dir / "settings.ini";

    int write(const char* section, const char* key, const char* value) {
        return WritePrivateProfileStringA(section, key, value, ini.c_str());
    }
};

constexpr const char* kOriginal =
    "; Tunedeck settings\r\n"
    "[Display]\r\n"
    "  PerPage = 11   ; rows\r\n"
    "coverx=0\r\n"
    "\r\n"
    "; the system part\r\n"
    "[system]\r\n"
    "path=/music\r\n";

TEST_F(ProfileWrite, ChangingAKeyTouchesOnlyItsLine) {
    writebytes(ini, kOriginal);
    ASSERT_NE(write("display", "coverx", "120"), 0);
    std::string expected = kOriginal;
    expected.replace(expected.find("coverx=0"), 8, "coverx=120");
    EXPECT_EQ(readbytes(ini), expected);
}

TEST_F(ProfileWrite, NewKeyGoesAfterTheSectionsLastKey) {
    writebytes(ini, kOriginal);
    ASSERT_NE(write("DISPLAY", "covery", "90"), 0);
    std::string expected = kOriginal;
    expected.insert(expected.find("\r\n\r\n; the") + 2, "covery=90\r\n");
    EXPECT_EQ(readbytes(ini), expected);
}

TEST_F(ProfileWrite, NewSectionIsAppendedAndFileCreatedWhenMissing) {
    ASSERT_NE(write("system", "path", "/home/me/Music"), 0);
    EXPECT_EQ(readbytes(ini), "[system]\npath=/home/me/Music\n");
    writebytes(ini, "[a]\nx=1");  // no line end on the last line
    ASSERT_NE(write("b", "y", "2"), 0);
    EXPECT_EQ(readbytes(ini), "[a]\nx=1\n[b]\ny=2\n");
    ASSERT_NE(write("a", "z", "3"), 0);
    EXPECT_EQ(readbytes(ini), "[a]\nx=1\nz=3\n[b]\ny=2\n");
}

TEST_F(ProfileWrite, ValuesReadBackExactly) {
    for (const char* value : {"", "  padded  ", "\"quoted\"", "'q'", "a=b;c#d", "\xC3\xA4\xFF"}) {
        ASSERT_NE(write("s", "k", value), 0) << value;
        EXPECT_EQ(getprofile("s", "k", "dflt", ini), value);
    }
}

TEST_F(ProfileWrite, DeletingKeysAndSectionsKeepsTheRest) {
    writebytes(ini, std::string(kOriginal) + "[display]\r\ncoverx=7\r\n");
    ASSERT_NE(write("display", "coverx", nullptr), 0);  // every copy, so none shows through
    EXPECT_EQ(getprofile("display", "coverx", "gone", ini), "gone");
    std::string expected = std::string(kOriginal) + "[display]\r\n";
    expected.erase(expected.find("coverx=0\r\n"), 10);
    EXPECT_EQ(readbytes(ini), expected);

    ASSERT_NE(write("Display", nullptr, nullptr), 0);
    EXPECT_EQ(readbytes(ini), "; Tunedeck settings\r\n[system]\r\npath=/music\r\n");

    // Deleting what is not there changes nothing; a byte order mark outlives the first section.
    writebytes(ini, kOriginal);
    EXPECT_NE(write("none", nullptr, nullptr), 0);
    EXPECT_NE(write("system", "none", nullptr), 0);
    EXPECT_EQ(readbytes(ini), kOriginal);
    writebytes(ini, "\xEF\xBB\xBF[a]\nx=1\n[b]\ny=2\n");
    ASSERT_NE(write("a", nullptr, nullptr), 0);
    EXPECT_EQ(readbytes(ini), "\xEF\xBB\xBF[b]\ny=2\n");
    std::filesystem::remove(ini);
    EXPECT_NE(write("s", "k", nullptr), 0);
    EXPECT_NE(write("s", nullptr, nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(ProfileWrite, TextThatWouldBreakTheFileIsRefused) {
    writebytes(ini, kOriginal);
    EXPECT_EQ(write("system", "path", "/x\n[evil]\nk=v"), 0);
    EXPECT_EQ(write("sys]tem", "k", "v"), 0);
    EXPECT_EQ(write("system", "a=b", "v"), 0);
    EXPECT_EQ(write("system", "[k", "v"), 0);
    EXPECT_EQ(write("system", " ", "v"), 0);
    EXPECT_EQ(write("", "k", "v"), 0);
    EXPECT_EQ(write(nullptr, "k", "v"), 0);
    EXPECT_EQ(WritePrivateProfileStringA("s", "k", "v", nullptr), 0);
    EXPECT_EQ(readbytes(ini), kOriginal);
}

TEST_F(ProfileWrite, ReplacesTheFileInPlaceKeepingModeAndLinks) {
    writebytes(ini, kOriginal);
    ASSERT_EQ(::chmod(ini.c_str(), 0640), 0);
    const auto link = dir / "link.ini";
    std::filesystem::create_symlink(ini.filename(), link);
    ASSERT_NE(WritePrivateProfileStringA("system", "path", "/new", link.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(getprofile("system", "path", "", ini), "/new");
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 2);  // no temporary file left behind
}

}  // namespace
}  // namespace tunedeck
