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
    const auto placed = [&f] {
        return std::vector<int32_t>{static_cast<int32_t>(f.lblTitle.font.size),
                                    static_cast<int32_t>(f.lblTitleShadow.font.size),
                                    f.lblTitle.top,
                                    f.lblTitleShadow.top,
                                    f.lblTitle.left,
                                    f.lblTitleShadow.left,
                                    f.lblTitle.width,
                                    f.lblTitleShadow.width};
    };
    rendertitle(b.view, std::string(32, 'a'));
    EXPECT_EQ(placed(), (std::vector<int32_t>{36, 36, 200, 270, 500, 570, 14860, 14860}));
    rendertitle(b.view, std::string(33, 'a'));
    EXPECT_EQ(placed(), (std::vector<int32_t>{18, 18, 500, 570, 500, 570, 14860, 14860}));
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
