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

class Profile : public ::testing::Test {
  protected:
    fixtures::TempDir dir;
    std::filesystem::path ini = dir / "settings.ini";

    int write(const char* section, const char* key, const char* value) {
        return WritePrivateProfileStringA(section, key, value, ini.c_str());
    }
};

TEST_F(Profile, NamesMatchWithoutCasePerCodePointAndBlanksAreTrimmed) {
    writebytes(ini,
               "; comment line\n"
               "  [ Display ]  \n"
               "\tPerPage  =  8  \n"
               "# perpage=9\n"
               "perpage=10\n"
               "title=\"  spaced  \"\n"
               "single='x'\n"
               "half=\"open\n"
               "nothing=\n"
               "blank=   \n");
    EXPECT_EQ(getprofile("display", "PERPAGE", "11", ini), "8");  // the first key wins
    EXPECT_EQ(getprofile("DISPLAY", "title", "", ini), "  spaced  ");
    EXPECT_EQ(getprofile("display", "single", "", ini), "x");
    EXPECT_EQ(getprofile("display", "half", "", ini), "\"open");
    EXPECT_EQ(getprofile("display", "nothing", "dflt", ini), "");
    EXPECT_EQ(getprofile("display", "blank", "dflt", ini), "");
    // Unicode names match per code point.
    writebytes(ini, "[Musik]\nTitel\xC3\xA4=1\n\xFF\xFE=raw\n");
    EXPECT_EQ(getprofile("musik", "TITEL\xC3\xA4", "", ini), "1");
    EXPECT_EQ(getprofile("musik", "\xFF\xFE", "", ini), "raw");
    EXPECT_EQ(getprofile("musik", "\xFF", "dflt", ini), "dflt");
    EXPECT_EQ(getprofile("musik", "titel", "dflt", ini), "dflt");
}

TEST_F(Profile, MissingFileSectionOrKeyGivesTheDefaultAndTheFileIsReadAtEachCall) {
    EXPECT_EQ(getprofile("display", "perpage", "11", ini), "11");
    writebytes(ini, "[display]\nperpage=8\n");
    EXPECT_EQ(getprofile("system", "perpage", "11", ini), "11");
    EXPECT_EQ(getprofile("display", "rows", "11", ini), "11");
    EXPECT_EQ(getprofile("display", "rows", "with trailing  ", ini), "with trailing");
    EXPECT_EQ(getprofile("display", "rows", nullptr, ini), "");
    EXPECT_EQ(getprofile("display", "perpage", "11", dir / "absent" / "x.ini"), "11");
    // The file is read anew at every call.
    writebytes(ini, "[system]\npath=/one\n");
    EXPECT_EQ(getprofile("system", "path", "", ini), "/one");
    writebytes(ini, "[system]\npath=/two\n");
    EXPECT_EQ(getprofile("system", "path", "", ini), "/two");
}

TEST_F(Profile, LongValueIsCutToTheBufferAndTerminated) {
    const std::string value(300, 'v');
    writebytes(ini, "[s]\nk=" + value + "\n");
    std::string buffer(255, ' ');
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buffer.data(), 255, ini.c_str()), 254u);
    EXPECT_EQ(buffer.substr(0, 254), value.substr(0, 254));
    EXPECT_EQ(buffer[254], '\0');

    char one = 'x';
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", &one, 1, ini.c_str()), 0u);
    EXPECT_EQ(one, '\0');
    char untouched = 'x';
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", &untouched, 0, ini.c_str()), 0u);
    EXPECT_EQ(untouched, 'x');
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", nullptr, 10, ini.c_str()), 0u);
}

