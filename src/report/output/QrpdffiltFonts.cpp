#include "report/output/Qrpdffilt.h"

#include "platform/Exceptions.h"
#include "report/output/QrpdffiltFontFile.h"
#include "report/output/QrpdffiltFormat.h"

#include <QFile>
#include <QRawFont>

#include <cmath>
#include <map>

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

// An installed font file read once per export, with its metrics and a raw font for the widths.
struct LoadedFont {
    TTrueTypeMetrics Metrics;
    QRawFont Raw;
};

std::string Latin1(const QString& text) {
    return text.toLatin1().toStdString();
}

} // namespace

void TQRPDFDocumentFilter::WriteFonts(TExportOutput& out, std::vector<qsizetype>& offsets, int firstObject) {
    std::map<std::pair<QString, int>, LoadedFont> files;
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

        const TFontFileLocation location = FindFontFile(key.Name, key.Bold, key.Italic);
        auto loaded = files.find({location.Path, location.Index});
        if (loaded == files.end()) {
            QFile file(location.Path);
            if (location.Path.isEmpty() || !file.open(QIODevice::ReadOnly))
                throw Exception(QStringLiteral("GetFontData error"));
            LoadedFont font;
            font.Metrics = ReadTrueTypeMetrics(file.readAll(), location.Index);
            font.Raw = QRawFont(font.Metrics.FileBytes, 1000);
            loaded = files.emplace(std::pair{location.Path, location.Index}, std::move(font)).first;
        }
        const TTrueTypeMetrics& metrics = loaded->second.Metrics;
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
            const QRawFont& raw = loaded->second.Raw;
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

        const bool embed = FontObjectCount(keyText) == 4;
        object();
        line("<<");
        line("/Type /Font");
        line("/Subtype /TrueType");
        line("/Name /" + resource);
        line("/BaseFont /" + Latin1(key.StyleName));
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
        line("/FontName /" + resource);
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
            const QByteArray& bytes = metrics.FileBytes;
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
