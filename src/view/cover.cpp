#include <algorithm>
#include <cctype>
#include <system_error>

#include "view/view.h"

namespace tunedeck {
namespace {

namespace fs = std::filesystem;

bool iscovername(const std::string& name) {
    static constexpr std::string_view kCover = "cover.jpg";
    return std::equal(name.begin(), name.end(), kCover.begin(), kCover.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

bool isregular(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

}  // namespace

std::optional<fs::path> findcover(const fs::path& folder) {
    if (folder.empty()) return std::nullopt;
    if (isregular(folder / "cover.jpg")) return folder / "cover.jpg";
    // Any other letter case; when several exist, the first by name is taken so the choice
    // does not depend on the directory's order.
    std::optional<fs::path> best;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (!iscovername(name) || !isregular(it->path())) continue;
        if (!best || it->path() < *best) best = it->path();
    }
    return best;
}

}  // namespace tunedeck
