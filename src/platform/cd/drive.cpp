#include "platform/cd/drive.h"

#include <algorithm>
#include <cctype>

#include "platform/cd/drives.h"
#include "platform/cd/errors.h"
#include "platform/lib/cdio/cdio.h"

namespace tunedeck::cd {

namespace fs = std::filesystem;

namespace {

std::string trim(std::string text) {
    auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), blank));
    text.erase(std::find_if_not(text.rbegin(), text.rend(), blank).base(), text.end());
    return text;
}

std::string lowercase(std::string text) {
    for (auto& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The libcdio image driver for a file name, or DRIVER_UNKNOWN when it names no image.
driver_id_t imagedriver(const fs::path& file) {
    std::string ext = lowercase(file.extension().string());
    if (ext == ".cue") return DRIVER_BINCUE;
    if (ext == ".toc") return DRIVER_CDRDAO;
    if (ext == ".nrg") return DRIVER_NRG;
    return DRIVER_UNKNOWN;
}

}  // namespace

std::optional<fs::path> imagefile(const DriveTarget& target) {
    const std::string setting = trim(target.setting);
    if (setting.empty()) return std::nullopt;
    fs::path path = setting;
    if (imagedriver(path) == DRIVER_UNKNOWN) return std::nullopt;
    if (path.is_relative()) path = target.folder / path;
    return path;
}

std::unique_ptr<Drive> opendrive(const DriveTarget& target) {
    const std::string setting = trim(target.setting);
    if (lowercase(setting) == "none") return std::make_unique<NoDrive>();
    if (setting.empty()) {
        // Most boxes have no drive: then the music files play, as with "none".
        std::string device = defaultdevice();
        if (device.empty()) return std::make_unique<NoDrive>();
        return std::make_unique<CdioDrive>(deviceopener(device));
    }
    std::error_code ec;
    if (const auto image = imagefile(target)) {
        if (!fs::is_regular_file(*image, ec)) throw CdError(Error::CannotOpen);
        auto drive = std::make_unique<CdioDrive>(imageopener(*image, imagedriver(*image)));
        if (drive->toc().tracks.empty()) throw CdError(Error::CannotOpen);
        return drive;
    }
    fs::path path = setting;
    if (path.is_relative()) path = target.folder / path;
    if (!fs::exists(path, ec) || fs::is_directory(path, ec)) throw CdError(Error::CannotOpen);
    return std::make_unique<CdioDrive>(deviceopener(path.string()));
}

}  // namespace tunedeck::cd
