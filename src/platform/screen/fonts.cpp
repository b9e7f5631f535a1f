#include "platform/screen/fonts.h"

#include <algorithm>

#include "platform/lib/fontconfig/fontconfig.h"

namespace tunedeck {
namespace {

// A scalable sans pattern of the given weight, with the configuration's substitutions applied.
FcPatternHandle sanspattern(const std::string& family, bool bold) {
    FcPatternHandle pattern(FcPatternCreate());
    if (!pattern) return pattern;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    // The layout asks for sans families only; one not installed falls back to a sans face.
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return FcPatternHandle();
    FcDefaultSubstitute(pattern.get());
    return pattern;
}

FontFace faceof(FcPattern* font) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !file) return {};
    int index = 0;
    if (FcPatternGetInteger(font, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    return {reinterpret_cast<const char*>(file), index};
}

bool haschar(FcPattern* font, char32_t c) {
    FcCharSet* set = nullptr;
    return FcPatternGetCharSet(font, FC_CHARSET, 0, &set) == FcResultMatch && set &&
           FcCharSetHasChar(set, c);
}

}  // namespace

std::string matchfontfile(const std::string& family, bool bold) {
    FcPatternHandle pattern = sanspattern(family, bold);
    if (!pattern) return {};
    FcResult result = FcResultNoMatch;
    FcPatternHandle match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match || result != FcResultMatch) return {};
    return faceof(match.get()).file;
}

FontFace matchfontfor(char32_t c, bool bold) {
    FcPatternHandle pattern = sanspattern("sans-serif", bold);
    FcCharSetHandle wanted(FcCharSetCreate());
    if (!pattern || !wanted || !FcCharSetAddChar(wanted.get(), c)) return {};
    FcPatternAddCharSet(pattern.get(), FC_CHARSET, wanted.get());
    FcResult result = FcResultNoMatch;
    // Sorted by closeness to the pattern; the first face that really has the character wins.
    FcFontSetHandle sorted(FcFontSort(nullptr, pattern.get(), FcTrue, nullptr, &result));
    if (!sorted) return {};
    for (int i = 0; i < sorted->nfont; ++i)
        if (haschar(sorted->fonts[i], c)) return faceof(sorted->fonts[i]);
    return {};
}

TTF_Font* FontCache::open(const FontFace& face, int pixelsize) {
    if (face.file.empty()) return nullptr;
    auto key = std::make_pair(face, pixelsize);
    if (auto it = fonts_.find(key); it != fonts_.end()) return it->second.get();
    // SDL_ttf sizes fonts in points at 72 dpi, so the point size given is the pixel size.
    TtfFont font(TTF_OpenFontIndex(face.file.c_str(), pixelsize, face.index));
    if (!font) return nullptr;
    return fonts_.emplace(key, std::move(font)).first->second.get();
}

TTF_Font* FontCache::font(const FontSpec& spec, int pixelsize) {
    auto key = std::make_pair(spec.name, spec.bold);
    auto it = faces_.find(key);
    if (it == faces_.end())
        it = faces_.emplace(key, FontFace{matchfontfile(spec.name, spec.bold), 0}).first;
    return open(it->second, pixelsize);
}

TTF_Font* FontCache::fallback(char32_t c, bool bold, int pixelsize) {
    std::vector<FontFace>& known = fallbacks_[bold ? 1 : 0];
    for (const FontFace& face : known)
        if (TTF_Font* f = open(face, pixelsize); f && TTF_GlyphIsProvided32(f, c)) return f;
    if (unmatched_.count({c, bold})) return nullptr;
    FontFace face = matchfontfor(c, bold);
    TTF_Font* f = nullptr;
    if (std::find(known.begin(), known.end(), face) == known.end()) {
        f = open(face, pixelsize);
        if (f) known.push_back(face);
    }
    if (f && TTF_GlyphIsProvided32(f, c)) return f;
    unmatched_.insert({c, bold});
    return nullptr;
}

}  // namespace tunedeck
