// The cover-picture check and loading on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/fuzz_common.h"
#include "platform/screen/jpegheader.h"
#include "platform/screen/picture.h"
#include "tools/fixtures/fixtures.h"

using namespace tunedeck;

namespace {
fuzzing::fs::path folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = fuzzing::scratchfolder("cover");
    if (std::getenv("TUNEDECK_WRITE_SEEDS")) {
        fixtures::writepicture(folder / "a.jpg", fixtures::PictureFormat::Jpeg, 16, 9,
                               {200, 40, 40});
        fixtures::writepicture(folder / "b.png", fixtures::PictureFormat::Png, 8, 8, {0, 90, 200});
        fuzzing::writeseeds(
            {fuzzing::readfile(folder / "a.jpg"), fuzzing::readfile(folder / "b.png")});
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    jpegsize(std::span<const uint8_t>(data, size));
    auto file = folder / "cover.jpg";
    fuzzing::writefile(file, {reinterpret_cast<const char*>(data), size});
    auto picture = loadcover(file, 1920, 1080);
    if (picture && (picture->width() > 1920 || picture->height() > 1080)) __builtin_trap();
    return 0;
}
