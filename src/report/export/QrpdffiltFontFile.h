#pragma once

#include "platform/ByteReader.h"

#include <map>
#include <string>
#include <string_view>

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace quorvel {

// What the PDF font objects need of an installed TrueType font: the whole file, its bounding box
// ('head') and its typographic ascent and descent ('OS/2', or 'hhea' when 'OS/2' has none) in
// thousandths of the em, the italic angle in tenths of a degree, the descriptor flags from the
// 'OS/2' family class, and the last character code of a single-byte font.
struct TTrueTypeMetrics {
    QByteArray FileBytes;
    int UnitsPerEm = 1000;
    std::array<int, 4> BoundingBox{}; // xMin, yMin, xMax, yMax
    int Ascent = 0;
    int Descent = 0;
    int ItalicAngle = 0;
    int Flags = 34;
    int LastChar = 255;
};

// The tables of one font of a TrueType file or collection, by tag.
using TTrueTypeTables = std::map<std::string, ByteReader, std::less<>>;
// Reads the table directory (index selects a font of a collection); throws EByteRangeError or
// Exception when it is damaged.
TTrueTypeTables ReadTableDirectory(const ByteReader& file, int index);
// The table with that tag; throws Exception when the font has none.
ByteReader TrueTypeTable(const TTrueTypeTables& tables, std::string_view tag);

// Reads the tables of a TrueType or OpenType file (index selects a font of a collection). Throws
// Exception with the byte offset when a table is missing or cut short.
TTrueTypeMetrics ReadTrueTypeMetrics(const QByteArray& fileBytes, int index = 0);

// The installed font file fontconfig chooses for a face name and style, with its index in a
// collection; an empty path when there is none.
struct TFontFileLocation {
    QString Path;
    int Index = 0;
};
TFontFileLocation FindFontFile(const QString& faceName, bool bold, bool italic);

} // namespace quorvel
