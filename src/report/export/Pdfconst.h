#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quorvel {

enum class TPDFItemType : std::uint8_t {
    IT_INVALID = 0,
    IT_TEXT = 1,
    IT_NEWPAGE = 2,
    IT_GRAPHIC = 3,
    IT_IMAGE = 4
};

enum class TPDFShapeType : std::uint8_t {
    S_BOX,
    S_CIRCLE,
    S_HLINE,
    S_VLINE,
    S_OBLIQUE,
    S_TOPBOTTOM,
    S_LEFTRIGHT
};

// How fonts are written: substituted by a standard Type 1 font, embedded, or described only.
enum class TFontHandling : std::uint8_t { fhSubstitute, fhAutoEmbed, fhNoEmbedding };

struct TUniGlyph {
    char16_t Unicode;
    const char* Name;
};

// Glyph names by Unicode value, ascending.
extern const TUniGlyph UniGlyphs[];
extern const std::size_t UniGlyphCount;

// The glyph name of a character, or nullptr when the list has none.
const char* GlyphNameOf(char16_t unicode);

// The standard Type 1 families a substitution may name.
extern const char* const BaseFamilies[5];

// The code page a font's character set number stands for (1252 for the western and default sets).
int CodePageOfCharset(int charset);

// The Unicode values of the bytes 0 … 255 in a single-byte code page; nullopt when the code page
// cannot be converted here.
std::optional<std::array<char16_t, 256>> CodePageToUnicode(int codePage);

} // namespace quorvel
