// Cover pictures from outside: JPEGs and PNGs as programs save them are decoded upright and in
// their true colours; anything else is refused without a crash or a large allocation.
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>
#include <vector>

#include "platform/screen/pictureheader.h"
#include "platform/screen/screen.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using fixtures::JpegPicture;
using fixtures::PictureFormat;
using fixtures::Rgb;
using fixtures::TempDir;
namespace fs = std::filesystem;

constexpr Rgb kRed{220, 30, 30}, kGreen{30, 200, 40}, kBlue{30, 40, 210}, kWhite{250, 250, 250};

void writebytes(const fs::path& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A JPEG header declaring width x height after a metadata segment, with no image data.
std::vector<uint8_t> jpegheaderbytes(int width, int height) {
    std::vector<uint8_t> b = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x06, 'J', 'F',
                              'I',  'F',  0xFF, 0xC0, 0x00, 0x11, 0x08};
    for (int v : {height, width}) b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
    b.push_back(3);
    for (uint8_t c = 1; c <= 3; ++c) b.insert(b.end(), {c, 0x11, 0});
    b.insert(b.end(), {0xFF, 0xD9});
    return b;
}

// The picture's pixel is opaque and of the colour wanted.
void expectcolour(const Picture& p, int x, int y, Rgb want) {
    SDL_Surface* s = p.surface();
    Rgb got;
    Uint8 a = 0;
    SDL_GetRGBA(static_cast<const Uint32*>(s->pixels)[y * (s->pitch / 4) + x], s->format, &got.r,
                &got.g, &got.b, &a);
    EXPECT_EQ(a, 255) << "at " << x << "," << y;
    EXPECT_NEAR(got.r, want.r, 12) << x << "," << y;
    EXPECT_NEAR(got.g, want.g, 12) << x << "," << y;
    EXPECT_NEAR(got.b, want.b, 12) << x << "," << y;
}

TEST(PictureHeader, ReadsTheDeclaredSizeAndRejectsOtherBytes) {
    auto full = jpegheaderbytes(640, 480);
    auto jpeg = pictureheader(full);
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(std::tuple(jpeg->kind, jpeg->width, jpeg->height),
              std::tuple(PictureKind::Jpeg, 640, 480));
    for (std::size_t cut = 0; cut < 19; ++cut)
        EXPECT_FALSE(pictureheader(std::span(full.data(), cut))) << cut;
    // Two stray bytes after a segment whose length is short: the next marker is found.
    full.insert(full.begin() + 10, {0x12, 0x34});
    EXPECT_EQ(pictureheader(full)->width, 640);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13,
                                'I',  'H', 'D', 'R', 0,    0,    0x1F, 0x40, 0, 0, 0, 2};
    auto header = pictureheader(png);
    ASSERT_TRUE(header);
    EXPECT_EQ(std::tuple(header->kind, header->width, header->height),
              std::tuple(PictureKind::Png, 8000, 2));
    png[12] = 'X';
    EXPECT_FALSE(pictureheader(png));
}

class CoverLoading : public ::testing::Test {
  protected:
    TempDir dir;
};

JpegPicture quadrants() {
    JpegPicture p;
    p.width = 64;
    p.height = 48;
    p.quadrants = {kRed, kGreen, kBlue, kWhite};
    return p;
}

// A form of the quadrants picture as programs save it, always under the name cover.jpg.
struct Saved {
    const char* what;
    bool png = false;  // a PNG under a .jpg name is read by what it holds
    bool cmyk = false;
    int missized = 0;
};

class CoverForms : public CoverLoading, public ::testing::WithParamInterface<Saved> {};

// Each form decodes to its true colours in the right places, opaque.
TEST_P(CoverForms, DecodeToTheirTrueColours) {
    JpegPicture picture = quadrants();
    picture.cmyk = GetParam().cmyk;
    picture.missized = GetParam().missized;
    if (GetParam().png)
        fixtures::writequadrants(dir / "cover.jpg", PictureFormat::Png, 64, 48, picture.quadrants);
    else
        fixtures::writejpeg(dir / "cover.jpg", picture);
    PictureRef p = loadcover(dir / "cover.jpg", 1024, 768);
    ASSERT_TRUE(p);
    ASSERT_EQ(std::pair(p->width(), p->height()), std::pair(64, 48));
    expectcolour(*p, 8, 8, kRed);
    expectcolour(*p, 56, 40, kWhite);
}

INSTANTIATE_TEST_SUITE_P(Saved, CoverForms,
                         ::testing::Values(Saved{"jpeg"}, Saved{"adobecmyk", false, true},
                                           Saved{"app13missized", false, false, 13},
                                           Saved{"app14missized", false, false, 14},
                                           Saved{"png", true}),
                         [](const auto& info) { return std::string(info.param.what); });

class Orientation : public CoverLoading, public ::testing::WithParamInterface<int> {};

