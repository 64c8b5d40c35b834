#include "report/export/Qrpdffilt.h"

#include "platform/Exceptions.h"
#include "report/export/QrpdffiltFontObjects.h"
#include "report/export/QrpdffiltFormat.h"
#include "report/export/QrpdffiltSubset.h"

#include <QFile>
#include <QRawFont>

#include <cmath>
#include <set>

namespace quorvel {

namespace {

struct FontKey {
    QString Name;
    bool Bold = false;
    bool Italic = false;
    int Charset = 0;
    QString StyleName;
};

FontKey ParseKey(const QString& key) {
    const QStringList parts = key.split(u'\t');
    FontKey k;
    k.Name = parts.value(0);
    k.Bold = parts.value(1).contains(u'B');
    k.Italic = parts.value(1).contains(u'I');
    k.Charset = parts.value(2).toInt();
    k.StyleName = parts.value(3);
    return k;
}

std::string Latin1(const QString& text) {
    return text.toLatin1().toStdString();
}

// The glyphs a PDF reader may pick for the codes shown: through the code page's Unicode values, and
// for fonts it treats as symbolic through the codes themselves or the private-use page of a symbol
// character map.
std::set<std::uint32_t> GlyphsOfCodes(const QRawFont& raw, const std::array<bool, 256>& codes,
                                      const std::array<char16_t, 256>& table) {
    QString shown;
    for (int c = 0; c < 256; ++c) {
        if (!codes[static_cast<std::size_t>(c)]) continue;
        shown += QChar(table[static_cast<std::size_t>(c)]);
        shown += QChar(c);
        shown += QChar(0xF000 + c);
    }
    std::set<std::uint32_t> glyphs;
    for (quint32 glyph : raw.glyphIndexesForString(shown))
        if (glyph != 0) glyphs.insert(glyph);
    return glyphs;
}

} // namespace

std::vector<TQRPDFDocumentFilter::FontObjects>
TQRPDFDocumentFilter::PrepareFonts(LoadedFontFiles& files) const {
    std::vector<FontObjects> fonts(static_cast<std::size_t>(usedFonts_.size()));
    if (fontMode_ == TFontHandling::fhSubstitute) return fonts;
    for (int index = 0; index < usedFonts_.size(); ++index) {
        FontObjects& font = fonts[static_cast<std::size_t>(index)];
        const FontKey key = ParseKey(usedFonts_[index]);
        const TFontFileLocation location = FindFontFile(key.Name, key.Bold, key.Italic);
        auto loaded = files.find({location.Path, location.Index});
        if (loaded == files.end()) {
            QFile file(location.Path);
            if (location.Path.isEmpty() || !file.open(QIODevice::ReadOnly))
                throw Exception(QStringLiteral("GetFontData error"));
            LoadedFontFile read;
            read.Metrics = ReadTrueTypeMetrics(file.readAll(), location.Index);
            read.Raw = QRawFont(read.Metrics.FileBytes, 1000);
            loaded = files.emplace(std::pair{location.Path, location.Index}, std::move(read)).first;
        }
        font.File = &loaded->second;

        if (embedSubsets_) {
            // A font whose outlines cannot be cut down (damaged, or not TrueType outlines) is
            // described without its program rather than embedded broken.
            try {
                const auto codePage = CodePageToUnicode(CodePageOfCharset(key.Charset));
                const auto& table = codePage ? *codePage : *CodePageToUnicode(1252);
                font.Embedded = SubsetTrueType(
                    font.File->Metrics.FileBytes, location.Index,
                    GlyphsOfCodes(font.File->Raw, usedCodes_[static_cast<std::size_t>(index)], table));
                font.SubsetPrefix = SubsetTag(font.Embedded).toStdString() + "+";
            } catch (const Exception&) {
                font.Embedded.clear();
            }
        } else if (fontMode_ == TFontHandling::fhAutoEmbed ||
                   fontsToEmbed_.contains(key.Name, Qt::CaseInsensitive)) {
            font.Embedded = font.File->Metrics.FileBytes;
        }
    }
    return fonts;
}

void TQRPDFDocumentFilter::WriteFonts(TExportOutput& out, std::vector<qsizetype>& offsets, int firstObject,
                                      const std::vector<FontObjects>& fonts) {
    auto line = [&out](const std::string& text) { out.WriteLine(text); };
    int number = firstObject;
    auto object = [&]() {
        offsets.push_back(out.Size());
        line(std::to_string(number++) + " 0 obj");
    };

    for (int index = 0; index < usedFonts_.size(); ++index) {
        const QString& keyText = usedFonts_[index];
        const FontKey key = ParseKey(keyText);
        const std::string resource = "F" + pdf::Digits(index, 2);

        if (fontMode_ == TFontHandling::fhSubstitute) {
            QString standard = QStringLiteral("Courier");
            for (const auto& [from, to] : fontMap_) {
                if (from.startsWith(key.Name, Qt::CaseInsensitive)) {
                    const QString family = to.section(u'-', 0, 0);
                    for (const char* base : BaseFamilies)
                        if (family.compare(QLatin1String(base), Qt::CaseInsensitive) == 0)
                            standard = QLatin1String(base);
                    break;
                }
            }
            if (key.Bold || key.Italic) {
                const bool oblique = standard == u"Helvetica" || standard == u"Courier";
                standard += u'-';
                if (key.Bold) standard += QStringLiteral("Bold");
                if (key.Italic) standard += oblique ? QStringLiteral("Oblique") : QStringLiteral("Italic");
            }
            object();
            line("<<");
            line("/Type /Font");
            line("/Subtype /Type1");
            line("/Name /" + resource);
            line("/BaseFont /" + Latin1(standard));
            line("/Encoding /WinAnsiEncoding");
            line(">>");
            line("endobj");
            continue;
        }

        const FontObjects& font = fonts[static_cast<std::size_t>(index)];
        const TTrueTypeMetrics& metrics = font.File->Metrics;
        const auto codePage = CodePageToUnicode(CodePageOfCharset(key.Charset));

        std::vector<long long> widths(256, 0);
        if (const QString* custom = customWidths_.Find(key.Name)) {
            const QStringList values = custom->split(u' ', Qt::SkipEmptyParts);
            if (values.size() < 256)
                throw Exception(QStringLiteral("Not enough Custom widths (%1 < 256) for font \"%2\"  ")
                                    .arg(values.size())
                                    .arg(keyText));
            for (int c = 0; c < 256; ++c)
                widths[static_cast<std::size_t>(c)] = values[c].toLongLong();
        } else {
            const QRawFont& raw = font.File->Raw;
            if (!raw.isValid())
                throw Exception(QStringLiteral("Font widths for \"%1\" not obtainable (%2)")
                                    .arg(key.Name, QStringLiteral("the font file cannot be loaded")));
            const auto table = codePage ? *codePage : *CodePageToUnicode(1252);
            QString characters;
            for (int c = 0; c <= metrics.LastChar; ++c)
                characters += QChar(table[static_cast<std::size_t>(c)]);
            const QList<quint32> glyphs = raw.glyphIndexesForString(characters);
            const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
            for (int c = 0; c <= metrics.LastChar && c < advances.size(); ++c)
                widths[static_cast<std::size_t>(c)] = std::lround(advances[c].x());
        }

        std::string encoding;
        if (const QString* custom = customEncodings_.Find(key.Name)) {
            encoding = " <</Type/Encoding /Differences [ " + Latin1(*custom) + " ]>>";
        } else if (codePage) {
            encoding = " <</Type/Encoding /Differences [ 2 ";
            for (int c = 2; c < 256; ++c) {
                const char* glyph = GlyphNameOf((*codePage)[static_cast<std::size_t>(c)]);
                encoding += "/";
                encoding += glyph ? glyph : "space";
            }
            encoding += "]>>";
        } else {
            encoding = " <</Type/Encoding /BaseEncoding /WinAnsiEncoding>>";
        }

        const bool embed = !font.Embedded.isEmpty();
        // A subset is named after its tag, its descriptor by the same name.
        const std::string baseFont = font.SubsetPrefix + Latin1(key.StyleName);
        const std::string fontName = font.SubsetPrefix.empty() ? resource : baseFont;
        object();
        line("<<");
        line("/Type /Font");
        line("/Subtype /TrueType");
        line("/Name /" + resource);
        line("/BaseFont /" + baseFont);
        line("/FirstChar 0");
        line("/LastChar " + std::to_string(metrics.LastChar));
        line("/Widths [ ");
        std::string widthLine;
        for (long long w : widths)
            widthLine += std::to_string(w) + " ";
        line(widthLine);
        line(" ]");
        line("/Encoding " + encoding);
        line("/FontDescriptor " + std::to_string(number) + " 0 R");
        line(">>");
        line("endobj");

        object();
        line("<<");
        line("/Type /FontDescriptor");
        line("/Ascent " + std::to_string(metrics.Ascent));
        line("/Descent " + std::to_string(metrics.Descent));
        line("/Flags " + std::to_string(metrics.Flags));
        const auto& box = metrics.BoundingBox;
        line("/FontBBox [ " + std::to_string(box[0]) + " " + std::to_string(box[1]) + " " +
             std::to_string(box[2]) + " " + std::to_string(box[3]) + " ]");
        line("/FontName /" + fontName);
        line("/ItalicAngle " + std::to_string(metrics.ItalicAngle));
        if (embed) line("/FontFile2 " + std::to_string(number) + " 0 R");
        line(">>");
        line("endobj");

        if (embed) {
            const std::string length = std::to_string(number + 1);
            object();
            line("<<");
            line("/Length " + length + " 0 R /Length1 " + length + " 0 R ");
            line(">>");
            line("stream");
            const QByteArray& bytes = font.Embedded;
            out.Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            line("");
            line("endstream");
            line("endobj");
            object();
            line("   " + std::to_string(bytes.size()));
            line("endobj");
        }
    }
}

} // namespace quorvel
