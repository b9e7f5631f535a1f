#include "browse/names.h"

#include <array>

#include "platform/folders/text.h"

namespace tunedeck {

namespace {

// Replaces every non-overlapping occurrence, scanning left to right once.
std::string replaceall(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t hit = text.find(from); hit != std::string_view::npos;
         hit = text.find(from, start)) {
        out.append(text.substr(start, hit - start));
        out.append(to);
        start = hit + from.size();
    }
    out.append(text.substr(start));
    return out;
}

// Each in its all-lower and all-upper form, in this order; ".m3u8" goes before ".m3u", which
// would otherwise leave its "8" behind.
std::string removeextensions(std::string text) {
    static constexpr std::array<std::string_view, 24> kExtensions = {
        ".mp3", ".MP3", ".wma",  ".WMA",  ".wav",  ".WAV",  ".m3u8", ".M3U8",
        ".m3u", ".M3U", ".pls",  ".PLS",  ".flac", ".FLAC", ".ogg",  ".OGG",
        ".oga", ".OGA", ".opus", ".OPUS", ".m4a",  ".M4A",  ".aac",  ".AAC"};
    for (std::string_view ext : kExtensions) text = replaceall(text, ext, "");
    return text;
}

bool startsword(char32_t previous) {
    return previous == U' ' || previous == U'(' || previous == U'/' || previous == U'-';
}

// Capitalises the first character and every character after a space, '(', '/' or '-'.
std::string capitalisewords(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    char32_t previous = U' ';
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Unit unit = decodeutf8(text, pos);
        if (!unit.valid) {
            out += text[pos];
            previous = 0;
        } else {
            appendutf8(out, startsword(previous) ? uppercase(unit.codepoint) : unit.codepoint);
            previous = unit.codepoint;
        }
        pos += unit.length;
    }
    return out;
}

std::string fixcase(std::string_view text) {
    std::string out = replaceall(tolowerutf8(text), "_", " ");
    out = capitalisewords(out);
    return replaceall(out, "Cd", "CD");
}

}  // namespace

std::string_view lastcomponent(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string displayname(std::string_view text, const NameOptions& options) {
    std::string out(text);
    // Only a leading root is the root folder: further on the same text names a subfolder.
    const std::string rootprefix = options.root + "/";
    if (out.starts_with(rootprefix)) out.erase(0, rootprefix.size());
    out = removeextensions(std::move(out));
    if (options.fixnames) out = fixcase(out);
    out = replaceall(out, "/", " / ");
    return tovalidutf8(out);
}

}  // namespace tunedeck
