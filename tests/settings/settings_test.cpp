#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/inifile.h"
#include "settings/settings.h"
#include "testenv.h"
#include "tests/platform/profile/profile_testing.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using testing::writebytes;

class SettingsFile : public ::testing::Test {
  protected:
    fixtures::TempDir dir;
    SettingsReader reader{dir.path()};
    void write(const std::string& text) { writebytes(dir / "settings.ini", text); }
};

std::string homemusic() {
    const char* home = std::getenv("HOME");
    return (std::filesystem::path(home ? home : "/") / "Music").lexically_normal().string();
}

// The numbers in order: perpage, rendercover, showletters, fixnames, the two colours, coverx,
// covery, savertime.
std::vector<int> numbers(const Settings& s) {
    return {s.perpage, s.rendercover, s.showletters, s.fixnames, s.color1r, s.color1g,  s.color1b,
            s.color2r, s.color2g,     s.color2b,     s.coverx,   s.covery,  s.savertime};
}

TEST_F(SettingsFile, NoFileGivesEveryDefault) {
    const Settings s = reader.loadsettings();
    EXPECT_EQ(numbers(s), (std::vector{11, 1, 1, 0, 7, 18, 143, 68, 74, 147, 0, 0, 0}));
    EXPECT_EQ(s.scanformats, "mp3 flac ogg oga opus m4a aac");
    EXPECT_EQ(reader.rootpath(), homemusic());
    EXPECT_FALSE(std::filesystem::exists(dir / "settings.ini"));  // nothing is written back
}

TEST_F(SettingsFile, OnlyTheKeysPresentInTheirSectionChange) {
    write(
        "[system]\nsavertime=30\nperpage=8\nscanformats=flac wav\n[display]\ncolor2b=200\n"
        "fixnames=1\n");
    const Settings s = reader.loadsettings();
    EXPECT_EQ(s.savertime, 30);
    EXPECT_EQ(s.scanformats, "flac wav");
    EXPECT_EQ(s.perpage, 11);  // in the wrong section
    EXPECT_FALSE(s.fixnames);  // likewise
    EXPECT_EQ(s.color2b, 200);
    EXPECT_EQ(s.color2g, 74);
}

// The sound's settings: absent, each value as written in any case, and values out of range
// kept within it or, when no number or no known mode, the default.
TEST_F(SettingsFile, VolumeAndLevellingSettingsKeepWithinTheirRanges) {
    EXPECT_EQ(reader.loadsettings().volume, 100);
    EXPECT_EQ(reader.levelsettings().mode, GainMode::Auto);
    EXPECT_EQ(reader.levelsettings().preampdb, 0);
    const auto level = [&](const std::string& text) {
        write("[audio]\n" + text + "\n");
        return reader.levelsettings();
    };
    EXPECT_EQ(level("replaygain=Track").mode, GainMode::Track);
    EXPECT_EQ(level("replaygain=ALBUM").mode, GainMode::Album);
    EXPECT_EQ(level("replaygain=off").mode, GainMode::Off);
    EXPECT_EQ(level("replaygain=loud").mode, GainMode::Auto);
    EXPECT_EQ(level("preamp=-3.5").preampdb, -3.5);
    EXPECT_EQ(level("preamp=40").preampdb, 15);
    EXPECT_EQ(level("preamp=-40").preampdb, -15);
    EXPECT_EQ(level("preamp=6 dB").preampdb, 0);
    for (const auto& [text, volume] : std::vector<std::pair<std::string, int>>{
             {"40", 40}, {"250", 100}, {"-5", 0}, {"x", 100}}) {
        write("[audio]\nvolume=" + text + "\n");
        EXPECT_EQ(reader.loadsettings().volume, volume) << text;
    }
    // Kept for the next start, the other settings left as they were.
    write("[audio]\noutput=pipe:x\nvolume=40\n");
    EXPECT_TRUE(reader.savevolume(65));
    SettingsReader next{dir.path()};
    EXPECT_EQ(next.loadsettings().volume, 65);
    EXPECT_EQ(next.audio_output(), "pipe:x");
}

TEST_F(SettingsFile, NumbersAreRoundedHalfToEvenAndBadOnesFallBack) {
    write(
        "[display]\n"
        "perpage= 7.5 \n"
        "rendercover=8.5\n"
        "showletters=-2.5\n"
        "color1r=256\n"
        "color1g=-1\n"
        "color1b=32768\n"
        "color2r=\n"
        "color2g=twelve\n"
        "color2b=12abc\n"
        "coverx=+40\n"
        "covery=1e2\n"
        "[system]\n"
        "savertime=nan\n"
        "fixnames=0x1\n");
    // Colours are clamped, not wrapped; a switch is on only at 1; numbers out of range, empty or
    // unreadable fall back.
    EXPECT_EQ(numbers(reader.loadsettings()),
              (std::vector{8, 0, 0, 0, 255, 0, 143, 68, 74, 147, 40, 100, 0}));
}

// The root path is read anew at each call, brought to normal form, and its home folder expanded.
TEST_F(SettingsFile, RootPathExpandsTheHomeFolderAsAShellWould) {
    testing::ScopedEnv home("HOME", "/home/listener");
    const passwd* me = getpwuid(getuid());
    ASSERT_NE(me, nullptr);
    const std::pair<std::string, std::string> cases[] = {
        {"/srv/music/", "/srv/music"},
        {"/srv/./music/../audio//", "/srv/audio"},
        {"/", "/"},
        {"/..", "/"},
        {"library/rock", (dir / "library" / "rock").string()},
        {"", ""},  // present but empty: no root
        {"~", "/home/listener"},
        {"~/Music/", "/home/listener/Music"},
        {"$HOME/Music", "/home/listener/Music"},
        {"${HOME}/Music", "/home/listener/Music"},
        {std::string("~") + me->pw_name + "/Music",
         (std::filesystem::path(me->pw_dir) / "Music").lexically_normal().string()},
        {"$HOMEWORK/Music", (dir / "$HOMEWORK/Music").string()},  // another variable: no
        {"music/~/x", (dir / "music/~/x").string()},
        {"~nosuchuser-td/x", (dir / "~nosuchuser-td/x").string()},  // as the shell leaves it
    };
    for (const auto& [value, expected] : cases) {
        write("[system]\npath=" + value + "\n");
        EXPECT_EQ(reader.rootpath(), expected) << value;
    }
    write("[display]\nperpage=5\n");
    EXPECT_EQ(reader.rootpath(), "/home/listener/Music");
}

