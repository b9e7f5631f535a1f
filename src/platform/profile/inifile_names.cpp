#include <cwctype>
#include <string>
#include <unordered_set>

#include "platform/profile/inifile_parse.h"

namespace tunedeck::profile {

namespace {

// Decodes one code point at `pos` and advances past it. A byte that does not start a valid
// UTF-8 sequence comes back as a value above the Unicode range, so it only equals itself.
char32_t nextcodepoint(std::string_view s, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    const std::size_t len = lead < 0x80           ? 1
                            : (lead >> 5) == 0x6  ? 2
                            : (lead >> 4) == 0xE  ? 3
                            : (lead >> 3) == 0x1E ? 4
                                                  : 0;
    const char32_t invalid = 0x110000 + lead;
    if (len == 0 || pos + len > s.size()) {
        ++pos;
        return invalid;
    }
    char32_t cp = len == 1 ? lead : lead & (0x7F >> len);
    for (std::size_t i = 1; i < len; ++i) {
        const auto cont = static_cast<unsigned char>(s[pos + i]);
        if ((cont & 0xC0) != 0x80) {
            ++pos;
            return invalid;
        }
        cp = (cp << 6) | (cont & 0x3F);
    }
    pos += len;
    return cp;
}

char32_t fold(char32_t cp) {
    if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
    if (cp > 0x10FFFF) return cp;
    return static_cast<char32_t>(std::towlower(static_cast<wint_t>(cp)));
}

std::u32string foldname(std::string_view s) {
    std::u32string folded;
    for (std::size_t pos = 0; pos < s.size();) folded.push_back(fold(nextcodepoint(s, pos)));
    return folded;
}

// Appends `name` unless a name equal to it was appended before.
void addonce(std::vector<std::string_view>& names, std::unordered_set<std::u32string>& seen,
             std::string_view name) {
    if (seen.insert(foldname(name)).second) names.push_back(name);
}

}  // namespace

bool namesequal(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (fold(nextcodepoint(a, i)) != fold(nextcodepoint(b, j))) return false;
    }
    return i == a.size() && j == b.size();
}

std::optional<std::string_view> findvalue(const IniDocument& doc, std::string_view section,
                                          std::string_view key) {
    for (const IniSection& sec : doc.sections) {
        if (!sec.addressable || !namesequal(sec.name, section)) continue;
        for (std::size_t i = sec.header + 1; i < sec.end; ++i) {
            const IniLine& line = doc.lines[i];
            if (line.kind == LineKind::Key && namesequal(line.name, key)) return line.value;
        }
    }
    return std::nullopt;
}

std::vector<std::string_view> sectionnames(const IniDocument& doc) {
    std::vector<std::string_view> names;
    std::unordered_set<std::u32string> seen;
    for (const IniSection& sec : doc.sections) {
        if (sec.addressable) addonce(names, seen, sec.name);
    }
    return names;
}

std::vector<std::string_view> keynames(const IniDocument& doc, std::string_view section) {
    std::vector<std::string_view> names;
    std::unordered_set<std::u32string> seen;
    for (const IniSection& sec : doc.sections) {
        if (!sec.addressable || !namesequal(sec.name, section)) continue;
        for (std::size_t i = sec.header + 1; i < sec.end; ++i) {
            const IniLine& line = doc.lines[i];
            if (line.kind == LineKind::Key) addonce(names, seen, line.name);
        }
    }
    return names;
}

}  // namespace tunedeck::profile
