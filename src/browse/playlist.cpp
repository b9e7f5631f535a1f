#include "browse/playlist.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "platform/audio/radio.h"
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

constexpr std::string_view kFileUrl = "file://";

// An existing ordinary file that is not hidden (links followed).
bool isplayablefile(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    const std::string_view name = lastcomponent(path);
    if (name.empty() || name.front() == '.') return false;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

char asciilower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// `prefix` in lower case.
bool startswithcaseless(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char p, char t) { return p == asciilower(t); });
}

// "C:\..." or "C:/...": a file on a Windows drive, which names nothing here.
bool isdrivepath(std::string_view line) {
    return line.size() >= 3 && asciilower(line[0]) >= 'a' && asciilower(line[0]) <= 'z' &&
           line[1] == ':' && (line[2] == '\\' || line[2] == '/');
}

int hexvalue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Every "%XX" becomes the byte it stands for; a '%' not followed by two hex digits stays.
std::string percentdecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() && text[i] == '%' ? hexvalue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexvalue(text[i + 2]) : -1;
        if (low < 0) {
            out += text[i];
            continue;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// The path of a file:// URL on this machine (no host, or "localhost"); "" for another host.
std::string fileurlpath(std::string_view url) {
    url.remove_prefix(kFileUrl.size());
    if (startswithcaseless(url, "localhost/"))
        url.remove_prefix(std::string_view("localhost").size());
    if (!url.starts_with('/')) return {};
    return percentdecoded(url);
}

// The path a line names: a full path (leading '/'), a file:// URL, or a path relative to the
// playlist's folder with '\' read as '/', colons and all. "" for a Windows drive path.
std::string resolveline(std::string_view line, std::string_view folder) {
    if (line.starts_with('/')) return std::string(line);
    if (startswithcaseless(line, kFileUrl)) return fileurlpath(line);
    if (isdrivepath(line)) return {};
    std::string relative(line);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return std::string(folder) + relative;
}

// The file a line names, or "" when it names none. A line that is not UTF-8 was most likely
// written on Windows: when it names nothing as it stands, it is read as Windows-1252.
std::string findfile(const std::string& line, std::string_view folder) {
    std::string path = resolveline(line, folder);
    if (isplayablefile(path)) return path;
    if (isvalidutf8(line)) return {};
    path = resolveline(windows1252toutf8(line), folder);
    return isplayablefile(path) ? path : std::string();
}

std::string_view folderof(std::string_view file) {
    const std::size_t slash = file.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : file.substr(0, slash + 1);
}

// One entry as a playlist file gives it: the line naming a file or station, and the title
// the playlist gives it ("" for none).
struct Listed {
    std::string line;
    std::string title;
};

std::string trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
}

// "#EXTINF:seconds,title" gives the entry that follows its title.
std::vector<Listed> readm3u(PlaylistReader& reader) {
    std::vector<Listed> listed;
    std::string title;
    std::optional<std::string> line;
    while (reader.next(line)) {
        if (!line) continue;
        if (startswithcaseless(*line, "#extinf:")) {
            const std::size_t comma = line->find(',');
            title = comma == std::string::npos ? std::string() : trimmed(line->substr(comma + 1));
        } else if (!line->starts_with('#')) {
            listed.push_back({std::move(*line), std::move(title)});
            title.clear();
        }
    }
    return listed;
}

// The number after `key` in "FileN" or "TitleN" (caseless), when the name is exactly that.
std::optional<int> numbered(std::string_view name, std::string_view key) {
    if (!startswithcaseless(name, key) || name.size() == key.size() || name.size() > key.size() + 6)
        return std::nullopt;
    int number = 0;
    for (const char c : name.substr(key.size())) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

// "[playlist]" with "FileN=" and "TitleN=" lines, in the order of their numbers.
std::vector<Listed> readpls(PlaylistReader& reader) {
    std::map<int, Listed> numberedentries;
    std::optional<std::string> line;
    while (reader.next(line)) {
        if (!line) continue;
        const std::size_t equals = line->find('=');
        if (equals == std::string::npos) continue;
        const std::string name = trimmed(std::string_view(*line).substr(0, equals));
        const std::string value = trimmed(std::string_view(*line).substr(equals + 1));
        if (const auto number = numbered(name, "file")) numberedentries[*number].line = value;
        if (const auto number = numbered(name, "title")) numberedentries[*number].title = value;
    }
    std::vector<Listed> listed;
    for (auto& [number, entry] : numberedentries) {
        if (!entry.line.empty()) listed.push_back(std::move(entry));
    }
    return listed;
}

// How a station is named in the queue: its title in the playlist, else its address without
// the scheme.
std::string stationname(const Listed& entry) {
    if (!entry.title.empty()) return entry.title;
    const std::size_t scheme = entry.line.find("://");
    return entry.line.substr(scheme + 3);
}

}  // namespace

void loadplaylistfile(PlayQueue& queue, const std::string& file, const NameOptions& names) {
    // Only an ordinary file is read, so a device or pipe named .m3u cannot stall the reader.
    std::error_code ec;
    const bool regular = std::filesystem::is_regular_file(file, ec) && !ec;
    PlaylistReader reader(regular ? file : std::string());
    const std::string_view folder = folderof(file);
    queue.clear();
    if (!reader.isopen()) return;
    const std::vector<Listed> listed =
        endswithcaseless(file, ".pls") ? readpls(reader) : readm3u(reader);
    for (const Listed& entry : listed) {
        const std::string line = trimmed(entry.line);
        if (isradioaddress(line) && isvalidutf8(line)) {
            queue.append(stationname({line, entry.title}), line);
            continue;
        }
        std::string path = findfile(entry.line, folder);
        if (path.empty()) continue;
        std::string name = displayname(lastcomponent(path), names);
        queue.append(std::move(name), std::move(path));
    }
}

}  // namespace tunedeck
