// The list page: rows, tags, icons, queue marks, "More Above"/"More Below", cover, highlight.
#include <fstream>
#include <memory>
#include <numeric>
#include <tuple>
#include <vector>

#include "tests/view/viewfixture.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using fixtures::PictureFormat;
using fixtures::TempDir;

// The first page of thirty, the last page (partly empty, without icons), exactly one page and an
// empty listing: rows, tags, icons and "More Above"/"More Below".
TEST(RenderItems, PagesShowTheirRowsIconsAndWhatLiesAboveAndBelow) {
    ViewBench b;
    b.fill(30);
    renderitems(b.view, "");
    MainScreen& f = b.form;
    for (int i = 1; i <= 11; ++i) {
        const Element& row = f.lblItem.at(i);
        const Element& icon = f.imgIcon.at(i);
        EXPECT_EQ((std::tuple{row.caption, row.tag, row.left, row.top, row.width, icon.left,
                              icon.top, row.visible && icon.visible}),
                  (std::tuple{"Item " + std::to_string(i), std::to_string(i), 1100, 1320 + 495 * i,
                              14360, 500, 1320 + 495 * i, true}));
        EXPECT_EQ(icon.picture, f.imgMusic.picture);
    }
    EXPECT_FALSE(f.lblItem.exists(12));
    EXPECT_FALSE(f.lblMoreAbove.visible);
    EXPECT_TRUE(f.lblMoreBelow.visible);
    EXPECT_EQ(std::pair(f.lblMoreBelow.left, f.lblMoreBelow.top), std::pair(1100, 7280));

    b.browse->page = 3;
    renderitems(b.view, "");
    EXPECT_EQ(f.lblItem.at(1).caption, "Item 23");
    EXPECT_EQ(f.lblItem.at(8).caption, "Item 30");
    for (int i = 9; i <= 11; ++i) {
        EXPECT_EQ(f.lblItem.at(i).caption, "");
        EXPECT_EQ(f.lblItem.at(i).tag, std::to_string(22 + i));
        EXPECT_FALSE(f.imgIcon.exists(i));
    }
    EXPECT_TRUE(f.lblMoreAbove.visible);
    EXPECT_EQ(f.lblMoreAbove.top, 1540);
    EXPECT_FALSE(f.lblMoreBelow.visible);

    b.fill(11);
    b.browse->page = 1;
    renderitems(b.view, "");
    EXPECT_FALSE(f.lblMoreBelow.visible || f.lblMoreAbove.visible);

    b.fill(0);
    b.browse->row = 4;
    renderitems(b.view, "");
    renderhighlight(b.view);
    for (int i = 1; i <= 11; ++i) {
        EXPECT_EQ(f.lblItem.at(i).caption, "");
        EXPECT_FALSE(f.imgIcon.exists(i));
    }
    EXPECT_FALSE(f.lblMoreBelow.visible);
    EXPECT_EQ(f.shpHighlight.top, 1300 + 495 * 4);
}

TEST(RenderItems, QueuedEntryShowsItsFirstQueuePosition) {
    ViewBench b;
    b.fill({ItemKind::Playable, ItemKind::Folder, ItemKind::Playlist, ItemKind::Playable,
            ItemKind::Letter});
    b.queue->append("x", "/music/other");
    b.queue->append("Item 4", "/music/Item 4");
    b.queue->append("y", "/music/other2");
    b.queue->append("z", "/music/other3");
    b.queue->append("Item 4", "/music/Item 4");
    b.queue->append("folder", "/music/Item 2");
    renderitems(b.view, "");
    MainScreen& f = b.form;
    EXPECT_EQ(f.lblItem.at(4).caption, "Item 4 (2)");
    EXPECT_EQ(f.imgIcon.at(4).picture, f.imgPlaylisted.picture);
    EXPECT_EQ(f.lblItem.at(1).caption, "Item 1");
    EXPECT_EQ(f.imgIcon.at(1).picture, f.imgMusic.picture);
    // A folder keeps its icon even when its path is queued; the mark still shows.
    EXPECT_EQ(f.imgIcon.at(2).picture, f.imgAlbum.picture);
    EXPECT_EQ(f.lblItem.at(2).caption, "Item 2 (6)");
    EXPECT_EQ(f.imgIcon.at(3).picture, f.imgPlaylist.picture);
    EXPECT_FALSE(f.imgIcon.exists(5));
    // The path comparison is exact.
    b.queue->clear();
    b.queue->append("Item 1", "/music/item 1");
    renderitems(b.view, "");
    EXPECT_EQ(f.lblItem.at(1).caption, "Item 1");
}

