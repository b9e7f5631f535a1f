// Cover pictures on arbitrary bytes: the header check, the decoder (FFmpeg's JPEG and PNG
// decoders, EXIF orientation, scaling) and the embedded-picture reader of music files.
#include <span>

#include "fuzz/fuzz_common.h"
#include "platform/screen/embedded.h"
#include "platform/screen/picture.h"
#include "platform/screen/pictureheader.h"
#include "tools/fixtures/fixtures.h"

using namespace tunedeck;

namespace {
fuzzing::fs::path folder;

void checkfits(const PictureRef& picture) {
    if (picture && (picture->width() > 640 || picture->height() > 360)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = fuzzing::scratchfolder("cover");
    if (std::getenv("TUNEDECK_WRITE_SEEDS")) {
        namespace fx = fixtures;
        fx::writepicture(folder / "a.jpg", fx::PictureFormat::Jpeg, 16, 9, {200, 40, 40});
        fx::writepicture(folder / "b.png", fx::PictureFormat::Png, 8, 8, {0, 90, 200});
        fx::JpegPicture cmyk{40, 24, {}, true, 6, 14};
        fx::writejpeg(folder / "c.jpg", cmyk);
        fx::writeembeddedcover(folder / "d.mp3", fx::PictureFormat::Png, 12, 12, {1, 2, 3});
        fx::writeembeddedcover(folder / "e.flac", fx::PictureFormat::Jpeg, 12, 12, {1, 2, 3});
        std::vector<std::string> seeds;
        for (const char* name : {"a.jpg", "b.png", "c.jpg", "d.mp3", "e.flac"})
            seeds.push_back(fuzzing::readfile(folder / name));
        fuzzing::writeseeds(seeds);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pictureheader(std::span<const uint8_t>(data, size));
    auto file = folder / "cover";
    fuzzing::writefile(file, {reinterpret_cast<const char*>(data), size});
    checkfits(loadcover(file, 640, 360));
    // The same bytes as a music file whose tags may carry a picture.
    checkfits(decodecover(embeddedpicture(file), 640, 360));
    return 0;
}
