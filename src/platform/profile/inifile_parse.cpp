#include "platform/profile/inifile_parse.h"

namespace tunedeck::profile {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

std::string_view unquote(std::string_view s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) {
        return s.substr(1, s.size() - 2);
    }
    return s;
}

// A NUL byte ends a line's text: names and values are C strings to every caller.
std::string_view cutatnul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

void classify(IniLine& line, std::string_view content) {
    const std::string_view text = trim(cutatnul(content));
    if (text.empty()) {
        line.kind = LineKind::Blank;
    } else if (text.front() == ';' || text.front() == '#') {
        line.kind = LineKind::Comment;
    } else if (text.front() == '[') {
        const auto close = text.find(']');
        line.kind = close == std::string_view::npos ? LineKind::Broken : LineKind::Section;
        if (close != std::string_view::npos) line.name = trim(text.substr(1, close - 1));
    } else if (const auto eq = text.find('='); eq != std::string_view::npos && eq > 0) {
        line.kind = LineKind::Key;
        line.name = trim(text.substr(0, eq));
        line.value = unquote(trim(text.substr(eq + 1)));
    } else {
        line.kind = LineKind::Other;
    }
}

// Splits at CR, LF or CR LF, in any mix.
std::vector<IniLine> splitlines(std::string_view text) {
    std::vector<IniLine> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        IniLine line;
        const auto brk = text.find_first_of("\r\n", pos);
        if (brk == std::string_view::npos) {
            line.raw = text.substr(pos);
            pos = text.size();
        } else {
            const std::size_t eollen =
                (text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n') ? 2 : 1;
            line.raw = text.substr(pos, brk - pos);
            line.eol = text.substr(brk, eollen);
            pos = brk + eollen;
        }
        lines.push_back(line);
    }
    return lines;
}

void assignsections(IniDocument& doc) {
    int current = -1;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        IniLine& line = doc.lines[i];
        if (line.kind == LineKind::Section || line.kind == LineKind::Broken) {
            if (current >= 0) doc.sections[current].end = i;
            doc.sections.push_back({line.name, line.kind == LineKind::Section, i, i + 1});
            current = static_cast<int>(doc.sections.size()) - 1;
        }
        line.section = current;
    }
    if (current >= 0) doc.sections[current].end = doc.lines.size();
}

}  // namespace

IniDocument parseini(std::string_view text) {
    IniDocument doc;
    doc.lines = splitlines(text);
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        std::string_view content = doc.lines[i].raw;
        if (i == 0 && content.starts_with(kBom)) content.remove_prefix(kBom.size());
        classify(doc.lines[i], content);
    }
    for (const IniLine& line : doc.lines) {
        if (!line.eol.empty()) {
            doc.eol = line.eol;
            break;
        }
    }
    assignsections(doc);
    return doc;
}

}  // namespace tunedeck::profile
