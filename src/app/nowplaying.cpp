#include "app/nowplaying.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/screen/embedded.h"
#include "view/view.h"

namespace tunedeck {
namespace {

namespace fs = std::filesystem;

// A cover file larger than this is not held in memory.
constexpr std::uintmax_t kMaxCoverBytes = 16u << 20;

// FNV-1a over the bytes, as 16 hex digits.
std::string pictureid(std::string_view bytes) {
    uint64_t hash = 1469598103934665603ull;
    for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string readsmallfile(const fs::path& file) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size > kMaxCoverBytes) return {};
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string extensionfor(const std::string& type) {
    return type.substr(type.find('/') + 1);
}

}  // namespace

std::string picturetype(std::string_view b) {
    if (b.size() >= 3 && b.substr(0, 3) == "\xFF\xD8\xFF") return "image/jpeg";
    if (b.size() >= 8 && b.substr(0, 8) == "\x89PNG\r\n\x1A\n") return "image/png";
    if (b.size() >= 6 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a"))
        return "image/gif";
    if (b.size() >= 12 && b.substr(0, 4) == "RIFF" && b.substr(8, 4) == "WEBP") return "image/webp";
    return {};
}

std::string fileurl(const fs::path& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : path.string()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

NowPlaying::NowPlaying(fs::path artfolder) : artfolder_(std::move(artfolder)) {}

NowPlaying::~NowPlaying() noexcept {
    std::error_code ec;
    if (!artfile_.empty()) fs::remove(artfile_, ec);
    fs::remove(artfolder_, ec);  // only when empty
}

void NowPlaying::follow(const std::string& musicfile) {
    if (musicfile == file_) return;
    file_ = musicfile;
    tags_ = musicfile.empty() ? FileTags{} : readtags(musicfile);
    cover_ = musicfile.empty() ? nullptr : readcover(fs::path(musicfile).parent_path());
}

std::shared_ptr<const CoverPicture> NowPlaying::readcover(const fs::path& folder) {
    const auto source = findcover(folder);
    if (!source) return nullptr;
    CoverPicture picture;
    if (source->embedded) {
        const std::vector<uint8_t> bytes = embeddedpicture(source->file);
        picture.bytes.assign(bytes.begin(), bytes.end());
    } else {
        picture.bytes = readsmallfile(source->file);
    }
    picture.type = picturetype(picture.bytes);
    if (picture.type.empty()) return nullptr;
    picture.id = pictureid(picture.bytes);
    if (cover_ && cover_->id == picture.id) return cover_;  // the same picture: nothing to redo
    picture.arturl = source->embedded ? writeart(picture) : fileurl(source->file);
    return std::make_shared<const CoverPicture>(std::move(picture));
}

std::string NowPlaying::writeart(const CoverPicture& picture) {
    std::error_code ec;
    if (!artfile_.empty()) fs::remove(artfile_, ec);
    artfile_.clear();
    fs::create_directories(artfolder_, ec);
    fs::permissions(artfolder_, fs::perms::owner_all, ec);
    const fs::path file = artfolder_ / ("cover-" + picture.id + "." + extensionfor(picture.type));
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(picture.bytes.data(), static_cast<std::streamsize>(picture.bytes.size()));
    if (!out) return {};
    artfile_ = file;
    return fileurl(file);
}

}  // namespace tunedeck
