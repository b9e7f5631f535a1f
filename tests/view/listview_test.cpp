// The list page: rows, tags, icons, queue marks, "More Above"/"More Below", cover, highlight;
// the start-up layout, the background gradient, the letter grid and the title line.
#include <cmath>
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

// A page of a queue of 200,000: each row's mark is its first position, also after entries
// before it, its first copy, or its only copy were taken out, and after the queue was replaced.
TEST(RenderItems, PageOfALargeQueueShowsFirstPositionsThroughRemovals) {
    ViewBench b;
    b.fill(33);
    b.browse->page = 3;  // Items 23..33
    PlayQueue& q = *b.queue;
    for (int i = 0; i < 200000; ++i) {
        std::string path = "/other/" + std::to_string(i);
        if (i == 7) path = "/music/Item 25";
        if (i == 150000 || i == 199999) path = "/music/Item 30";
        if (i == 199998) path = "/music/Item 25";
        q.append("n", std::move(path));
    }
    const auto captions = [&] {
        renderitems(b.view, "");
        std::vector<std::string> out;
        for (int i = 1; i <= 11; ++i) out.push_back(b.form.lblItem.at(i).caption);
        return out;
    };
    const auto plain = [](int n) { return "Item " + std::to_string(n); };
    std::vector<std::string> expected;
    for (int n = 23; n <= 33; ++n) expected.push_back(plain(n));
    expected[2] = "Item 25 (8)";
    expected[7] = "Item 30 (150001)";
    EXPECT_EQ(captions(), expected);

    q.erase(0);  // an entry before all of them: every mark moves up by one
    expected[2] = "Item 25 (7)";
    expected[7] = "Item 30 (150000)";
    EXPECT_EQ(captions(), expected);

    q.erase(q.firstrow("/music/Item 25"));  // its later copy becomes its mark
    q.erase(q.firstrow("/music/Item 30"));
    expected[2] = "Item 25 (199996)";
    expected[7] = "Item 30 (199997)";
    EXPECT_EQ(captions(), expected);

    q.erase(q.firstrow("/music/Item 30"));  // its last copy: no mark
    expected[7] = plain(30);
    EXPECT_EQ(captions(), expected);
    EXPECT_EQ(q.firstrow("/music/Item 30"), -1);

    q.clear();
    q.append("n", "/music/Item 33");
    expected[2] = plain(25);
    expected[10] = "Item 33 (1)";
    EXPECT_EQ(captions(), expected);
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

// The list band starts at the same fraction of the height on every display, the time ends at
// the same margin, over the colour-2 band.
TEST(StartupLayout, KeptInProportionOnEveryDisplay) {
    for (auto [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        ViewBench b(w, h);
        const MainScreen& f = b.form;
        const Scale& s = b.screen.scale();
        EXPECT_NEAR(s.px(f.shpLine1.y1) / static_cast<double>(h), 1300.0 / 11520, 0.002);
        EXPECT_NEAR(s.px(f.shpLine2.y1) / static_cast<double>(h), 10320.0 / 11520, 0.002);
        EXPECT_EQ(s.px(f.lblTime.left + f.lblTime.width), w - s.px(500));
        EXPECT_EQ(f.shpBackground.fillcolor, rgbword(68, 74, 147));
    }
}

// The colour of background row y as the gradient steps it (single precision, like the drawing).
uint32_t expectedrow(int y, int height) {
    float r = 7, g = 18, b = 143;
    const double rows = height + 100 - 60;
    const float sr = static_cast<float>(61 / rows * 15), sg = static_cast<float>(56 / rows * 15),
                sb = static_cast<float>(4 / rows * 15);
    // Each strip is 3 rows high and the next starts one row lower: row y shows strip y.
    for (int i = 0; i < y; ++i) r += sr, g += sg, b += sb;
    return rgbword(static_cast<int>(std::nearbyint(r)), static_cast<int>(std::nearbyint(g)),
                   static_cast<int>(std::nearbyint(b)));
}

TEST(Gradient, DefaultColoursRunFromTopRowDownwards) {
    ViewBench b;
    for (Element* e :
         {&b.form.lblTitle, &b.form.lblTitleShadow, &b.form.shpBackground, &b.form.shpLine1,
          &b.form.shpLine2, &b.form.lblTrack, &b.form.lblState, &b.form.lblPlaylist,
          &b.form.lblTime, &b.form.imgCover, &b.form.shpHighlight})
        e->visible = false;
    SdlSurface frame = b.screen.capture();
    EXPECT_EQ(pixelat(frame.get(), 0, 0), rgbword(7, 18, 143));
    EXPECT_EQ(pixelat(frame.get(), 1023, 0), rgbword(7, 18, 143));
    for (int y : {1, 100, 384, 700, 767})
        EXPECT_EQ(pixelat(frame.get(), 500, y), expectedrow(y, 11520)) << y;
    // Close to colour 2 at the bottom.
    uint32_t bottom = pixelat(frame.get(), 10, 767);
    EXPECT_NEAR(redof(bottom), 68, 2);
    EXPECT_NEAR(greenof(bottom), 74, 2);
}

TEST(Gradient, FlatLeftToRightAndUnusableDirectionsAndExtents) {
    BackgroundImage image(100, 80, 0);
    rendergradient(image, 1600, 1300, rgbword(30, 60, 90), rgbword(30, 60, 90), 1);
    for (int y = 0; y < 80; y += 7) EXPECT_EQ(image.pixel(50, y), rgbword(30, 60, 90));
    rendergradient(image, 1600, 1300, rgbword(0, 0, 0), rgbword(200, 0, 0), 0);
    EXPECT_EQ(image.pixel(0, 40), rgbword(0, 0, 0));
    EXPECT_LT(redof(image.pixel(20, 40)), redof(image.pixel(60, 40)));
    EXPECT_EQ(image.pixel(60, 10), image.pixel(60, 70));

    const uint32_t flat = rgbword(68, 74, 147);
    BackgroundImage plain(160, 120, flat);
    rendergradient(plain, 2500, 1900, rgbword(7, 18, 143), flat, 2);
    rendergradient(plain, 2500, 1900, rgbword(7, 18, 143), flat, -1);
    EXPECT_EQ(plain.version(), 1u);  // only the first clear
    // A display 2178 pixels or more across does not fit the 16-bit extent: flat background.
    rendergradient(plain, 2178 * 15 + 100, 1900, rgbword(7, 18, 143), flat, 1);
    rendergradient(plain, 2500, 40000, rgbword(7, 18, 143), flat, 1);
    rendergradient(plain, 60, 60, rgbword(7, 18, 143), flat, 1);  // zero divisor
    EXPECT_EQ(plain.pixel(0, 0), flat);
    EXPECT_EQ(plain.pixel(159, 119), flat);
}

TEST(RenderLetters, FiveColumnsCentredAndSixLines) {
    ViewBench b;
    b.fill(27, ItemKind::Letter);
    renderletters(b.view);
    MainScreen& f = b.form;
    const int32_t columns[] = {4680, 6180, 7680, 9180, 10680};
    for (int16_t n = 1; n <= 27; ++n) {
        Element& e = f.lblItem.at(n);
        EXPECT_EQ(e.left, columns[(n - 1) % 5]) << n;
        EXPECT_EQ(e.top, 2200 + (n - 1) / 5 * 800) << n;
        EXPECT_EQ(e.tag, std::to_string(n));
        EXPECT_EQ(e.caption, "Item " + std::to_string(n));
        EXPECT_TRUE(e.visible);
    }
    EXPECT_TRUE(b.browse->letterfocus);
}

TEST(RenderLetters, ClearsTheListPageItReplacesAndAnEmptyGridHidesTheHighlight) {
    ViewBench b;
    b.fill(30);
    b.browse->page = 2;
    renderitems(b.view, "");
    ASSERT_TRUE(b.form.lblMoreAbove.visible);
    b.fill(3, ItemKind::Letter);
    renderletters(b.view);
    MainScreen& f = b.form;
    EXPECT_FALSE(f.imgIcon.exists(1));
    EXPECT_FALSE(f.lblItem.exists(4));
    EXPECT_FALSE(f.imgIcon.exists(11));
    EXPECT_FALSE(f.lblMoreAbove.visible);
    EXPECT_FALSE(f.lblMoreBelow.visible);
    EXPECT_FALSE(f.imgCover.visible);

    // An empty grid hides the highlight.
    b.fill(0, ItemKind::Letter);
    renderletters(b.view);
    b.browse->row = 1;
    renderhighlight(b.view);
    EXPECT_FALSE(b.form.shpHighlight.visible);
    b.screen.render();  // nothing to draw it on, and no crash
}

TEST(RenderTitle, SizeFollowsTheLength) {
    ViewBench b;
    MainScreen& f = b.form;
    const auto placed = [&f] {  // font sizes, tops, lefts and widths of the title and its shadow
        const Element &t = f.lblTitle, &s = f.lblTitleShadow;
        return std::vector<double>{t.font.size,  s.font.size,  1.0 * t.top,   1.0 * s.top,
                                   1.0 * t.left, 1.0 * s.left, 1.0 * t.width, 1.0 * s.width};
    };
    rendertitle(b.view, std::string(32, 'a'));
    EXPECT_EQ(placed(), (std::vector<double>{36, 36, 200, 270, 500, 570, 14860, 14860}));
    rendertitle(b.view, std::string(33, 'a'));
    EXPECT_EQ(placed(), (std::vector<double>{18, 18, 500, 570, 500, 570, 14860, 14860}));
    EXPECT_EQ(f.lblTitleShadow.caption, std::string(33, 'a'));

    rendertitle(b.view, "");
    EXPECT_EQ(f.lblTitle.font.size, 36);
    EXPECT_EQ(f.lblTitle.caption, "");

    // Characters count, not bytes: 32 accented letters in 64 bytes are short.
    std::string accented;
    for (int i = 0; i < 32; ++i) accented += "\xC3\xA9";
    rendertitle(b.view, accented);
    EXPECT_EQ(f.lblTitle.font.size, 36);
    rendertitle(b.view, accented + "!");
    EXPECT_EQ(f.lblTitle.font.size, 18);
}

// Where the shadow's black letters lie under the title's white ones, the title shows.
TEST(RenderTitle, TitleLiesAboveItsShadowAndTextScalesWithTheDisplay) {
    int previous = 0;
    for (auto [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        ViewBench b(w, h);
        rendertitle(b.view, "Tunedeck Home");
        const int text = b.screen.textheightpx(b.form.lblTitle);
        EXPECT_GT(text, previous);
        previous = text;
        SdlSurface both = b.screen.capture();
        b.form.lblTitle.visible = false;
        SdlSurface shadow = b.screen.capture();
        const Scale& s = b.screen.scale();
        int covered = 0;
        for (int y = s.px(200); y < s.px(1175); ++y)
            for (int x = s.px(500); x < s.px(4000); ++x)
                covered +=
                    pixelat(shadow.get(), x, y) == 0 && pixelat(both.get(), x, y) == 0xFFFFFF;
        EXPECT_GT(covered, 100) << w << "x" << h;
    }
}

}  // namespace
}  // namespace tunedeck
