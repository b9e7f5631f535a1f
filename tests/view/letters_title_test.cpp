// The letter grid and the title line.
#include "tests/view/viewfixture.h"

namespace tunedeck {
namespace {

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
    EXPECT_EQ(f.lblItem.at(27).top, 6200);
    EXPECT_EQ(f.lblItem.at(26).left, 4680);
    EXPECT_TRUE(b.browse->letterfocus);
}

TEST(RenderLetters, SixthEntryStartsTheSecondLine) {
    ViewBench b;
    b.fill(6, ItemKind::Letter);
    renderletters(b.view);
    EXPECT_EQ(b.form.lblItem.at(6).left, 4680);
    EXPECT_EQ(b.form.lblItem.at(6).top, 3000);
}

TEST(RenderLetters, ClearsTheListPageItReplaces) {
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
}

TEST(RenderLetters, EmptyGridHidesTheHighlight) {
    ViewBench b;
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
    rendertitle(b.view, std::string(32, 'a'));
    EXPECT_EQ(f.lblTitle.font.size, 36);
    EXPECT_EQ(f.lblTitle.top, 200);
    EXPECT_EQ(f.lblTitleShadow.top, 270);
    EXPECT_EQ(f.lblTitleShadow.left, 570);
    EXPECT_EQ(f.lblTitle.width, 14860);
    EXPECT_EQ(f.lblTitleShadow.width, 14860);

    rendertitle(b.view, std::string(33, 'a'));
    EXPECT_EQ(f.lblTitle.font.size, 18);
    EXPECT_EQ(f.lblTitleShadow.font.size, 18);
    EXPECT_EQ(f.lblTitle.top, 500);
    EXPECT_EQ(f.lblTitleShadow.top, 570);
    EXPECT_EQ(f.lblTitleShadow.caption, std::string(33, 'a'));

    rendertitle(b.view, "");
    EXPECT_EQ(f.lblTitle.font.size, 36);
    EXPECT_EQ(f.lblTitle.caption, "");
}

TEST(RenderTitle, CountsCharactersNotBytes) {
    ViewBench b;
    std::string accented;
    for (int i = 0; i < 16; ++i) accented += "\xC3\xA9";  // 16 characters in 32 bytes
    rendertitle(b.view, accented + accented);
    EXPECT_EQ(b.form.lblTitle.font.size, 36);
    rendertitle(b.view, accented + accented + "!");
    EXPECT_EQ(b.form.lblTitle.font.size, 18);
}

TEST(RenderTitle, TitleLiesAboveItsShadowAndTextScalesWithTheDisplay) {
    int previous = 0;
    for (auto [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        ViewBench b(w, h);
        rendertitle(b.view, "Tunedeck Home");
        const int text = b.screen.textheightpx(b.form.lblTitle);
        EXPECT_GT(text, previous);
        previous = text;
        SdlSurface frame = b.screen.capture();
        // Somewhere in the title box the white title covers the black shadow.
        const Scale& s = b.screen.scale();
        int white = 0;
        for (int y = s.px(200); y < s.px(1175); ++y)
            for (int x = s.px(500); x < s.px(4000); ++x)
                white += pixelat(frame.get(), x, y) == 0xFFFFFF;
        EXPECT_GT(white, 100);
    }
}

}  // namespace
}  // namespace tunedeck
