#include "audio/loudnesscache.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "settings/userfolders.h"

namespace tunedeck {

namespace {

constexpr const char* kHeader = "tunedeck loudness 1";
constexpr double kMaxGainDb = 60.0;
constexpr double kMaxPeak = 100.0;

// Paths and album names may hold any byte but NUL: tabs, line ends and the escape itself are
// written as \t, \n, \r and \\.
std::string escaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos;
         tab = line.find('\t', start)) {
        out.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    out.push_back(line.substr(start));
    return out;
}

template <typename T>
std::optional<T> number(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// "size  mtime  gain-or-dash  peak  album  path", tab-separated.
std::optional<std::pair<std::string, MeasuredLevel>> parseline(std::string_view line) {
    const auto parts = fields(line);
    if (parts.size() != 6) return std::nullopt;
    MeasuredLevel level;
    const auto size = number<uint64_t>(parts[0]);
    const auto mtime = number<int64_t>(parts[1]);
    const auto peak = number<double>(parts[3]);
    auto album = unescaped(parts[4]);
    auto path = unescaped(parts[5]);
    if (!size || !mtime || !peak || !album || !path || path->empty()) return std::nullopt;
    if (!(*peak >= 0 && *peak <= kMaxPeak)) return std::nullopt;
    if (parts[2] != "-") {
        const auto gain = number<double>(parts[2]);
        if (!gain || !(std::fabs(*gain) <= kMaxGainDb)) return std::nullopt;
        level.gain = gain;
    }
    level.size = *size;
    level.mtime = *mtime;
    level.peak = *peak;
    level.album = std::move(*album);
    return std::pair{std::move(*path), std::move(level)};
}

std::string formatline(const std::string& path, const MeasuredLevel& level) {
    std::ostringstream line;
    line.precision(17);
    line << level.size << '\t' << level.mtime << '\t';
    if (level.gain)
        line << *level.gain;
    else
        line << '-';
    line << '\t' << level.peak << '\t' << escaped(level.album) << '\t' << escaped(path) << '\n';
    return line.str();
}

}  // namespace

std::optional<FileKey> filekey(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    const auto time = std::filesystem::last_write_time(path, error);
    if (error) return std::nullopt;
    return FileKey{size, static_cast<int64_t>(time.time_since_epoch().count())};
}

void trimlevels(LevelTable& table, std::size_t limit) {
    if (table.size() <= limit) return;
    std::vector<std::pair<uint64_t, std::string>> byage;
    byage.reserve(table.size());
    for (const auto& [path, level] : table) byage.emplace_back(level.order, path);
    const std::size_t excess = table.size() - limit;
    std::nth_element(byage.begin(), byage.begin() + static_cast<std::ptrdiff_t>(excess),
                     byage.end());
    for (std::size_t i = 0; i < excess; ++i) table.erase(byage[i].second);
}

LevelTable readlevelcache(const std::filesystem::path& file, std::size_t limit) {
    LevelTable table;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) return table;
    uint64_t order = 0;
    // A last line without its line end was cut short: getline's failure bit tells it apart.
    while (std::getline(in, line) && !in.eof()) {
        auto entry = parseline(line);
        if (!entry) continue;
        entry->second.order = ++order;
        table.insert_or_assign(std::move(entry->first), std::move(entry->second));
    }
    trimlevels(table, limit);
    return table;
}

bool writelevelcache(const std::filesystem::path& file, const LevelTable& table) {
    if (!makestatefolder(file.parent_path())) return false;
    // Oldest first, so that reading it back gives each entry its age again.
    std::vector<std::pair<uint64_t, const std::string*>> byage;
    byage.reserve(table.size());
    for (const auto& [path, level] : table) byage.emplace_back(level.order, &path);
    std::sort(byage.begin(), byage.end());
    const std::filesystem::path temporary = file.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << kHeader << '\n';
        for (const auto& [order, path] : byage) out << formatline(*path, table.at(*path));
        out.flush();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (!error) return true;
    std::filesystem::remove(temporary, error);
    return false;
}

}  // namespace tunedeck
