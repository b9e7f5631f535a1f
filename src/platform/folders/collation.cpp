#include "platform/folders/collation.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uscript.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/folders/text.h"

namespace tunedeck {

namespace {

// Longest part of a name that is keyed; names beyond it are told apart by their raw bytes.
constexpr std::size_t kMaxKeyedBytes = 64 * 1024;
// Room on the stack for a name of the longest file name (255 bytes) and its key.
constexpr std::size_t kShortName = 256;
constexpr std::size_t kShortKey = 1024;

// A name in UTF-16 for ICU: on the stack when short, as every file name is. Invalid bytes become
// U+FFFD, so a name that is not UTF-8 still sorts.
class Utf16Name {
  public:
    explicit Utf16Name(std::string_view text) {
        text = text.substr(0, kMaxKeyedBytes);
        const bool fits = text.size() <= short_.size();
        if (!fits) long_.resize(text.size());  // never more UTF-16 units than UTF-8 bytes
        char16_t* out = fits ? short_.data() : long_.data();
        const std::size_t capacity = fits ? short_.size() : long_.size();
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8WithSub(out, static_cast<int32_t>(capacity), &length, text.data(),
                             static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
        view_ = U_FAILURE(status) ? std::u16string_view()
                                  : std::u16string_view(out, static_cast<std::size_t>(length));
    }
    Utf16Name(const Utf16Name&) = delete;
    Utf16Name& operator=(const Utf16Name&) = delete;

    std::u16string_view view() const { return view_; }

  private:
    std::array<char16_t, kShortName> short_;
    std::u16string long_;
    std::u16string_view view_;
};

// One collator of ICU's root collation at a given strength, with digits compared by value.
// Invalid (keys are empty) when the collation data cannot be loaded.
class Collator {
  public:
    explicit Collator(UColAttributeValue strength) {
        UErrorCode status = U_ZERO_ERROR;
        collator_.adoptInstead(ucol_open("", &status));
        if (U_FAILURE(status)) {
            collator_.adoptInstead(nullptr);
            return;
        }
        ucol_setStrength(collator_.getAlias(), strength);
        ucol_setAttribute(collator_.getAlias(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    }

    bool valid() const { return collator_.isValid(); }

    std::string key(std::u16string_view text) const {
        if (!valid()) return {};
        std::array<uint8_t, kShortKey> buffer;
        const int32_t needed = getkey(text, buffer.data(), buffer.size());
        if (needed <= 0) return {};
        // The key without its final zero.
        if (static_cast<std::size_t>(needed) <= buffer.size())
            return std::string(reinterpret_cast<const char*>(buffer.data()),
                               static_cast<std::size_t>(needed) - 1);
        std::string key(static_cast<std::size_t>(needed), '\0');
        getkey(text, reinterpret_cast<uint8_t*>(key.data()), key.size());
        key.pop_back();
        return key;
    }

  private:
    // The key's length with its final zero; the key is written only when it fits.
    int32_t getkey(std::u16string_view text, uint8_t* key, std::size_t size) const {
        return ucol_getSortKey(collator_.getAlias(), text.data(), static_cast<int32_t>(text.size()),
                               key, static_cast<int32_t>(size));
    }

    icu::LocalUCollatorPointer collator_;
};

bool islatinletter(char32_t c) {
    UErrorCode status = U_ZERO_ERROR;
    const auto cp = static_cast<UChar32>(c);
    return u_isalpha(cp) && uscript_getScript(cp, &status) == USCRIPT_LATIN && U_SUCCESS(status);
}

// The two collators the lists need: the full one for sorting, and one that compares letters
// only (no accents, no case) for finding a name's base letter.
class Collation {
  public:
    Collation() : sorting_(UCOL_TERTIARY), letters_(UCOL_PRIMARY) {
        for (char c = 'A'; c <= 'Z'; ++c)
            letterkeys_[static_cast<std::size_t>(c - 'A')] = letters_.key(std::u16string(1, c));
    }

    std::string key(std::string_view name) const { return sorting_.key(Utf16Name(name).view()); }

    char baseletter(std::string_view name) const {
        if (name.empty()) return 0;
        const Utf8Unit first = decodeutf8(name, 0);
        if (!first.valid || !islatinletter(first.codepoint)) return 0;
        if (!letters_.valid()) return asciiletter(first.codepoint);
        // The last of A..Z that does not sort after the first character, letters only: "ł"
        // compares equal to "L", "æ" (read as "ae") and "þ" (after "z") come after their letter.
        const std::string key = letters_.key(Utf16Name(name.substr(0, first.length)).view());
        const auto after = std::upper_bound(letterkeys_.begin(), letterkeys_.end(), key);
        if (after == letterkeys_.begin()) return 0;
        return static_cast<char>('A' + (after - letterkeys_.begin() - 1));
    }

  private:
    static char asciiletter(char32_t c) {
        if (c >= U'a' && c <= U'z') return static_cast<char>(c - U'a' + U'A');
        return (c >= U'A' && c <= U'Z') ? static_cast<char>(c) : 0;
    }

    Collator sorting_;
    Collator letters_;
    std::array<std::string, 26> letterkeys_;
};

// Opened once and never changed afterwards: read-only shared state.
const Collation& collation() {
    static const Collation kCollation;
    return kCollation;
}

}  // namespace

std::string collationkey(std::string_view name) {
    return collation().key(name);
}

char baseletter(std::string_view name) {
    return collation().baseletter(name);
}

}  // namespace tunedeck
