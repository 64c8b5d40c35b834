#pragma once

#include <QByteArray>

#include <cstdint>
#include <set>

namespace quorvel {

// A TrueType font (index selects a font of a collection) cut down to the glyphs given, the glyphs
// their composites are built of and glyph 0: every other glyph keeps its number but has no outline,
// so the font's character map and metrics stay valid. Only the tables a PDF reader draws with are
// kept. Throws EByteRangeError or Exception when the font file is damaged.
QByteArray SubsetTrueType(const QByteArray& fontFile, int index, const std::set<std::uint32_t>& glyphs);

// A subset's six-capital-letter tag, derived from its bytes so that one subset always gets one tag.
QByteArray SubsetTag(const QByteArray& subset);

} // namespace quorvel