TEST(RenderItems, IconsAreDistinctPictures) {
    ViewBench b;
    MainScreen& f = b.form;
    const Picture* pics[] = {f.imgMusic.picture.get(), f.imgPlaylisted.picture.get(),
                             f.imgPlaylist.picture.get(), f.imgAlbum.picture.get()};
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(pics[i], nullptr);
        EXPECT_EQ(pics[i]->width(), 32);
        const auto* a = static_cast<const uint32_t*>(pics[i]->surface()->pixels);
        for (int j = 0; j < i; ++j) {
            const auto* c = static_cast<const uint32_t*>(pics[j]->surface()->pixels);
            EXPECT_GT(
                std::inner_product(a, a + 32 * 32, c, 0, std::plus<>(), std::not_equal_to<>()), 200)
                << i << " vs " << j;
        }
    }
}

class Cover : public ::testing::Test {
  protected:
    TempDir dir;
};

struct Display {
    int width, height;
};

class CoverOnDisplay : public Cover, public ::testing::WithParamInterface<Display> {
  protected:
    // Pictures larger than any display, written once for every display.
    static void SetUpTestSuite() {
        albums = std::make_unique<TempDir>();
        for (auto [w, h] : kLarge) {
            const auto folder = albumof(w);
            std::filesystem::create_directories(folder);
            fixtures::writepicture(folder / "folder.jpg", PictureFormat::Jpeg, w, h, {0, 220, 0});
        }
    }
    static void TearDownTestSuite() { albums.reset(); }
    static std::filesystem::path albumof(int width) { return *albums / std::to_string(width); }

    static constexpr std::pair<int, int> kLarge[] = {{900, 600}, {2000, 1072}, {4608, 2592}};
    static inline std::unique_ptr<TempDir> albums;
};

// A cover keeps its share of the layout on any display: its own size in pixels of a 1024x768
// display, right-aligned at the designed top, in front of the highlight.
TEST_P(CoverOnDisplay, ScalesWithTheDisplay) {
    fixtures::writepicture(dir / "Cover.JPG", PictureFormat::Jpeg, 200, 150, {200, 100, 0});
    ViewBench b(GetParam().width, GetParam().height);
    b.fill(3);
    renderitems(b.view, dir.path());
    Element& c = b.form.imgCover;
    EXPECT_TRUE(c.visible);
    EXPECT_EQ(c.width, 3000);
    EXPECT_EQ(c.height, 2250);
    EXPECT_EQ(c.top, 2200);
    EXPECT_EQ(c.left, b.screen.width() - 3000 - 700);
    b.browse->row = 1;
    renderhighlight(b.view);
    b.form.shpHighlight.top = 2200;
    SdlSurface frame = b.screen.capture();
    const Scale& px = b.screen.scale();
    for (int32_t x : {c.left + 100, c.left + 2900}) {
        uint32_t p = pixelat(frame.get(), px.px(x), px.px(2300));
        EXPECT_NEAR(redof(p), 200, 8);
        EXPECT_NEAR(greenof(p), 100, 8);
        EXPECT_NEAR(blueof(p), 0, 8);
    }
}

