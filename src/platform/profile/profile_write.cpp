#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile/inifile_parse.h"
#include "platform/profile/profile.h"
#include "platform/profile/profile_file.h"

namespace tunedeck {

namespace {

using profile::IniDocument;
using profile::IniLine;
using profile::LineKind;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Names and values are written on one line and must read back as written.
bool validsection(std::string_view s) {
    return !s.empty() && s.find_first_of("\r\n]") == std::string_view::npos;
}
bool validkey(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    return first != std::string_view::npos && s.find_first_of("\r\n=") == std::string_view::npos &&
           std::string_view("[;#").find(s[first]) == std::string_view::npos;
}
bool validvalue(std::string_view s) {
    return s.find_first_of("\r\n") == std::string_view::npos;
}

// A value whose outer blanks or outer quotes the reader would strip is quoted once more.
std::string valuetext(std::string_view value) {
    const bool blanks = !value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                                           value.back() == ' ' || value.back() == '\t');
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (blanks || quoted) return "\"" + std::string(value) + "\"";
    return std::string(value);
}

void appendlines(std::string& out, const IniDocument& doc, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        out.append(doc.lines[i].raw);
        out.append(doc.lines[i].eol);
    }
}

std::string_view lineend(const IniLine& line, const IniDocument& doc) {
    return line.eol.empty() ? doc.eol : line.eol;
}

// Line index of the first `key` in a section named `section`, and of that first section.
struct KeyPlace {
    std::optional<std::size_t> keyline;
    std::optional<std::size_t> section;
};

KeyPlace findkey(const IniDocument& doc, std::string_view section, std::string_view key) {
    KeyPlace place;
    for (std::size_t s = 0; s < doc.sections.size() && !place.keyline; ++s) {
        const profile::IniSection& sec = doc.sections[s];
        if (!sec.addressable || !profile::namesequal(sec.name, section)) continue;
        if (!place.section) place.section = s;
        for (std::size_t i = sec.header + 1; i < sec.end && !place.keyline; ++i) {
            const IniLine& line = doc.lines[i];
            if (line.kind == LineKind::Key && profile::namesequal(line.name, key)) {
                place.keyline = i;
            }
        }
    }
    return place;
}

// After the section's last key, so blank lines and comments before the next section stay there.
std::size_t insertionline(const IniDocument& doc, const profile::IniSection& sec) {
    std::size_t after = sec.header;
    for (std::size_t i = sec.header + 1; i < sec.end; ++i) {
        if (doc.lines[i].kind == LineKind::Key) after = i;
    }
    return after;
}

std::string setkey(const IniDocument& doc, std::string_view section, std::string_view key,
                   std::string_view value) {
    const KeyPlace place = findkey(doc, section, key);
    std::string out;
    const std::size_t n = doc.lines.size();
    if (place.keyline) {
        const IniLine& line = doc.lines[*place.keyline];
        appendlines(out, doc, 0, *place.keyline);
        out.append(line.name).append("=").append(valuetext(value)).append(line.eol);
        appendlines(out, doc, *place.keyline + 1, n);
    } else if (place.section) {
        const std::size_t at = insertionline(doc, doc.sections[*place.section]);
        appendlines(out, doc, 0, at);
        out.append(doc.lines[at].raw).append(lineend(doc.lines[at], doc));
        out.append(key).append("=").append(valuetext(value)).append(doc.eol);
        appendlines(out, doc, at + 1, n);
    } else {
        appendlines(out, doc, 0, n);
        if (n > 0 && doc.lines.back().eol.empty()) out.append(doc.eol);
        out.append("[").append(section).append("]").append(doc.eol);
        out.append(key).append("=").append(valuetext(value)).append(doc.eol);
    }
    return out;
}

// The file without the flagged lines; nothing when no line is flagged.
std::optional<std::string> droplines(const IniDocument& doc, const std::vector<bool>& drop) {
    std::string out;
    bool dropped = false;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        if (drop[i]) {
            if (i == 0 && doc.lines[0].raw.starts_with(kBom)) out.append(kBom);
            dropped = true;
            continue;
        }
        out.append(doc.lines[i].raw).append(doc.lines[i].eol);
    }
    if (!dropped) return std::nullopt;
    return out;
}

std::optional<std::string> deletekey(const IniDocument& doc, std::string_view section,
                                     std::string_view key) {
    std::vector<bool> drop(doc.lines.size(), false);
    for (const profile::IniSection& sec : doc.sections) {
        if (!sec.addressable || !profile::namesequal(sec.name, section)) continue;
        for (std::size_t i = sec.header + 1; i < sec.end; ++i) {
            const IniLine& line = doc.lines[i];
            drop[i] = line.kind == LineKind::Key && profile::namesequal(line.name, key);
        }
    }
    return droplines(doc, drop);
}

std::optional<std::string> deletesection(const IniDocument& doc, std::string_view section) {
    std::vector<bool> drop(doc.lines.size(), false);
    for (const profile::IniSection& sec : doc.sections) {
        if (!sec.addressable || !profile::namesequal(sec.name, section)) continue;
        for (std::size_t i = sec.header; i < sec.end; ++i) drop[i] = true;
    }
    return droplines(doc, drop);
}

}  // namespace

int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                               const char* file) {
    if (section == nullptr || file == nullptr || *file == '\0') return 0;
    if (key && value && (!validsection(section) || !validkey(key) || !validvalue(value))) {
        return 0;
    }
    const std::optional<std::string> content = profile::readprofilefile(file);
    // An existing file that cannot be read must not be overwritten with a partial copy.
    if (!content && !profile::profilefileabsent(file)) return 0;
    const IniDocument doc = profile::parseini(content ? *content : std::string_view{});
    std::optional<std::string> edited;
    if (key == nullptr) {
        edited = deletesection(doc, section);
    } else if (value == nullptr) {
        edited = deletekey(doc, section, key);
    } else {
        edited = setkey(doc, section, key, value);
    }
    if (!edited) return 1;  // nothing to delete: the file stays as it is
    return profile::replacefile(file, *edited) ? 1 : 0;
}

}  // namespace tunedeck
