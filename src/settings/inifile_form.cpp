#include <algorithm>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>

#include "settings/inifile.h"

namespace tunedeck {

namespace {

// Gap kept between the window and each screen edge, in pixels.
constexpr int32_t kEdgePixels = 4;

struct Placement {
    int32_t left, top, width, height;
};

// Keeps one axis of the window inside [margin, screen - margin]: moved in first, then shortened.
// Worked in 64 bits: the numbers come from a file anyone may edit.
void fitaxis(int32_t& start32, int32_t& length32, int32_t screen, int64_t margin) {
    int64_t start = std::max<int64_t>(start32, margin);
    int64_t length = length32;
    const int64_t limit = screen - margin;
    if (start + length > limit) {
        start = std::max(limit - length, margin);
        if (start + length > limit) length = limit - start;
    }
    start32 = static_cast<int32_t>(std::clamp<int64_t>(start, INT32_MIN, INT32_MAX));
    length32 = static_cast<int32_t>(std::clamp<int64_t>(length, INT32_MIN, INT32_MAX));
}

}  // namespace

void cInifile::writeformkey(const char* key, const std::string& value) {
    Key(key);
    Value(value);
    if (lastreturncode_ == 0) throw std::runtime_error("window position not written");
}

void cInifile::SaveFormPosition(const FormGeometry& frmThis) {
    const std::string savedkey = key_;
    try {
        if (!frmThis.minimised()) {
            const bool maximised = frmThis.maximised();
            writeformkey("Maximised", maximised ? "1" : "0");
            if (!maximised) {
                writeformkey("Left", std::to_string(frmThis.left()));
                writeformkey("Top", std::to_string(frmThis.top()));
                writeformkey("Width", std::to_string(frmThis.width()));
                writeformkey("Height", std::to_string(frmThis.height()));
            }
        }
    } catch (const std::exception&) {
        lastreturncode_ = 0;
    }
    key_ = savedkey;
}

void cInifile::LoadFormPosition(FormGeometry& frmThis, int32_t lMinWidth, int32_t lMinHeight) {
    const std::string savedkey = key_;
    const std::string saveddefault = default_;
    try {
        default_ = "FAIL";
        auto readkey = [this](const char* key, int32_t fallback) {
            key_ = key;
            return CLngDefault(Value(), fallback);
        };
        Placement p{readkey("Left", frmThis.left()), readkey("Top", frmThis.top()),
                    readkey("Width", frmThis.width()), readkey("Height", frmThis.height())};
        p.width = std::max(p.width, lMinWidth);
        p.height = std::max(p.height, lMinHeight);
        fitaxis(p.left, p.width, frmThis.screenwidth(),
                int64_t{kEdgePixels} * frmThis.unitsperpixelx());
        fitaxis(p.top, p.height, frmThis.screenheight(),
                int64_t{kEdgePixels} * frmThis.unitsperpixely());
        if (p.width >= lMinWidth && p.height >= lMinHeight) {
            frmThis.move(p.left, p.top, p.width, p.height);
        }
        if (readkey("Maximised", 0) != 0) frmThis.maximise();
    } catch (const std::exception&) {
        lastreturncode_ = 0;
    }
    key_ = savedkey;
    default_ = saveddefault;
}

}  // namespace tunedeck