// Pictures larger than their place shrink into it, keeping their proportions: right of the
// names and above the status band, which stay visible.
TEST_P(CoverOnDisplay, FitsIntoItsPlace) {
    for (auto [w, h] : kLarge) {
        ViewBench b(GetParam().width, GetParam().height);
        b.fill(11);
        renderitems(b.view, albumof(w));
        const Element& c = b.form.imgCover;
        const int32_t screenw = b.screen.width(), screenh = b.screen.height();
        EXPECT_GE(c.left, screenw / 2) << w;
        EXPECT_EQ(c.left + c.width, screenw - 700) << w;
        EXPECT_EQ(c.top, 2200) << w;
        EXPECT_LE(c.top + c.height, screenh - 1200 - 200) << w;
        EXPECT_NEAR(static_cast<double>(c.width) / c.height, static_cast<double>(w) / h, 0.01);
        SdlSurface frame = b.screen.capture();
        const Scale& px = b.screen.scale();
        auto isgreen = [&](int32_t x, int32_t y) {
            return greenof(pixelat(frame.get(), px.px(x), px.px(y))) > 200;
        };
        EXPECT_TRUE(isgreen(c.left + c.width / 2, c.top + c.height / 2)) << w;
        EXPECT_FALSE(isgreen(screenw / 2 - 100, 2300)) << w;  // the names' side of the list
        EXPECT_FALSE(isgreen(screenw - 1000, screenh - 1200 - 60))
            << w;                                                   // just above the band's line
        EXPECT_FALSE(isgreen(screenw - 1000, screenh - 600)) << w;  // the status band
    }
}

