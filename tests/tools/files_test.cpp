// Pictures, CD images, damaged files, temporary folders and the demo library.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/lib/cdio/cdio.h"
#include "platform/lib/sdl/handles.h"
#include "tools/fixtures/cdsector.h"
#include "tools/fixtures/demo.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::fixtures {
namespace {

std::string readbytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The colour at (x, y) of a picture loaded back with SDL2_image.
Rgb pixelat(const fs::path& file, int x, int y, int& width, int& height) {
    const SdlSurface loaded(sdlcheck(IMG_Load(file.c_str()), "load picture"));
    const SdlSurface rgb(sdlcheck(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_RGB24, 0),
                                  "convert picture"));
    width = rgb->w;
    height = rgb->h;
    const auto* row = static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch;
    return {row[x * 3], row[x * 3 + 1], row[x * 3 + 2]};
}

TEST(Picture, JpegAndPngLoadBackWithTheirSizeAndColour) {
    TempDir dir;
    writepicture(dir / "cover.jpg", PictureFormat::Jpeg, 4000, 3000, {200, 40, 40});
    writepicture(dir / "icon.png", PictureFormat::Png, 33, 17, {10, 250, 128});
    int w = 0, h = 0;
    const Rgb jpeg = pixelat(dir / "cover.jpg", 3999, 2999, w, h);
    EXPECT_EQ(w, 4000);
    EXPECT_EQ(h, 3000);
    EXPECT_NEAR(jpeg.r, 200, 3);
    EXPECT_NEAR(jpeg.g, 40, 3);
    EXPECT_NEAR(jpeg.b, 40, 3);
    const Rgb png = pixelat(dir / "icon.png", 32, 16, w, h);
    EXPECT_EQ(w, 33);
    EXPECT_EQ(h, 17);
    EXPECT_EQ(png.r, 10);
    EXPECT_EQ(png.g, 250);
    EXPECT_EQ(png.b, 128);
}

TEST(Picture, ImpossibleSizesAreRefused) {
    TempDir dir;
    EXPECT_THROW(writepicture(dir / "x.png", PictureFormat::Png, 0, 10, {}), std::exception);
    EXPECT_THROW(writepicture(dir / "x.png", PictureFormat::Png, 10, -1, {}), std::exception);
    EXPECT_THROW(writepicture(dir / "x.png", PictureFormat::Png, 1 << 20, 1 << 20, {}),
                 std::exception);
}

TEST(CdImage, LibcdioSeesTheTracksTheirKindsAndLengths) {
    TempDir dir;
    // 4 s = 300 sectors; 2.5 s = 187.5, rounded up to 188; 3.01 s = 225.75 -> 226.
    writecdimage(dir / "disc.cue", {{.seconds = 4, .frequency = 440},
                                    {.seconds = 2.5, .data = true},
                                    {.seconds = 3.01, .frequency = 660}});
    EXPECT_EQ(fs::file_size(dir / "disc.bin"), (300u + 188 + 226) * 2352);
    const cd::CdioHandle cd((dir / "disc.cue").string(), DRIVER_BINCUE);
    ASSERT_EQ(cdio_get_num_tracks(cd.get()), 3);
    EXPECT_EQ(cdio_get_track_format(cd.get(), 1), TRACK_FORMAT_AUDIO);
    EXPECT_EQ(cdio_get_track_format(cd.get(), 2), TRACK_FORMAT_DATA);
    EXPECT_EQ(cdio_get_track_format(cd.get(), 3), TRACK_FORMAT_AUDIO);
    EXPECT_EQ(cdio_get_track_lsn(cd.get(), 1), 0);
    EXPECT_EQ(cdio_get_track_lsn(cd.get(), 2), 300);
    EXPECT_EQ(cdio_get_track_lsn(cd.get(), 3), 488);
    EXPECT_EQ(cdio_get_track_sec_count(cd.get(), 3), 226u);
    EXPECT_EQ(cdio_get_disc_last_lsn(cd.get()), 714);
}

TEST(CdImage, AudioSectorsHoldTheTrackTone) {
    TempDir dir;
    writecdimage(dir / "disc.cue",
                 {{.seconds = 1, .frequency = 440}, {.seconds = 2, .frequency = 880}});
    const std::string bin = readbytes(dir / "disc.bin");
    std::vector<int16_t> pcm(bin.size() / 2);
    std::memcpy(pcm.data(), bin.data(), pcm.size() * 2);
    const std::vector<ToneSegment> tones = findtones(pcm, 44100, 2);
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_NEAR(tones[0].frequency, 440, 1);
    EXPECT_NEAR(tones[0].seconds, 1, 0.01);
    EXPECT_NEAR(tones[1].frequency, 880, 1);
    EXPECT_NEAR(tones[1].start, 1, 0.01);
    EXPECT_NEAR(tones[1].seconds, 2, 0.01);
}

