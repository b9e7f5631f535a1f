// Line-level model of an INI file, shared by the profile reader and writer. The writer edits a
// file by replacing, inserting or dropping whole lines, so every line it does not touch keeps its
// bytes, its line end and its place.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace tunedeck::profile {

enum class LineKind {
    Blank,    // empty or only blanks
    Comment,  // starts with ';' or '#'
    Section,  // [name]
    Broken,   // starts with '[' but has no ']': a section nobody can address
    Key,      // name=value
    Other,    // anything else; ignored
};

struct IniLine {
    std::string_view raw;  // the line's bytes without its line end (a leading BOM included)
    std::string_view eol;  // "\n", "\r\n", "\r" or "" for an unterminated last line
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed and unquoted
    int section = -1;        // index into IniDocument::sections; -1 before the first section
};

struct IniSection {
    std::string_view name;
    bool addressable = true;  // false for a broken header
    std::size_t header = 0;   // line index of the header
    std::size_t end = 0;      // line index after the section's last line
};

// Views into the text given to parseini, which must outlive the document.
struct IniDocument {
    std::vector<IniLine> lines;
    std::vector<IniSection> sections;
    std::string_view eol = "\n";  // line end used for new lines: the file's first one
};

IniDocument parseini(std::string_view text);

// Name comparison without regard to case, per code point; bytes that are not valid UTF-8
// compare exactly.
bool namesequal(std::string_view a, std::string_view b);

// The value of the first `key` in any section named `section`, in file order.
std::optional<std::string_view> findvalue(const IniDocument& doc, std::string_view section,
                                          std::string_view key);
// Names of the addressable sections, each name once (first spelling), in file order.
std::vector<std::string_view> sectionnames(const IniDocument& doc);
// Names of the keys of every section named `section`, each once, in file order.
std::vector<std::string_view> keynames(const IniDocument& doc, std::string_view section);

}  // namespace tunedeck::profile
