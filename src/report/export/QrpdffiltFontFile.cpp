#include "report/export/QrpdffiltFontFile.h"

#include "platform/Rounding.h"

#include "platform/ByteReader.h"
#include "platform/Exceptions.h"
#include "platform/Font.h"

#include <fontconfig/fontconfig.h>

#include <cmath>
#include <map>
#include <memory>
#include <optional>

namespace quorvel {

TTrueTypeTables ReadTableDirectory(const ByteReader& file, int index) {
    ByteReader header = file.Sub(0, file.Size());
    std::size_t start = 0;
    if (header.Chars(4) == "ttcf") {
        header.Skip(4); // version
        const std::uint32_t count = header.U32BE();
        if (index < 0 || static_cast<std::uint32_t>(index) >= count)
            throw Exception(QStringLiteral("Font collection has no font %1").arg(index));
        header.Skip(4 * static_cast<std::size_t>(index));
        start = header.U32BE();
    }
    ByteReader directory = file.Sub(start, file.Size() - std::min(start, file.Size()));
    directory.Skip(4); // sfnt version
    const std::uint16_t numTables = directory.U16BE();
    directory.Skip(6);
    TTrueTypeTables tables;
    for (std::uint16_t i = 0; i < numTables; ++i) {
        const std::string tag(directory.Chars(4));
        directory.Skip(4); // checksum
        const std::uint32_t offset = directory.U32BE();
        const std::uint32_t length = directory.U32BE();
        tables.emplace(tag, file.Sub(offset, length));
    }
    return tables;
}

ByteReader TrueTypeTable(const TTrueTypeTables& tables, std::string_view tag) {
    const auto found = tables.find(tag);
    if (found == tables.end())
        throw Exception(QStringLiteral("Font has no '%1' table").arg(QLatin1String(tag.data(), tag.size())));
    return found->second;
}

namespace {

int FlagsOfFamilyClass(int familyClass) {
    switch (familyClass) {
    case 0:
        return 4;
    case 8:
        return 32;
    case 10:
        return 40;
    case 12:
        return 4;
    default:
        return 34;
    }
}

} // namespace

TTrueTypeMetrics ReadTrueTypeMetrics(const QByteArray& fileBytes, int index) {
    TTrueTypeMetrics metrics;
    metrics.FileBytes = fileBytes;
    try {
        const ByteReader file(fileBytes);
        const TTrueTypeTables tables = ReadTableDirectory(file, index);

        ByteReader head = TrueTypeTable(tables, "head");
        head.Seek(18);
        metrics.UnitsPerEm = head.U16BE();
        if (metrics.UnitsPerEm == 0) throw Exception(QStringLiteral("Font has no units per em"));
        // Metrics are written in the PDF's glyph space, thousandths of the em: a reader places the
        // glyphs of a font that is not embedded by these numbers.
        const double scale = 1000.0 / metrics.UnitsPerEm;
        head.Seek(36);
        for (int& v : metrics.BoundingBox)
            v = RoundHalfEven(head.I16BE() * scale);

        ByteReader hhea = TrueTypeTable(tables, "hhea");
        hhea.Seek(4);
        const int hheaAscender = hhea.I16BE();
        const int hheaDescender = hhea.I16BE();
        metrics.Ascent = RoundHalfEven(hheaAscender * scale);
        metrics.Descent = RoundHalfEven(hheaDescender * scale);

        if (const auto os2 = tables.find(std::string_view("OS/2")); os2 != tables.end()) {
            ByteReader table = os2->second;
            table.Seek(30);
            metrics.Flags = FlagsOfFamilyClass(table.U8());
            table.Seek(66);
            metrics.LastChar = std::min<int>(255, table.U16BE());
            const int typoAscender = table.I16BE();
            const int typoDescender = table.I16BE();
            if (typoAscender != 0 || typoDescender != 0) {
                metrics.Ascent = RoundHalfEven(typoAscender * scale);
                metrics.Descent = RoundHalfEven(typoDescender * scale);
            }
        }
        if (const auto post = tables.find(std::string_view("post")); post != tables.end()) {
            ByteReader table = post->second;
            table.Seek(4);
            const double degrees = table.I32BE() / 65536.0;
            metrics.ItalicAngle = RoundHalfEven(degrees * 10);
        }
    } catch (const EByteRangeError& e) {
        throw Exception(QStringLiteral("Font file is damaged at byte %1").arg(e.Offset()));
    }
    return metrics;
}

TFontFileLocation FindFontFile(const QString& faceName, bool bold, bool italic) {
    const QByteArray family = MappedFontFamily(faceName).toUtf8();
    std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(FcPatternCreate(), &FcPatternDestroy);
    if (!pattern) return {};
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> match(
        FcFontMatch(nullptr, pattern.get(), &result), &FcPatternDestroy);
    if (!match) return {};
    FcChar8* file = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || !file) return {};
    int index = 0;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
    return {QString::fromUtf8(reinterpret_cast<const char*>(file)), index};
}

} // namespace quorvel
