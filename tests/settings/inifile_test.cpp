#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/inifile.h"
#include "tests/platform/profile/profile_testing.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using testing::readbytes;
using testing::writebytes;

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

TEST_F(IniFile, ValueReadsWithoutTouchingTheReturnCode) {
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
}

TEST_F(IniFile, WritingDropsNulsAndReportsFailure) {
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

// A window on a 1024x768-pixel screen at 15 units per pixel.
struct FakeForm : FormGeometry {
    int32_t l = 1500, t = 1500, w = 6000, h = 4500;
    bool min = false, max = false;
    int moves = 0;

    int32_t left() const override { return l; }
    int32_t top() const override { return t; }
    int32_t width() const override { return w; }
    int32_t height() const override { return h; }
    bool minimised() const override { return min; }
    bool maximised() const override { return max; }
    void move(int32_t nl, int32_t nt, int32_t nw, int32_t nh) override {
        l = nl, t = nt, w = nw, h = nh, ++moves;
    }
    void maximise() override { max = true; }
    int32_t screenwidth() const override { return 1024 * 15; }
    int32_t screenheight() const override { return 768 * 15; }
    int32_t unitsperpixelx() const override { return 15; }
    int32_t unitsperpixely() const override { return 15; }
};

TEST_F(IniFile, FormPositionRoundTripAndMinimisedOrMaximisedForms) {
    ini.Section("window");
    FakeForm saved;
    saved.l = 900, saved.t = 1200, saved.w = 7000, saved.h = 5000;
    ini.SaveFormPosition(saved);
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ini.Key(), "perpage");
    EXPECT_EQ(readbytes(file),
              "[window]\nMaximised=0\nLeft=900\nTop=1200\nWidth=7000\nHeight=5000\n");

    FakeForm loaded;
    ini.LoadFormPosition(loaded, 1000, 1000);
    EXPECT_EQ((std::vector{loaded.l, loaded.t, loaded.w, loaded.h}),
              (std::vector<int32_t>{900, 1200, 7000, 5000}));
    EXPECT_FALSE(loaded.max);
    EXPECT_EQ(ini.Key(), "perpage");
    EXPECT_EQ(ini.Default(), "11");

    // Minimised, nothing is saved; maximised, only that.
    std::filesystem::remove(file);
    FakeForm form;
    form.min = true;
    ini.SaveFormPosition(form);
    EXPECT_FALSE(std::filesystem::exists(file));
    form.min = false;
    form.max = true;
    ini.SaveFormPosition(form);
    EXPECT_EQ(readbytes(file), "[window]\nMaximised=1\n");
    FakeForm maximised;
    ini.LoadFormPosition(maximised);
    EXPECT_TRUE(maximised.max);
    EXPECT_EQ(maximised.l, 1500);  // no position saved: the window keeps its own
}

TEST_F(IniFile, LoadedFormIsKeptInsideTheScreen) {
    ini.Section("window");
    const auto place = [&](const std::string& text, int32_t minw, int32_t minh) {
        writebytes(file, "[window]\n" + text);
        FakeForm form;
        ini.LoadFormPosition(form, minw, minh);
        return std::vector{form.l, form.t, form.w, form.h, form.moves};
    };
    const int32_t sw = 1024 * 15, sh = 768 * 15, m = 60;
    // Near the left and top edges and below the minimum; past the right and bottom margins;
    // larger than the screen; the ends of the 32-bit range; unreadable values (the window's own
    // kept); cut below the minimum (left where it was).
    const std::pair<std::string, std::vector<int32_t>> cases[] = {
        {"Left=10\nTop=-500\nWidth=100\nHeight=2000\n", {m, m, 3000, 3000, 1}},
        {"Left=14000\nTop=11000\nWidth=3000\nHeight=3000\n",
         {sw - m - 3000, sh - m - 3000, 3000, 3000, 1}},
        {"Left=0\nTop=0\nWidth=99999\nHeight=99999\n", {m, m, sw - 2 * m, sh - 2 * m, 1}},
        {"Left=2147483647\nTop=-2147483648\nWidth=-2147483648\nHeight=2147483647\n",
         {sw - m - 3000, m, 3000, sh - 2 * m, 1}},
        {"Left=x\nTop=\nWidth=FAIL\n", {1500, 1500, 6000, 4500, 1}},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(place(text, 3000, 3000), expected) << text;
    EXPECT_EQ(place("Width=99999\n", 16000, 0), (std::vector<int32_t>{1500, 1500, 6000, 4500, 0}));
}

}  // namespace
}  // namespace tunedeck
