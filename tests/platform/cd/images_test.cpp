// Which drive a device opens, and images that cannot be used.
#include <filesystem>

#include "platform/cd/imagefile.h"
#include "platform/lib/cdio/cdio.h"
#include "tests/platform/cd/cdtest.h"

namespace tunedeck::cdtest {
namespace {

class Images : public CdTest {
  protected:
    // Opening fails with a text that tells the user where to set the drive.
    void expectopenfails() {
        Result r = send("open cdaudio alias cd wait shareable");
        ASSERT_NE(r.code, 0u);
        std::string text = errortext(r.code);
        EXPECT_NE(text.find("settings.ini"), std::string::npos) << text;
        EXPECT_NE(text.find("[cd]"), std::string::npos) << text;
        EXPECT_NE(send("status cd mode").code, 0u);  // nothing stays open
    }
    void writecue(const std::string& text) { std::ofstream(dir / "bad.cue") << text; }
};

TEST_F(Images, MissingBinFile) {
    fx::writecdimage(dir / "disc.cue", {{2.0, 440}});
    std::filesystem::remove(dir / "disc.bin");
    usedevice("disc.cue");
    expectopenfails();
}

TEST_F(Images, FileWithoutTrack) {
    fx::writecdimage(dir / "disc.cue", {{2.0, 440}});
    writecue("FILE \"disc.bin\" BINARY\n");
    usedevice("bad.cue");
    expectopenfails();
}

TEST_F(Images, IndexPastTheEndOfTheBin) {
    fx::writecdimage(dir / "disc.cue", {{2.0, 440}});
    writecue(
        "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n    INDEX 01 70:00:00\n");
    usedevice("bad.cue");
    expectopenfails();
}

TEST_F(Images, MissingImageOrDevice) {
    usedevice((dir / "nothing.cue").string());
    expectopenfails();
    usedevice("/dev/no-such-drive");
    expectopenfails();
}

TEST_F(Images, ImagePathIsTakenFromTheSettingsFolderAndAbsolutePathsWork) {
    fx::writecdimage(dir / "disc.cue", {{2.0, 440}, {2.0, 880}});
    usedevice((dir / "disc.cue").string());
    ASSERT_EQ(send("open cdaudio alias cd").code, 0u);
    EXPECT_EQ(reply("status cd number of tracks"), "2");
}

TEST_F(Images, ReopenAfterCloseOpensTheDriveAgain) {
    fx::writecdimage(dir / "disc.cue", {{2.0, 440}, {2.0, 880}});
    usedevice(" disc.cue ");
    ASSERT_EQ(send("open cdaudio alias cd").code, 0u);
    ASSERT_EQ(send("close cd").code, 0u);
    ASSERT_EQ(send("open cdaudio alias cd").code, 0u);
    EXPECT_EQ(reply("status cd number of tracks"), "2");
}

}  // namespace
}  // namespace tunedeck::cdtest

namespace tunedeck::cdtest {
namespace {

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
