#include "tvcode.h"

#include <regex>

namespace tunedeck::e2e {

// The black box of the pairing code in the lower band of the television's screen, read by OCR.
std::string readcode(const Jukebox& box, const Screenshot& shot, const fs::path& png) {
    int left = shot.width(), right = -1, top = shot.height(), bottom = -1;
    for (int y = shot.height() * 88 / 100; y < shot.height(); ++y)
        for (int x = shot.width() / 3; x < shot.width(); ++x)
            if (near(shot.at(x, y), 0, 0, 0, 0)) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    if (right - left < 100 || bottom - top < 20) return {};
    const fs::path crop = box.folder() / "code-crop.png";
    const std::string geometry = std::to_string(right - left + 1) + "x" +
                                 std::to_string(bottom - top + 1) + "+" + std::to_string(left) +
                                 "+" + std::to_string(top);
    if (runcommand({"convert", png.string(), "-crop", geometry, "-negate", "-resize", "200%",
                    crop.string()},
                   {}) != 0)
        return {};
    const fs::path text = box.folder() / "code";
    if (runcommand({"tesseract", crop.string(), text.string(), "--psm", "7"}, {}) != 0) return {};
    std::smatch code;
    const std::string line = readfile(text.string() + ".txt");
    return std::regex_search(line, code, std::regex("[0-9]{6}")) ? code.str() : "";
}

}  // namespace tunedeck::e2e
