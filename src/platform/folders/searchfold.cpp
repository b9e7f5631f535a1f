#include "platform/folders/searchfold.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "platform/folders/text.h"

namespace tunedeck {

std::string searchfold(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    icu::UnicodeString decomposed = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    if (nfd != nullptr && U_SUCCESS(status)) {
        icu::UnicodeString normal = nfd->normalize(decomposed, status);
        if (U_SUCCESS(status)) decomposed = normal;
    }
    std::string out;
    out.reserve(text.size());
    bool gap = false;
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        i += U16_LENGTH(c);
        if (u_charType(c) == U_NON_SPACING_MARK) continue;
        if (!u_isalnum(c)) {
            gap = !out.empty();
            continue;
        }
        if (gap) out += ' ';
        gap = false;
        appendutf8(out, static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT)));
    }
    return out;
}

}  // namespace tunedeck
