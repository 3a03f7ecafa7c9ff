#pragma once
// The fonts that fontconfig offers for a MarkupFont, best first, with the
// characters each one covers, so that a text can take every character from
// the best font that has it.

#include <cstddef>
#include <memory>
#include <string>

#include <fontconfig/fontconfig.h>

#include "pixmend/ImageMarkup.h"

class FontMatch {
public:
    explicit FontMatch(const MarkupFont& font);

    std::size_t size() const;
    // The font file and face index of candidate `i`.
    std::string file(std::size_t i) const;
    int faceIndex(std::size_t i) const;
    // Whether candidate `i` has a glyph for `codepoint`.
    bool covers(std::size_t i, char32_t codepoint) const;
    // Whether the font must be made bold or slanted by hand because
    // candidate `i` has no such face of its own.
    bool needsBold(std::size_t i) const;
    bool needsSlant(std::size_t i) const;

private:
    struct SetDeleter {
        void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
    };

    FcPattern* candidate(std::size_t i) const { return set_->fonts[i]; }
    int intValue(std::size_t i, const char* object, int fallback) const;

    std::unique_ptr<FcFontSet, SetDeleter> set_;
    bool wantBold_ = false;
    bool wantItalic_ = false;
};
