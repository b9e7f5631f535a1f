#include "browse/playlist.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/folders/text.h"

namespace tunedeck {

namespace {

// Reads lines ending at CR, LF or CR LF, skipping a leading UTF-8 byte-order mark. A line
// longer than kMaxPlaylistLine is read past without being kept and comes back as nullopt.
class PlaylistReader {
  public:
    explicit PlaylistReader(const std::string& file) : in_(file, std::ios::binary) { skipbom(); }
    bool isopen() const { return in_.is_open(); }

    // False at the end of the file.
    bool next(std::optional<std::string>& line) {
        std::string text;
        bool overlong = false;
        bool any = false;
        for (int c = in_.get(); c != std::char_traits<char>::eof(); c = in_.get()) {
            any = true;
            if (c == '\n') break;
            if (c == '\r') {
                if (in_.peek() == '\n') in_.get();
                break;
            }
            if (text.size() >= kMaxPlaylistLine)
                overlong = true;
            else
                text += static_cast<char>(c);
        }
        if (!any) return false;
        line = overlong ? std::nullopt : std::optional<std::string>(std::move(text));
        return true;
    }

  private:
    void skipbom() {
        char bom[3] = {};
        in_.read(bom, 3);
        if (in_.gcount() == 3 && bom[0] == '\xEF' && bom[1] == '\xBB' && bom[2] == '\xBF') return;
        in_.clear();
        in_.seekg(0);
    }

    std::ifstream in_;
};

// An existing ordinary file that is not hidden (links followed).
bool isplayablefile(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    const std::string_view name = lastcomponent(path);
    if (name.empty() || name.front() == '.') return false;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isfullpath(std::string_view line) {
    return line.find(':') != std::string_view::npos || line.starts_with('/');
}

std::string resolveline(std::string_view line, std::string_view folder) {
    if (isfullpath(line)) return std::string(line);
    std::string relative(line);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return std::string(folder) + relative;
}

// The file a line names, or "" when it names none.
std::string findfile(const std::string& line, std::string_view folder) {
    std::string path = resolveline(line, folder);
    if (isplayablefile(path)) return path;
    if (isvalidutf8(line)) return {};
    path = resolveline(latin1toutf8(line), folder);
    return isplayablefile(path) ? path : std::string();
}

std::string_view folderof(std::string_view file) {
    const std::size_t slash = file.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : file.substr(0, slash + 1);
}

}  // namespace

void loadplaylistfile(PlayQueue& queue, const std::string& file, const NameOptions& names) {
    // Only an ordinary file is read, so a device or pipe named .m3u cannot stall the reader.
    std::error_code ec;
    const bool regular = std::filesystem::is_regular_file(file, ec) && !ec;
    PlaylistReader reader(regular ? file : std::string());
    const std::string_view folder = folderof(file);
    int16_t k = 0;
    std::optional<std::string> line;
    while (reader.isopen() && k < kQueueRows && reader.next(line)) {
        if (!line || line->starts_with('#')) continue;
        const std::string path = findfile(*line, folder);
        if (path.empty()) continue;
        queue.playlist[static_cast<std::size_t>(k)] = {displayname(lastcomponent(path), names),
                                                       path};
        ++k;
    }
    queue.playlistpos = 0;
    queue.playlistcount = k;
}

}  // namespace tunedeck
