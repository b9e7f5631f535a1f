// Cover pictures from outside: only sound JPEGs of a sane size are decoded; anything else is
// refused without a crash or a large allocation, and the element keeps its picture.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <vector>

#include "platform/screen/jpegheader.h"
#include "platform/screen/screen.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using fixtures::PictureFormat;
using fixtures::TempDir;

void writebytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A JPEG header declaring width x height, with a metadata segment before the frame header.
std::vector<uint8_t> jpegheader(int width, int height) {
    std::vector<uint8_t> b = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x06, 'J', 'F',
                              'I',  'F',  0xFF, 0xC0, 0x00, 0x11, 0x08};
    b.push_back(static_cast<uint8_t>(height >> 8));
    b.push_back(static_cast<uint8_t>(height));
    b.push_back(static_cast<uint8_t>(width >> 8));
    b.push_back(static_cast<uint8_t>(width));
    b.push_back(3);
    for (int c = 1; c <= 3; ++c) b.insert(b.end(), {static_cast<uint8_t>(c), 0x11, 0});
    b.insert(b.end(), {0xFF, 0xD9});
    return b;
}

TEST(JpegHeader, ReadsTheDeclaredSizeAndRejectsOtherBytes) {
    auto size = jpegsize(jpegheader(640, 480));
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 640);
    EXPECT_EQ(size->height, 480);
    auto full = jpegheader(640, 480);
    for (std::size_t cut = 0; cut < 19; ++cut)
        EXPECT_FALSE(jpegsize(std::span(full.data(), cut))) << cut;
    EXPECT_FALSE(jpegsize(std::vector<uint8_t>{0x89, 'P', 'N', 'G'}));
}

TEST(JpegHeader, RandomBytesNeverReadPastTheBuffer) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bytes(random() % 64);
        for (auto& b : bytes) b = static_cast<uint8_t>(random() % 4 == 0 ? 0xFF : random());
        if (bytes.size() >= 2) bytes[0] = 0xFF, bytes[1] = 0xD8;
        auto size = jpegsize(bytes);  // ASan catches any read past the end
        if (size) {
            EXPECT_LE(size->width, 65535);
        }
    }
}

class CoverLoading : public ::testing::Test {
  protected:
    TempDir dir;
    Screen screen = Screen::offscreen(1024, 768);
};

TEST_F(CoverLoading, LoadsAJpegAtItsOwnSize) {
    fixtures::writepicture(dir / "cover.jpg", PictureFormat::Jpeg, 300, 200, {200, 40, 40});
    PictureRef p = loadcover(dir / "cover.jpg", screen.widthpx(), screen.heightpx());
    ASSERT_TRUE(p);
    EXPECT_EQ(p->width(), 300);
    EXPECT_EQ(p->height(), 200);
}

TEST_F(CoverLoading, KeepsAtMostTheDisplaySize) {
    fixtures::writepicture(dir / "cover.jpg", PictureFormat::Jpeg, 2048, 1024, {10, 200, 10});
    PictureRef p = loadcover(dir / "cover.jpg", 1024, 768);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->width(), 1024);
    EXPECT_EQ(p->height(), 512);
}

TEST_F(CoverLoading, RefusesWhatIsNotASaneJpeg) {
    writebytes(dir / "huge.jpg", jpegheader(30000, 30000));
    fixtures::writepicture(dir / "good.jpg", PictureFormat::Jpeg, 300, 300, {1, 2, 3});
    fixtures::writetruncated(dir / "good.jpg", dir / "truncated.jpg",
                             std::filesystem::file_size(dir / "good.jpg") / 2);
    writebytes(dir / "empty.jpg", {});
    std::filesystem::create_directory(dir / "folder.jpg");
    fixtures::writepicture(dir / "png.jpg", PictureFormat::Png, 64, 64, {1, 2, 3});
    fixtures::writerandombytes(dir / "noise.jpg", 4096, 11);
    for (const char* name : {"huge.jpg", "truncated.jpg", "empty.jpg", "folder.jpg", "png.jpg",
                             "noise.jpg", "missing.jpg"})
        EXPECT_FALSE(loadcover(dir / name, 1024, 768)) << name;
}

TEST_F(CoverLoading, ARefusedPictureLeavesTheElementAsItWas) {
    fixtures::writepicture(dir / "good.jpg", PictureFormat::Jpeg, 120, 90, {1, 2, 3});
    writebytes(dir / "huge.jpg", jpegheader(30000, 30000));
    ElementProps props;
    props.kind = ElementKind::Image;
    Element& cover = screen.add(props);
    screen.setpicture(cover, loadcover(dir / "good.jpg", 1024, 768));
    ASSERT_TRUE(cover.picture);
    const Picture* before = cover.picture.get();
    EXPECT_EQ(cover.width, 120 * 15);
    EXPECT_EQ(cover.height, 90 * 15);
    screen.setpicture(cover, loadcover(dir / "huge.jpg", 1024, 768));
    EXPECT_EQ(cover.picture.get(), before);
    EXPECT_EQ(cover.width, 120 * 15);
}

TEST_F(CoverLoading, StretchedImageKeepsItsBox) {
    fixtures::writepicture(dir / "good.png", PictureFormat::Png, 64, 64, {1, 2, 3});
    ElementProps props;
    props.kind = ElementKind::Image;
    props.stretch = true;
    props.width = props.height = 480;
    Element& icon = screen.add(props);
    screen.setpicture(icon, loadpicture(dir / "good.png"));
    ASSERT_TRUE(icon.picture);
    EXPECT_EQ(icon.width, 480);
}

}  // namespace
}  // namespace tunedeck

namespace tunedeck {
namespace {

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
    EXPECT_EQ(full->width(), 320);
    EXPECT_EQ(half->width(), 160);
    EXPECT_EQ(half->height(), 120);
    auto* px = static_cast<const uint32_t*>(half->surface()->pixels);
    EXPECT_EQ(px[60 * (half->surface()->pitch / 4) + 80] & 0xFFFFFF, 0x0AC81Eu);
}

}  // namespace
}  // namespace tunedeck
