// Command strings on generated disc images: replies and their exact forms, errors; which drive
// a device opens, and images that cannot be used.
#include <cstring>
#include <filesystem>

#include "platform/cd/imagefile.h"
#include "platform/lib/cdio/cdio.h"
#include "tests/platform/cd/cdtest.h"

namespace tunedeck::cdtest {
namespace {

// Three audio tracks: 4 s, 61.5 s, 2 s (sector counts 300, 4612 or 4613, 150).
class Commands : public CdTest {
  protected:
    void SetUp() override { opendisc({{4.0, 440}, {61.5, 660}, {2.0, 880}}); }
};

// In track format a length is "mm:ss"; in msf it keeps its frames.
TEST_F(Commands, CountsAndLengthsInTrackFormat) {
    EXPECT_EQ(reply("status cd media present"), "true");
    EXPECT_EQ(reply("status cd number of tracks wait"), "3");
    ASSERT_EQ(send("set cd time format msf").code, 0u);
    EXPECT_EQ(reply("status cd length track 2"), "01:01:38");
    ASSERT_EQ(send("set cd time format tmsf wait").code, 0u);
    EXPECT_EQ(reply("status cd time format"), "tmsf");
    EXPECT_EQ(reply("status cd length track 1"), "00:04");
    EXPECT_EQ(reply("status cd length track 2"), "01:01");
    EXPECT_EQ(reply("status cd length track 3"), "00:02");
    EXPECT_EQ(reply("status cd length"), "01:07");
    EXPECT_EQ(reply("status cd position track 2"), "02:00:00:00");
    EXPECT_EQ(reply("status cd type track 1"), "audio");
    EXPECT_EQ(reply("  STATUS\tCd   Number  of Tracks   "), "3");  // words ignore case and blanks
}

TEST_F(Commands, PositionsInBothFormats) {
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    EXPECT_EQ(reply("status cd position"), "01:00:00:00");
    EXPECT_EQ(reply("status cd mode"), "stopped");
    ASSERT_EQ(send("seek cd to 2:00:59:40").code, 0u);
    EXPECT_EQ(reply("status cd position"), "02:00:59:40");
    EXPECT_EQ(reply("status cd current track"), "2");
    ASSERT_EQ(send("set cd time format milliseconds").code, 0u);
    // Track 2 starts at sector 300 (4 s); 75 s 40 frames further on.
    EXPECT_EQ(reply("status cd position wait"), std::to_string(4000 + 59000 + 40 * 1000 / 75));
    ASSERT_EQ(send("seek cd to 3999").code, 0u);
    EXPECT_EQ(reply("status cd position"), "3999");
    EXPECT_EQ(reply("status cd length track 3"), "2000");
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    EXPECT_EQ(reply("status cd position"), "01:00:03:74");
    ASSERT_EQ(send("seek cd to 1").code, 0u);
    EXPECT_EQ(reply("status cd position"), "01:00:00:00");
    ASSERT_EQ(send("seek cd to end").code, 0u);
    EXPECT_EQ(reply("status cd position"), "03:00:02:00");
}

TEST_F(Commands, ReplyIsCutToTheBufferAndAFailedQueryLeavesItAlone) {
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(mciSendStringA(*mci, "status cd position", buffer, 6, nullptr), 0u);
    EXPECT_STREQ(buffer, "01:00");
    EXPECT_EQ(buffer[6], 'x');  // nothing written past the size given
    buffer[0] = 'q';
    ASSERT_EQ(mciSendStringA(*mci, "status cd mode", buffer, 1, nullptr), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(mciSendStringA(*mci, "status cd mode", nullptr, 30, nullptr), 0u);
    // A query that fails leaves the buffer alone.
    std::memcpy(buffer, "9\0stale", 8);
    for (const char* command : {"status cd length track 4", "status xx mode", "status cd colour",
                                "frobnicate cd", "status cd length track -1"}) {
        EXPECT_NE(mciSendStringA(*mci, command, buffer, sizeof buffer, nullptr), 0u) << command;
        EXPECT_EQ(std::memcmp(buffer, "9\0stale", 8), 0) << command;
    }
}

TEST_F(Commands, ErrorsSayWhatWasWrong) {
    struct Case {
        const char* command;
        const char* words;
    };
    const Case cases[] = {
        {"frobnicate cd", "not recognised"},
        {"play dvd", "not open"},
        {"play cd from 0", "track number"},
        {"play cd from 4", "track number"},
        {"play cd from -3", "position"},
        {"play cd from 99999999999999999999", "position"},
        {"play cd from two", "number"},
        {"play cd from", "missing"},
        {"status cd length track x1", "number"},
        {"seek cd to 1:60:00:00", "position"},
        {"set cd time format hours", "does not accept"},
        {"open cdaudio alias cd", "already in use"},
        {"open waveaudio alias w", "cdaudio"},
        {"", "not recognised"},
    };
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    for (const Case& c : cases) {
        Result r = send(c.command);
        ASSERT_NE(r.code, 0u) << c.command;
        EXPECT_NE(errortext(r.code).find(c.words), std::string::npos)
            << c.command << ": " << errortext(r.code);
    }
    EXPECT_FALSE(mciGetErrorStringA(12345, nullptr, 0));
    EXPECT_EQ(send(std::string(5000, 'a')).code != 0, true);
}

TEST_F(Commands, MillisecondSeeksAreBoundedByTheDisc) {
    ASSERT_EQ(send("set cd time format milliseconds").code, 0u);
    int total = std::stoi(reply("status cd length"));
    EXPECT_EQ(send("seek cd to " + std::to_string(total)).code, 0u);
    EXPECT_EQ(send("seek cd to " + std::to_string(total + 1)).code != 0, true);
    EXPECT_NE(send("play cd from -10000").code, 0u);
    EXPECT_NE(send("play cd from " + std::to_string(total + 10000)).code, 0u);
    // A failed seek leaves the position where it was.
    EXPECT_EQ(reply("status cd position"), std::to_string(total));
}

TEST_F(Commands, CloseAllClosesEveryAliasAndAnImageHasATray) {
    ASSERT_EQ(send("open cdaudio alias other").code, 0u);
    ASSERT_EQ(send("close all").code, 0u);
    EXPECT_NE(send("status cd mode").code, 0u);
    EXPECT_NE(send("status other mode").code, 0u);
    EXPECT_EQ(send("close all").code, 0u);
    EXPECT_NE(send("close cd").code, 0u);
    EXPECT_EQ(send("open cdaudio alias cd").code, 0u);

    // The tray of an image opens and closes.
    ASSERT_EQ(send("set cd door open").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "open");
    EXPECT_EQ(reply("status cd media present"), "false");
    Result r = send("status cd number of tracks");
    EXPECT_NE(errortext(r.code).find("tray is open"), std::string::npos);
    EXPECT_NE(send("play cd from 1").code, 0u);
    ASSERT_EQ(send("set cd door closed wait").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "stopped");
    EXPECT_EQ(reply("status cd number of tracks"), "3");
}

class DataDisc : public CdTest {};

TEST_F(DataDisc, DataTrackIsListedButSkippedWhenPlayingAndOnlyDataMeansNothingToPlay) {
    opendisc({{3.0, 0, true}, {2.0, 440}});
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    EXPECT_EQ(reply("status cd type track 1"), "other");
    EXPECT_EQ(reply("status cd number of tracks"), "2");
    ASSERT_EQ(send("play cd from 1").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "playing");
    EXPECT_EQ(reply("status cd position").substr(0, 3), "02:");
    ASSERT_EQ(send("stop cd wait").code, 0u);

    opendisc({{3.0, 0, true}});  // data alone: nothing to play
    ASSERT_EQ(send("set cd time format tmsf").code, 0u);
    EXPECT_EQ(reply("status cd number of tracks"), "1");
    Result r = send("play cd from 1");
    EXPECT_NE(r.code, 0u);
    EXPECT_NE(errortext(r.code).find("data tracks never play"), std::string::npos);
    EXPECT_NE(send("play cd").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "stopped");
}

TEST_F(DataDisc, NoDriveAnswersLikeADataDisc) {
    usedevice("None");
    ASSERT_EQ(send("open cdaudio alias cd wait shareable").code, 0u);
    EXPECT_EQ(reply("status cd media present"), "true");
    EXPECT_EQ(reply("status cd number of tracks wait"), "1");
    EXPECT_NE(send("play cd").code, 0u);
    EXPECT_EQ(reply("status cd mode"), "stopped");
}

class Images : public CdTest {};

// Images and devices that cannot be used: opening fails with a text that tells the user where to
// set the drive, and nothing stays open.
TEST_F(Images, UnusableImagesAndDevicesAreRefusedNamingTheSetting) {
    fx::writecdimage(dir / "disc.cue", {{2.0, 440}});
    fx::writecdimage(dir / "nobin.cue", {{2.0, 440}});
    std::filesystem::remove(dir / "nobin.bin");
    std::ofstream(dir / "notrack.cue") << "FILE \"disc.bin\" BINARY\n";
    std::ofstream(dir / "pastend.cue") << "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n"
                                          "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
                                          "    INDEX 01 70:00:00\n";
    const std::vector<std::string> devices = {"nobin.cue", "notrack.cue", "pastend.cue",
                                              (dir / "nothing.cue").string(), "/dev/no-such-drive"};
    for (const std::string& device : devices) {
        usedevice(device);
        const Result r = send("open cdaudio alias cd wait shareable");
        ASSERT_NE(r.code, 0u) << device;
        const std::string text = errortext(r.code);
        EXPECT_NE(text.find("settings.ini"), std::string::npos) << text;
        EXPECT_NE(text.find("[cd]"), std::string::npos) << text;
        EXPECT_NE(send("status cd mode").code, 0u) << device;
    }
}

TEST_F(Images, PathsAreAbsoluteOrFromTheSettingsFolderAndReopenAfterClose) {
    fx::writecdimage(dir / "disc.cue", {{2.0, 440}, {2.0, 880}});
    for (const std::string& device : {(dir / "disc.cue").string(), std::string(" disc.cue ")}) {
        usedevice(device);
        ASSERT_EQ(send("open cdaudio alias cd").code, 0u);
        EXPECT_EQ(reply("status cd number of tracks"), "2");
    }
    ASSERT_EQ(send("close cd").code, 0u);
    ASSERT_EQ(send("open cdaudio alias cd").code, 0u);
    EXPECT_EQ(reply("status cd number of tracks"), "2");
}

// A fresh settings file names no drive; on a box without one that means no drive at all, as
// "none" does.
TEST_F(Images, EmptySettingWithoutADriveIsNoDrive) {
    if (!cd::defaultdevice().empty()) GTEST_SKIP() << "this machine has a CD drive";
    for (const char* setting : {"", "  ", " None "}) {
        usedevice(setting);
        ASSERT_EQ(send("open cdaudio alias cd wait shareable").code, 0u) << setting;
        EXPECT_EQ(reply("status cd number of tracks"), "1");
        EXPECT_EQ(reply("status cd type track 1"), "other");
    }
}

// Only data file names become absolute: not comments, CD-TEXT, or names already absolute.
TEST(TocFile, RelativeDataFileNamesAreTakenFromTheTocsFolder) {
    const std::string toc = R"(CD_DA
// FILE "note.bin"
CD_TEXT { LANGUAGE 0 { TITLE "FILE" } }
TRACK AUDIO
FILE "a.bin" 0 00:01:00
AUDIOFILE "/abs/b.bin" 0
TRACK MODE1_RAW
DATAFILE "c \"q\".bin")";
    EXPECT_EQ(cd::absolutetoc(toc, "/my discs"), R"(CD_DA
// FILE "note.bin"
CD_TEXT { LANGUAGE 0 { TITLE "FILE" } }
TRACK AUDIO
FILE "/my discs/a.bin" 0 00:01:00
AUDIOFILE "/abs/b.bin" 0
TRACK MODE1_RAW
DATAFILE "/my discs/c \"q\".bin")");
    EXPECT_EQ(cd::absolutetoc(toc, "/a \"quoted\" folder"), std::nullopt);
}

}  // namespace
}  // namespace tunedeck::cdtest
