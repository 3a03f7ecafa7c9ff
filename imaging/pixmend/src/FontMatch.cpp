#include "FontMatch.h"


namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};

constexpr int kNormalWeight = 400;

// Windows' Song faces give every half-width character the average width and
// every Chinese one twice that, and callers size pages by that rule. Where
// such a face is not installed, the fixed-pitch WenQuanYi face, which keeps
// the same rule, comes next.
constexpr const char* kSongFaces[] = {"宋体", "新宋体", "SimSun", "NSimSun"};
constexpr const char* kSongStandIn = "WenQuanYi Zen Hei Mono";

bool isSongFace(const std::string& face)
{
    for (const char* song : kSongFaces)
        if (FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(face.c_str()),
                               reinterpret_cast<const FcChar8*>(song)) == 0)
            return true;
    return false;
}
constexpr int kFirstBoldWeight = 600;

struct ConfigDeleter {
    void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};

// Pixmend's own fontconfig configuration, loaded once and released at exit;
// the library's implicit default one is never freed.
FcConfig* fontConfig()
{
    static const std::unique_ptr<FcConfig, ConfigDeleter> config(FcInitLoadConfigAndFonts());
    return config.get();
}

} // namespace

FontMatch::FontMatch(const MarkupFont& font)
{
    const int weight = font.weight > 0 ? font.weight : kNormalWeight;
    wantBold_ = weight >= kFirstBoldWeight;
    wantItalic_ = font.italic;

    FcConfig* config = fontConfig();
    std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
    if (!config || !pattern)
        return;
    if (!font.face.empty())
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(font.face.c_str()));
    if (isSongFace(font.face))
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(kSongStandIn));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern.get(), FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());

    FcResult result = FcResultNoMatch;
    set_.reset(FcFontSort(config, pattern.get(), FcTrue, nullptr, &result));
}

std::size_t FontMatch::size() const
{
    return set_ ? static_cast<std::size_t>(set_->nfont) : 0;
}

std::string FontMatch::file(std::size_t i) const
{
    FcChar8* path = nullptr;
    if (FcPatternGetString(candidate(i), FC_FILE, 0, &path) != FcResultMatch || !path)
        return {};
    return reinterpret_cast<const char*>(path);
}

int FontMatch::faceIndex(std::size_t i) const
{
    return intValue(i, FC_INDEX, 0);
}

bool FontMatch::covers(std::size_t i, char32_t codepoint) const
{
    FcCharSet* charset = nullptr;
    if (FcPatternGetCharSet(candidate(i), FC_CHARSET, 0, &charset) != FcResultMatch || !charset)
        return false;
    return FcCharSetHasChar(charset, codepoint) == FcTrue;
}

bool FontMatch::needsBold(std::size_t i) const
{
    return wantBold_ && intValue(i, FC_WEIGHT, FC_WEIGHT_REGULAR) < FC_WEIGHT_DEMIBOLD;
}

bool FontMatch::needsSlant(std::size_t i) const
{
    return wantItalic_ && intValue(i, FC_SLANT, FC_SLANT_ROMAN) == FC_SLANT_ROMAN;
}

int FontMatch::intValue(std::size_t i, const char* object, int fallback) const
{
    int value = fallback;
    if (FcPatternGetInteger(candidate(i), object, 0, &value) != FcResultMatch)
        return fallback;
    return value;
}
