// Which drive a device opens, and images that cannot be used.
#include <filesystem>

#include "platform/cd/imagefile.h"
#include "platform/lib/cdio/cdio.h"
#include "tests/platform/cd/cdtest.h"

namespace tunedeck::cdtest {
namespace {

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