// Quadrants A B / C D of a 64x48 picture, as each EXIF orientation shows them.
TEST_P(Orientation, TurnsThePictureUpright) {
    const int o = GetParam();
    JpegPicture stored = quadrants();
    stored.orientation = o;
    fixtures::writejpeg(dir / "cover.jpg", stored);
    PictureRef p = loadcover(dir / "cover.jpg", 1024, 768);
    ASSERT_TRUE(p);
    const bool quarter = o >= 5;
    ASSERT_EQ(p->width(), quarter ? 48 : 64);
    ASSERT_EQ(p->height(), quarter ? 64 : 48);
    const Rgb a = kRed, b = kGreen, c = kBlue, d = kWhite;
    const Rgb shown[8][4] = {{a, b, c, d}, {b, a, d, c}, {d, c, b, a}, {c, d, a, b},
                             {a, c, b, d}, {c, a, d, b}, {d, b, c, a}, {b, d, a, c}};
    const int w = p->width(), h = p->height();
    const int corners[4][2] = {{4, 4}, {w - 5, 4}, {4, h - 5}, {w - 5, h - 5}};
    for (int q = 0; q < 4; ++q) expectcolour(*p, corners[q][0], corners[q][1], shown[o - 1][q]);
}

INSTANTIATE_TEST_SUITE_P(Exif, Orientation, ::testing::Range(1, 9));

TEST_F(CoverLoading, KeepsAtMostTheBoxRemembersItsOwnSizeAndAStretchedImageItsBox) {
    fixtures::writepicture(dir / "cover.png", PictureFormat::Png, 2048, 1024, {10, 200, 10});
    PictureRef p = loadcover(dir / "cover.png", 1024, 768);
    ASSERT_TRUE(p);
    EXPECT_EQ(std::tuple(p->width(), p->height(), p->ownwidth(), p->ownheight()),
              std::tuple(1024, 512, 2048, 1024));
    // Set on a stretched image, a picture keeps the image's box.
    Screen screen = Screen::offscreen(1024, 768);
    ElementProps props;
    props.kind = ElementKind::Image;
    props.stretch = true;
    props.width = props.height = 480;
    Element& icon = screen.add(props);
    screen.setpicture(icon, loadpicture(dir / "cover.png"));
    ASSERT_TRUE(icon.picture);
    EXPECT_EQ(icon.width, 480);
}

TEST_F(CoverLoading, RefusesWhatIsNotASanePicture) {
    // The largest side accepted, and one pixel more, which the header alone refuses.
    fixtures::writepicture(dir / "widest.png", PictureFormat::Png, 8000, 2, kRed);
    fixtures::writepicture(dir / "toowide.png", PictureFormat::Png, 8001, 2, kRed);
    EXPECT_TRUE(loadcover(dir / "widest.png", 1024, 768));
    writebytes(dir / "huge.jpg", jpegheaderbytes(30000, 30000));
    fixtures::writepicture(dir / "good.jpg", PictureFormat::Jpeg, 300, 300, {1, 2, 3});
    fixtures::writepicture(dir / "good.png", PictureFormat::Png, 300, 300, {1, 2, 3});
    for (const char* name : {"good.jpg", "good.png"})
        fixtures::writetruncated(dir / name, dir / (std::string("cut-") + name),
                                 fs::file_size(dir / name) / 2);
    writebytes(dir / "empty.jpg", {});
    fs::create_directory(dir / "folder.jpg");
    fixtures::writerandombytes(dir / "noise.jpg", 4096, 11);
    for (const char* name : {"toowide.png", "huge.jpg", "cut-good.jpg", "cut-good.png", "empty.jpg",
                             "folder.jpg", "noise.jpg", "missing.jpg"})
        EXPECT_FALSE(loadcover(dir / name, 1024, 768)) << name;
}

TEST(Screenshot, WritesThePictureAtTheRequestedSize) {
    fixtures::TempDir dir;
    Screen screen = Screen::offscreen(320, 240);
    screen.setbackcolor(rgbword(10, 200, 30));
    ASSERT_TRUE(screen.savepng(dir / "full.png"));
    ASSERT_TRUE(screen.savepng(dir / "half.png", 160, 120));
    EXPECT_FALSE(screen.savepng(dir / "none.png", 0, 120));
    EXPECT_FALSE(screen.savepng(dir / "missing" / "x.png"));
    PictureRef full = loadpicture(dir / "full.png");
    PictureRef half = loadpicture(dir / "half.png");
    ASSERT_TRUE(full && half);
    EXPECT_EQ(std::tuple(full->width(), half->width(), half->height()), std::tuple(320, 160, 120));
    auto* px = static_cast<const uint32_t*>(half->surface()->pixels);
    EXPECT_EQ(px[60 * (half->surface()->pitch / 4) + 80] & 0xFFFFFF, 0x0AC81Eu);
}

}  // namespace
}  // namespace tunedeck