INSTANTIATE_TEST_SUITE_P(Displays, CoverOnDisplay,
                         ::testing::Values(Display{1024, 768}, Display{3840, 2160}),
                         [](const auto& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

// Hidden by the setting, or without a folder or a picture; a configured width scales it.
TEST_F(Cover, HiddenWithoutTheSettingOrACoverAndScaledToTheConfiguredWidth) {
    fixtures::writepicture(dir / "cover.jpg", PictureFormat::Jpeg, 100, 80, {1, 1, 1});
    DisplaySettings off;
    off.rendercover = 0;
    ViewBench b(1024, 768, off);
    b.fill(3);
    renderitems(b.view, dir.path());
    EXPECT_FALSE(b.form.imgCover.visible);
    std::filesystem::create_directories(dir / "plain");
    fixtures::writetone(dir / "plain" / "a.mp3", fixtures::AudioFormat::Mp3, {440, 0.2});
    for (const char* folder : {"nowhere", "plain"}) {
        ViewBench c;
        c.fill(3);
        renderitems(c.view, dir / folder);
        EXPECT_FALSE(c.form.imgCover.visible) << folder;
    }
    DisplaySettings wide;
    wide.coverx = 200;
    ViewBench w(1024, 768, wide);
    w.fill(3);
    renderitems(w.view, dir.path());
    EXPECT_TRUE(w.form.imgCover.stretch);
    EXPECT_EQ((std::vector{w.form.imgCover.width, w.form.imgCover.left, w.form.imgCover.height}),
              (std::vector<int32_t>{3000, 15360 - 3700, 1200}));  // the picture's own height
}

TEST_F(Cover, ABrokenCoverKeepsThePreviousPicture) {
    std::filesystem::create_directories(dir / "a");
    std::filesystem::create_directories(dir / "b");
    fixtures::writepicture(dir / "a" / "cover.jpg", PictureFormat::Jpeg, 60, 60, {1, 1, 1});
    fixtures::writerandombytes(dir / "b" / "cover.png", 2000, 5);
    ViewBench b;
    b.fill(3);
    renderitems(b.view, dir / "a");
    const Picture* before = b.form.imgCover.picture.get();
    ASSERT_NE(before, nullptr);
    renderitems(b.view, dir / "b");
    EXPECT_EQ(b.form.imgCover.picture.get(), before);
    EXPECT_TRUE(b.form.imgCover.visible);
    EXPECT_EQ(b.form.imgCover.width, 900);
}

// Names as programs save them, in order of preference and any letter case; then the first
// music file as the list shows it, for its embedded picture.
TEST_F(Cover, NamesAreTakenInOrderThenTheFirstMusicFile) {
    const std::vector<std::string> names = {
        "cover.jpg", "COVER.jpeg", "Cover.png", "folder.JPG",   "Folder.jpeg",   "folder.png",
        "front.jpg", "FRONT.JPEG", "front.png", "AlbumArt.jpg", "albumart.jpeg", "albumart.PNG"};
    for (const std::string& name : names) std::ofstream(dir / name) << "x";
    std::filesystem::create_directories(dir / "sub" / "Cover.Jpg");  // a folder: no cover
    for (const char* other : {"B.flac", "a.mp3", "0.m3u", "back.jpg", "cover.gif", "mycover.jpg"})
        std::ofstream(dir / other) << "x";
    for (const std::string& name : names) {
        auto found = findcover(dir.path());
        ASSERT_TRUE(found) << name;
        EXPECT_EQ(found->file.filename(), name);
        EXPECT_FALSE(found->embedded);
        std::filesystem::remove(dir / name);
    }
    auto music = findcover(dir.path());
    ASSERT_TRUE(music);
    EXPECT_EQ(music->file.filename(), "a.mp3");
    EXPECT_TRUE(music->embedded);
    EXPECT_FALSE(findcover(dir / "sub"));
    EXPECT_FALSE(findcover(""));
}

struct Tagged {
    const char* extension;
    PictureFormat format;
};

class EmbeddedCover : public Cover, public ::testing::WithParamInterface<Tagged> {};

// With no picture file, the picture in the folder's first music file is the cover.
TEST_P(EmbeddedCover, ShownFromTheFirstMusicFile) {
    fixtures::writeembeddedcover(dir / (std::string("01") + GetParam().extension),
                                 GetParam().format, 120, 90, {0, 0, 200});
    ViewBench b;
    b.fill(3);
    renderitems(b.view, dir.path());
    const Element& c = b.form.imgCover;
    ASSERT_TRUE(c.visible && c.picture);
    EXPECT_EQ(c.width, 120 * 15);
    EXPECT_EQ(c.height, 90 * 15);
    SdlSurface frame = b.screen.capture();
    uint32_t p = pixelat(frame.get(), (c.left + c.width / 2) / 15, (c.top + c.height / 2) / 15);
    EXPECT_NEAR(blueof(p), 200, 8);
    EXPECT_LT(redof(p) + greenof(p), 16);
}

INSTANTIATE_TEST_SUITE_P(Containers, EmbeddedCover,
                         ::testing::Values(Tagged{".mp3", PictureFormat::Jpeg},
                                           Tagged{".flac", PictureFormat::Png},
                                           Tagged{".m4a", PictureFormat::Jpeg}),
                         [](const auto& info) { return std::string(info.param.extension + 1); });

TEST(RenderHighlight, RowStyleAndLetterStyle) {
    ViewBench b;
    b.fill(30);
    renderitems(b.view, "");
    b.browse->row = 11;
    renderhighlight(b.view);
    const Element& h = b.form.shpHighlight;
    const auto box = [&h] { return std::vector<int32_t>{h.left, h.top, h.width, h.height}; };
    EXPECT_EQ(box(), (std::vector<int32_t>{200, 6745, 14960, 480}));
    b.fill(27, ItemKind::Letter);
    renderletters(b.view);
    b.browse->row = 7;
    renderhighlight(b.view);
    EXPECT_EQ(box(), (std::vector<int32_t>{5680, 2980, 1200, h.height}));
    b.fill(30);
    renderitems(b.view, "");
    EXPECT_FALSE(b.browse->letterfocus);
    renderhighlight(b.view);
    EXPECT_EQ(box(), (std::vector<int32_t>{200, 1300 + 495 * 7, 14960, 480}));  // row 7 as a row
}

}  // namespace
}  // namespace tunedeck