TEST(CdImage, DataSectorsCarryTheirAddressAndAValidCheckCode) {
    TempDir dir;
    writecdimage(dir / "mixed.cue",
                 {{.seconds = 1, .frequency = 440}, {.seconds = 3, .data = true}});
    const std::string bin = readbytes(dir / "mixed.bin");
    ASSERT_EQ(bin.size(), 300u * 2352);
    // The data track's last sector: LBA 299 is 150 + 299 = 449 sectors = 00:05:74 on the disc.
    const auto* sector = reinterpret_cast<const uint8_t*>(bin.data()) + 299 * 2352;
    EXPECT_EQ(sector[0], 0x00);
    EXPECT_EQ(sector[1], 0xFF);
    EXPECT_EQ(sector[11], 0x00);
    EXPECT_EQ(sector[12], 0x00);
    EXPECT_EQ(sector[13], 0x05);
    EXPECT_EQ(sector[14], 0x74);
    EXPECT_EQ(sector[15], 1);
    // A CRC stored after its message leaves a zero remainder over both.
    EXPECT_NE(cdedc(sector, 0x810), 0u);
    EXPECT_EQ(cdedc(sector, 0x814), 0u);
}

TEST(CdImage, OneDataTrackMakesADataDisc) {
    TempDir dir;
    writecdimage(dir / "data.cue", {{.seconds = 2, .data = true}});
    const cd::CdioHandle cd((dir / "data.cue").string(), DRIVER_BINCUE);
    EXPECT_EQ(cdio_get_num_tracks(cd.get()), 1);
    EXPECT_EQ(cdio_get_track_format(cd.get(), 1), TRACK_FORMAT_DATA);
    EXPECT_THROW(writecdimage(dir / "none.cue", {}), std::exception);
    EXPECT_THROW(writecdimage(dir / "zero.cue", {{.seconds = 0}}), std::exception);
}

TEST(DamagedFiles, TruncatedKeepsThePrefixAndRandomIsSeeded) {
    TempDir dir;
    writerandombytes(dir / "a", 100000, 7);
    writerandombytes(dir / "b", 100000, 7);
    writerandombytes(dir / "c", 100000, 8);
    const std::string a = readbytes(dir / "a");
    EXPECT_EQ(a.size(), 100000u);
    EXPECT_EQ(a, readbytes(dir / "b"));
    EXPECT_NE(a, readbytes(dir / "c"));
    writetruncated(dir / "a", dir / "cut", 70001);
    EXPECT_EQ(readbytes(dir / "cut"), a.substr(0, 70001));
    writetruncated(dir / "a", dir / "whole", 1 << 20);
    EXPECT_EQ(readbytes(dir / "whole"), a);
    EXPECT_THROW(writetruncated(dir / "missing", dir / "x", 10), std::exception);
}

TEST(DamagedFiles, MeasuringGarbageFailsCleanly) {
    TempDir dir;
    writerandombytes(dir / "noise.mp3", 5000, 1);
    EXPECT_THROW(measurefile(dir / "noise.mp3"), std::exception);
    writetone(dir / "tone.mp3", AudioFormat::Mp3, {.seconds = 2});
    writetruncated(dir / "tone.mp3", dir / "half.mp3", fs::file_size(dir / "tone.mp3") / 2);
    const ToneSegment half = measurefile(dir / "half.mp3");
    EXPECT_NEAR(half.frequency, 440, 4.4);
    EXPECT_LT(half.seconds, 1.5);
}

TEST(TempDir, IsFreshAndRemovedWithItsContents) {
    fs::path kept;
    {
        TempDir a, b;
        EXPECT_NE(a.path(), b.path());
        EXPECT_TRUE(fs::is_directory(a.path()));
        fs::create_directories(a / "x" / "y");
        std::ofstream(a / "x" / "y" / "f") << "data";
        kept = a.path();
    }
    EXPECT_FALSE(fs::exists(kept));
}

TEST(Demo, LibraryIsNestedMixedAndRepeatable) {
    TempDir one, two;
    writedemolibrary(one.path());
    writedemolibrary(two.path());
    int mp3 = 0, wav = 0, wma = 0, covers = 0, folders = 0;
    for (const auto& entry : fs::recursive_directory_iterator(one.path())) {
        const fs::path relative = fs::relative(entry.path(), one.path());
        if (entry.is_directory()) {
            ++folders;
            continue;
        }
        const std::string ext = entry.path().extension().string();
        mp3 += ext == ".mp3";
        wav += ext == ".wav";
        wma += ext == ".wma";
        covers += entry.path().filename() == "cover.jpg";
        EXPECT_EQ(readbytes(entry.path()), readbytes(two / relative)) << relative;
    }
    EXPECT_EQ(folders, 3 + 5);
    EXPECT_EQ(covers, 5);
    EXPECT_GE(mp3, 8);
    EXPECT_GE(wav, 2);
    EXPECT_GE(wma, 2);
    std::ifstream playlist(one / "Favourites.m3u");
    std::string line;
    int lines = 0;
    while (std::getline(playlist, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        EXPECT_TRUE(fs::is_regular_file(one / line)) << line;
        ++lines;
    }
    EXPECT_GE(lines, 3);
    const ToneSegment first = measurefile(one / "Aurora Lane/First Light/01 - Morning Light.mp3");
    const ToneSegment second = measurefile(one / "Aurora Lane/First Light/02 - Open Road.mp3");
    EXPECT_GT(std::abs(first.frequency - second.frequency), 0.03 * first.frequency);
    EXPECT_GE(first.seconds, 2 - 0.01);
    EXPECT_LE(second.seconds, 8 + 0.01);
}

}  // namespace
}  // namespace tunedeck::fixtures
