#include "report/export/QrpdffiltSubset.h"

#include "platform/ByteWriter.h"
#include "platform/Exceptions.h"
#include "report/export/QrpdffiltFontFile.h"

#include <QCryptographicHash>

#include <array>
#include <string_view>
#include <vector>

namespace quorvel {

namespace {

// The tables a PDF reader needs to draw a TrueType font, in the sorted order a font's directory
// lists them.
constexpr std::array<std::string_view, 13> kKeptTables = {
    "OS/2", "cmap", "cvt ", "fpgm", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post", "prep"};

// Composite glyph flags.
constexpr std::uint16_t kArgsAreWords = 0x0001;
constexpr std::uint16_t kHaveScale = 0x0008;
constexpr std::uint16_t kMoreComponents = 0x0020;
constexpr std::uint16_t kHaveXYScale = 0x0040;
constexpr std::uint16_t kHaveTwoByTwo = 0x0080;

std::uint32_t Checksum(std::string_view bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        std::uint32_t word = 0;
        for (std::size_t b = 0; b < 4; ++b)
            word = word << 8 | (i + b < bytes.size() ? std::uint8_t(bytes[i + b]) : 0u);
        sum += word;
    }
    return sum;
}

std::uint32_t Checksum(const QByteArray& bytes) {
    return Checksum(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

QByteArray BytesOf(ByteReader table) {
    table.Seek(0);
    const auto span = table.Bytes(table.Size());
    return QByteArray(reinterpret_cast<const char*>(span.data()), qsizetype(span.size()));
}

// Adds the glyphs a composite glyph is built of to glyphs, and to pending those not seen before.
void AddComponents(ByteReader glyph, std::uint32_t glyphCount, std::set<std::uint32_t>& glyphs,
                   std::vector<std::uint32_t>& pending) {
    if (glyph.Size() < 10) return;
    if (glyph.I16BE() >= 0) return; // a simple glyph
    glyph.Seek(10);
    std::uint16_t flags = 0;
    do {
        flags = glyph.U16BE();
        const std::uint32_t component = glyph.U16BE();
        if (component >= glyphCount)
            throw Exception(
                QStringLiteral("Font glyph refers to glyph %1 of %2").arg(component).arg(glyphCount));
        if (glyphs.insert(component).second) pending.push_back(component);
        glyph.Skip(flags & kArgsAreWords ? 4 : 2);
        if (flags & kHaveScale)
            glyph.Skip(2);
        else if (flags & kHaveXYScale)
            glyph.Skip(4);
        else if (flags & kHaveTwoByTwo)
            glyph.Skip(8);
    } while (flags & kMoreComponents);
}

} // namespace

QByteArray SubsetTrueType(const QByteArray& fontFile, int index, const std::set<std::uint32_t>& wanted) {
    const ByteReader file(fontFile);
    const TTrueTypeTables tables = ReadTableDirectory(file, index);
    ByteReader head = TrueTypeTable(tables, "head");
    head.Seek(50);
    const bool longOffsets = head.I16BE() != 0;
    ByteReader maxp = TrueTypeTable(tables, "maxp");
    maxp.Seek(4);
    const std::uint32_t glyphCount = maxp.U16BE();
    ByteReader loca = TrueTypeTable(tables, "loca");
    const ByteReader glyf = TrueTypeTable(tables, "glyf");

    std::vector<std::uint32_t> offsets(glyphCount + 1);
    for (std::uint32_t& offset : offsets)
        offset = longOffsets ? loca.U32BE() : std::uint32_t(loca.U16BE()) * 2;
    const auto glyphData = [&](std::uint32_t g) {
        if (offsets[g + 1] < offsets[g]) throw Exception(QStringLiteral("Font glyph %1 is damaged").arg(g));
        return glyf.Sub(offsets[g], offsets[g + 1] - offsets[g]);
    };

    if (glyphCount == 0) throw Exception(QStringLiteral("Font has no glyphs"));
    std::set<std::uint32_t> glyphs{0};
    std::vector<std::uint32_t> pending{0};
    for (std::uint32_t g : wanted)
        if (g < glyphCount && glyphs.insert(g).second) pending.push_back(g);
    while (!pending.empty()) {
        const std::uint32_t g = pending.back();
        pending.pop_back();
        AddComponents(glyphData(g), glyphCount, glyphs, pending);
    }

    ByteWriter newGlyf;
    ByteWriter newLoca;
    for (std::uint32_t g = 0; g < glyphCount; ++g) {
        newLoca.U32BE(std::uint32_t(newGlyf.Size()));
        if (!glyphs.contains(g)) continue;
        newGlyf.Bytes(BytesOf(glyphData(g)));
        newGlyf.PadTo(4);
    }
    newLoca.U32BE(std::uint32_t(newGlyf.Size()));

    std::vector<std::pair<std::string_view, QByteArray>> kept;
    for (std::string_view tag : kKeptTables) {
        QByteArray bytes;
        if (tag == "glyf")
            bytes = newGlyf.Take();
        else if (tag == "loca")
            bytes = newLoca.Take();
        else if (const auto found = tables.find(tag); found != tables.end())
            bytes = BytesOf(found->second);
        else
            continue;
        if (tag == "head") {
            if (bytes.size() < 54) throw Exception(QStringLiteral("Font has a short 'head' table"));
            ByteWriter head(std::move(bytes));
            head.PutU32BE(8, 0);  // checksum adjustment, set below
            head.PutU16BE(50, 1); // long offsets in the new 'loca'
            bytes = head.Take();
        }
        kept.emplace_back(tag, bytes);
    }

    const auto count = std::uint16_t(kept.size());
    std::uint16_t power = 1;
    std::uint16_t selector = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++selector;
    }
    ByteWriter out;
    out.U32BE(0x00010000);
    out.U16BE(count);
    out.U16BE(std::uint16_t(power * 16));
    out.U16BE(selector);
    out.U16BE(std::uint16_t(count * 16 - power * 16));
    std::uint32_t offset = 12 + 16 * std::uint32_t(count);
    qsizetype headAt = -1;
    for (const auto& [tag, bytes] : kept) {
        out.Bytes(tag.substr(0, 4));
        out.U32BE(Checksum(bytes));
        out.U32BE(offset);
        out.U32BE(std::uint32_t(bytes.size()));
        if (tag == "head") headAt = offset;
        offset += std::uint32_t((bytes.size() + 3) / 4 * 4);
    }
    for (const auto& [tag, bytes] : kept) {
        out.Bytes(bytes);
        out.PadTo(4);
    }
    if (headAt >= 0) out.PutU32BE(headAt + 8, 0xB1B0AFBA - Checksum(out.View()));
    return out.Take();
}

QByteArray SubsetTag(const QByteArray& subset) {
    const QByteArray digest = QCryptographicHash::hash(subset, QCryptographicHash::Sha1);
    QByteArray tag;
    for (int i = 0; i < 6; ++i)
        tag.append(char('A' + std::uint8_t(digest[i]) % 26));
    return tag;
}

} // namespace quorvel