TEST_F(SettingsFile, ReadsettingAddressesFilesInTheApplicationFolderOfTheRunningProgram) {
    write("[display]\nperpage=9\nempty=\n");
    writebytes(dir / "other.ini", "[display]\nperpage=4\n");
    EXPECT_EQ(reader.settingsfile(), (dir / "settings.ini").string());
    EXPECT_EQ(reader.readsetting("", "display", "perpage", "11"), "9");
    EXPECT_EQ(reader.readsetting("other.ini", "display", "perpage", "11"), "4");
    EXPECT_EQ(reader.readsetting("", "display", "empty", "11"), "");
    EXPECT_EQ(reader.readsetting("", "display", "missing", "11"), "11");

    // The application folder is the running program's.
    const std::filesystem::path folder = applicationfolder();
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_TRUE(std::filesystem::exists(folder / "test_settings"));
}

TEST_F(SettingsFile, DamagedFilesFallBackToDefaults) {
    using namespace std::string_literals;
    write(
        "\xEF\xBB\xBF garbage\r[display\rperpage=3\r\0\xff\xfe\r[display]\r"
        "perpage=6\rperpage=7\r[display]\rperpage=9\r"s);
    EXPECT_EQ(reader.loadsettings().perpage, 6);
    write("[system]\npath=/" + std::string(300, 'a') + "\n");
    EXPECT_EQ(reader.rootpath(), "/" + std::string(253, 'a'));

    std::filesystem::remove(dir / "settings.ini");
    std::filesystem::create_directory(dir / "settings.ini");
    EXPECT_EQ(reader.loadsettings().perpage, 11);
    EXPECT_EQ(reader.rootpath(), homemusic());
}

using testing::readbytes;

class IniFile : public ::testing::Test {
  protected:
    fixtures::TempDir dir;
    std::filesystem::path file = dir / "app.ini";
    cInifile ini;

    void SetUp() override {
        ini.Path(file.string());
        ini.Section("display");
        ini.Key("perpage");
        ini.Default("11");
    }
};

TEST_F(IniFile, ValueReadsWithoutTouchingTheReturnCodeAndWritingDropsNulsOrFails) {
    EXPECT_EQ(ini.Value(), "11");  // no file
    EXPECT_EQ(ini.LastReturnCode(), 0);
    EXPECT_FALSE(ini.Success());
    writebytes(file, "[display]\nperpage=\nlong=" + std::string(300, 'x') + "\n");
    EXPECT_EQ(ini.Value(), "");  // present but empty
    ini.Key("long");
    EXPECT_EQ(ini.Value(), std::string(254, 'x'));

    ini.Value("42");
    ASSERT_TRUE(ini.Success());
    ini.Key("other");
    EXPECT_EQ(ini.Value(), "11");
    EXPECT_EQ(ini.LastReturnCode(), 1);

    // Writing drops NULs and reports failure.
    ini.Value(std::string("a\0b", 3));
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ini.Value(), "ab");
    ini.Value("two\nlines");
    EXPECT_FALSE(ini.Success());
    EXPECT_EQ(ini.Value(), "ab");
    ini.Path((dir / "missing" / "x.ini").string());
    ini.Value("v");
    EXPECT_FALSE(ini.Success());
}

// Listing, deleting and replacing whole sections, on one file.
TEST_F(IniFile, EnumerateDeleteAndReplaceSections) {
    using namespace std::string_literals;
    writebytes(file, "[display]\nperpage=8\ncoverx=1\n[system]\npath=/m\n[DISPLAY]\ncovery=2\n");
    std::vector<std::string> names{"stale"};
    int32_t count = -1;
    ini.EnumerateAllSections(names, count);
    EXPECT_EQ(names, (std::vector<std::string>{"display", "system"}));
    EXPECT_EQ(count, 2);
    ini.EnumerateCurrentSection(names, count);
    EXPECT_EQ(names, (std::vector<std::string>{"perpage", "coverx", "covery"}));
    EXPECT_EQ(count, 3);

    ini.DeleteKey();
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ini.Value(), "11");
    ini.DeleteSection();
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(readbytes(file), "[system]\npath=/m\n");
    ini.EnumerateCurrentSection(names, count);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(count, 0);

    ini.INISection("perpage=5\0color1r=9\0junk\0"s);
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ini.INISection(), "perpage\0color1r\0"s);
    EXPECT_EQ(ini.Value(), "5");
    EXPECT_EQ(ini.Sections(), "system\0display\0"s);
}

TEST(CLngDefault, ConvertsOrFallsBack) {
    EXPECT_EQ(cInifile::CLngDefault(" -3.5 ", 7), -4);
    EXPECT_EQ(cInifile::CLngDefault("2147483647", 7), 2147483647);
    EXPECT_EQ(cInifile::CLngDefault("2147483648", 7), 7);
    EXPECT_EQ(cInifile::CLngDefault("FAIL", 7), 7);
}

}  // namespace
}  // namespace tunedeck
