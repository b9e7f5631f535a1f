#include "platform/screen/fonts.h"

namespace tunedeck {

std::string matchfontfile(const std::string& family, bool bold) {
    FcPatternHandle pattern(FcPatternCreate());
    if (!pattern) return {};
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    // The designed families are sans; an uninstalled one should fall back to a sans face.
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return {};
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    FcPatternHandle match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match || result != FcResultMatch) return {};
    FcChar8* file = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || !file) return {};
    return reinterpret_cast<const char*>(file);
}

TTF_Font* FontCache::font(const FontSpec& spec, int pixelsize) {
    auto key = std::make_tuple(spec.name, spec.bold, pixelsize);
    if (auto it = fonts_.find(key); it != fonts_.end()) return it->second.get();
    auto filekey = std::make_pair(spec.name, spec.bold);
    auto fit = files_.find(filekey);
    if (fit == files_.end())
        fit = files_.emplace(filekey, matchfontfile(spec.name, spec.bold)).first;
    if (fit->second.empty()) return nullptr;
    // SDL_ttf sizes fonts in points at 72 dpi, so the point size given is the pixel size.
    TtfFont font(TTF_OpenFont(fit->second.c_str(), pixelsize));
    if (!font) return nullptr;
    TTF_Font* raw = font.get();
    fonts_.emplace(key, std::move(font));
    return raw;
}

}  // namespace tunedeck