TEST_F(Profile, ListsSectionsAndKeysOnceEachInFileOrderEndingWithTwoNuls) {
    writebytes(ini,
               "orphan=1\n"
               "[one]\na=1\nB=2\n"
               "[two]\nc=3\n"
               "[ONE]\nb=4\nd=5\n"
               "[broken\ne=6\n");
    using namespace std::string_literals;
    EXPECT_EQ(getprofile(nullptr, nullptr, "", ini), "one\0two\0"s);
    EXPECT_EQ(getprofile("one", nullptr, "", ini), "a\0B\0d\0"s);
    EXPECT_EQ(getprofile("none", nullptr, "", ini), "");
    // Keys before any section and after a header without ']' belong to no section.
    EXPECT_EQ(getprofile("", "orphan", "dflt", ini), "dflt");
    EXPECT_EQ(getprofile("two", "e", "dflt", ini), "dflt");
    EXPECT_EQ(getprofile("one", "d", "", ini), "5");  // a repeated section adds to the first

    std::string buffer(20, '#');
    const uint32_t n =
        GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), 20, ini.c_str());
    EXPECT_EQ(n, 8u);
    EXPECT_EQ(buffer.substr(0, 9), "one\0two\0\0"s);

    // A list cut short still ends with two NULs.
    writebytes(ini, "[alpha]\n[beta]\n");
    std::string cut(8, '#');
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", cut.data(), 8, ini.c_str()), 6u);
    EXPECT_EQ(cut, "alpha\0\0\0"s);
    std::string tiny(2, '#');
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", tiny.data(), 2, ini.c_str()), 0u);
    EXPECT_EQ(tiny, "\0\0"s);
    std::string exact(12, '#');  // "alpha\0beta\0" and the closing NUL fit exactly
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", exact.data(), 12, ini.c_str()), 11u);
    EXPECT_EQ(exact, "alpha\0beta\0\0"s);
}

TEST_F(Profile, GarbageLinesAreSkippedAndEveryLineEndAndAByteOrderMarkRead) {
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

TEST_F(Profile, HugeFilesAreReadWholeAndValuesCut) {
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

TEST_F(Profile, ThingsThatAreNotFilesGiveTheDefault) {
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

constexpr const char* kOriginal =
    "; Tunedeck settings\r\n"
    "[Display]\r\n"
    "  PerPage = 11   ; rows\r\n"
    "coverx=0\r\n"
    "\r\n"
    "; the system part\r\n"
    "[system]\r\n"
    "path=/music\r\n";

TEST_F(Profile, ChangingAKeyTouchesOnlyItsLineAndANewKeyFollowsTheSectionsLast) {
    writebytes(ini, kOriginal);
    ASSERT_NE(write("display", "coverx", "120"), 0);
    ASSERT_NE(write("DISPLAY", "covery", "90"), 0);
    std::string expected = kOriginal;
    expected.replace(expected.find("coverx=0"), 8, "coverx=120");
    expected.insert(expected.find("\r\n\r\n; the") + 2, "covery=90\r\n");
    EXPECT_EQ(readbytes(ini), expected);
}

TEST_F(Profile, NewSectionIsAppendedFileCreatedWhenMissingAndValuesReadBackExactly) {
    ASSERT_NE(write("system", "path", "/home/me/Music"), 0);
    EXPECT_EQ(readbytes(ini), "[system]\npath=/home/me/Music\n");
    writebytes(ini, "[a]\nx=1");  // no line end on the last line
    ASSERT_NE(write("b", "y", "2"), 0);
    EXPECT_EQ(readbytes(ini), "[a]\nx=1\n[b]\ny=2\n");
    ASSERT_NE(write("a", "z", "3"), 0);
    EXPECT_EQ(readbytes(ini), "[a]\nx=1\nz=3\n[b]\ny=2\n");
    // Values read back exactly.
    for (const char* value : {"", "  padded  ", "\"quoted\"", "'q'", "a=b;c#d", "\xC3\xA4\xFF"}) {
        ASSERT_NE(write("s", "k", value), 0) << value;
        EXPECT_EQ(getprofile("s", "k", "dflt", ini), value);
    }
}

TEST_F(Profile, DeletingKeysAndSectionsKeepsTheRest) {
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

TEST_F(Profile, TextThatWouldBreakTheFileIsRefused) {
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

TEST_F(Profile, ReplacesTheFileInPlaceKeepingModeAndLinks) {
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
