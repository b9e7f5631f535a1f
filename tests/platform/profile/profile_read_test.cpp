#include <gtest/gtest.h>

#include <string>

#include "platform/profile/profile.h"
#include "tests/platform/profile/profile_testing.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using testing::getprofile;
using testing::writebytes;

class ProfileRead : public ::testing::Test {
  protected:
    fixtures::TempDir dir;
    std::filesystem::path ini = dir / "settings.ini";
};

TEST_F(ProfileRead, NamesMatchWithoutCasePerCodePointAndBlanksAreTrimmed) {
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

TEST_F(ProfileRead, MissingFileSectionOrKeyGivesTheDefaultAndTheFileIsReadAtEachCall) {
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

TEST_F(ProfileRead, LongValueIsCutToTheBufferAndTerminated) {
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

TEST_F(ProfileRead, ListsSectionsAndKeysOnceEachInFileOrderEndingWithTwoNuls) {
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

}  // namespace
}  // namespace tunedeck
