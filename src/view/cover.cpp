#include <algorithm>
#include <array>
#include <cctype>
#include <system_error>

#include "browse/formats.h"
#include "platform/folders/collation.h"
#include "view/view.h"

namespace tunedeck {
namespace {

namespace fs = std::filesystem;

// Cover picture names as programs save them, best first; each with every extension in turn.
constexpr std::array<std::string_view, 4> kCoverNames = {"cover", "folder", "front", "albumart"};
constexpr std::array<std::string_view, 3> kCoverExtensions = {".jpg", ".jpeg", ".png"};

bool equalcaseless(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == y;
    });
}

bool endscaseless(std::string_view name, std::string_view ext) {
    return name.size() > ext.size() && equalcaseless(name.substr(name.size() - ext.size()), ext);
}

// The place of a picture name in the order of preference (0 best), or -1 for other names.
int coverrank(std::string_view name) {
    for (std::size_t n = 0; n < kCoverNames.size(); ++n)
        for (std::size_t e = 0; e < kCoverExtensions.size(); ++e)
            if (name.size() == kCoverNames[n].size() + kCoverExtensions[e].size() &&
                equalcaseless(name.substr(0, kCoverNames[n].size()), kCoverNames[n]) &&
                endscaseless(name, kCoverExtensions[e]))
                return static_cast<int>(n * kCoverExtensions.size() + e);
    return -1;
}

bool isregular(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// What one pass over a folder finds: the best-ranked picture file and the first music file.
struct Candidates {
    std::string picture;
    int rank = -1;
    std::string music;
    std::string musickey;  // the music file's collation key: first as the file list shows it
};

void consider(Candidates& c, const std::string& name, const fs::path& path) {
    if (const int rank = coverrank(name); rank >= 0) {
        const bool better = c.rank < 0 || rank < c.rank || (rank == c.rank && name < c.picture);
        if (better && isregular(path)) {
            c.picture = name;
            c.rank = rank;
        }
        return;
    }
    if (file_kind_of(name) != FileKind::Music) return;
    std::string key = collationkey(name);
    const bool first = c.music.empty() || key < c.musickey || (key == c.musickey && name < c.music);
    if (first && isregular(path)) {
        c.music = name;
        c.musickey = std::move(key);
    }
}

}  // namespace

std::optional<CoverSource> findcover(const fs::path& folder) {
    if (folder.empty()) return std::nullopt;
    Candidates found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.empty() && name.front() != '.') consider(found, name, it->path());
    }
    if (!found.picture.empty()) return CoverSource{folder / found.picture, false};
    if (!found.music.empty()) return CoverSource{folder / found.music, true};
    return std::nullopt;
}

}  // namespace tunedeck
