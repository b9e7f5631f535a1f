#include "platform/folders/text.h"

#include <locale.h>
#include <unicode/ucnv.h>
#include <wctype.h>

#include <algorithm>

namespace tunedeck {

namespace {

// The UTF-8 character-type locale used for case mapping, independent of the process locale.
class CtypeLocale {
  public:
    CtypeLocale() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{})) {}
    ~CtypeLocale() noexcept {
        if (locale_ != locale_t{}) freelocale(locale_);
    }
    CtypeLocale(const CtypeLocale&) = delete;
    CtypeLocale& operator=(const CtypeLocale&) = delete;

    // ASCII, by far the commonest in file names, maps the same in every UTF-8 locale and
    // needs no library call; the rest falls back to ASCII-only mapping when the locale is
    // missing.
    char32_t lower(char32_t c) const {
        if (c < 0x80 || locale_ == locale_t{}) return (c >= U'A' && c <= U'Z') ? c + 32 : c;
        return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale_));
    }
    char32_t upper(char32_t c) const {
        if (c < 0x80 || locale_ == locale_t{}) return (c >= U'a' && c <= U'z') ? c - 32 : c;
        return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), locale_));
    }

  private:
    locale_t locale_;
};

// Created once and never changed afterwards: read-only shared state.
const CtypeLocale& ctype() {
    static const CtypeLocale kLocale;
    return kLocale;
}

// Longest text windows1252toutf8 converts (its output size must fit ICU's lengths).
constexpr std::size_t kMaxConverted = 16 * 1024 * 1024;

char asciilower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool isascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool iscontinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

template <typename Map>
std::string mapcase(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Unit unit = decodeutf8(text, pos);
        if (unit.valid)
            appendutf8(out, map(unit.codepoint));
        else
            out += text[pos];
        pos += unit.length;
    }
    return out;
}

}  // namespace

Utf8Unit decodeutf8(std::string_view text, std::size_t pos) {
    const auto b0 = static_cast<unsigned char>(text[pos]);
    if (b0 < 0x80) return {b0, 1, true};
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, cp = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, cp = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, cp = b0 & 0x07, minimum = 0x10000;
    } else {
        return {0, 1, false};
    }
    if (pos + length > text.size()) return {0, 1, false};
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(text[pos + i]);
        if (!iscontinuation(b)) return {0, 1, false};
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {0, 1, false};
    return {cp, length, true};
}

void appendutf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isvalidutf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Unit unit = decodeutf8(text, pos);
        if (!unit.valid) return false;
        pos += unit.length;
    }
    return true;
}

char32_t lowercase(char32_t c) {
    return ctype().lower(c);
}
char32_t uppercase(char32_t c) {
    return ctype().upper(c);
}

std::string tolowerutf8(std::string_view text) {
    return mapcase(text, lowercase);
}
std::string toupperutf8(std::string_view text) {
    return mapcase(text, uppercase);
}

bool endswithcaseless(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    const std::string_view tail = name.substr(name.size() - suffix.size());
    // An ASCII suffix (every extension) can only match ASCII bytes: a non-ASCII character that
    // lowers to ASCII gets shorter and so cannot fill the same number of bytes.
    if (isascii(suffix)) {
        return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
            return static_cast<unsigned char>(a) < 0x80 && asciilower(a) == asciilower(b);
        });
    }
    return tolowerutf8(tail) == tolowerutf8(suffix);
}

std::string tovalidutf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Unit unit = decodeutf8(text, pos);
        if (unit.valid)
            out.append(text.substr(pos, unit.length));
        else
            appendutf8(out, U'\uFFFD');
        pos += unit.length;
    }
    return out;
}

std::string windows1252toutf8(std::string_view text) {
    if (text.size() > kMaxConverted) return {};
    // Each byte becomes at most three bytes of UTF-8 (U+20AC for 0x80 is the longest).
    std::string out(text.size() * 3 + 1, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        ucnv_convert("UTF-8", "windows-1252", out.data(), static_cast<int32_t>(out.size()),
                     text.data(), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) return {};
    out.resize(static_cast<std::size_t>(length));
    return out;
}

}  // namespace tunedeck
