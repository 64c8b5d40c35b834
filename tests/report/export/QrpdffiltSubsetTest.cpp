#include "report/export/QrpdffiltSubset.h"
#include "report/export/Qrpdffilt.h"
#include "report/export/QrpdffiltFontFile.h"

#include "platform/Exceptions.h"
#include "report/export/OutputTestFiles.h"

#include <QFile>
#include <QPainterPath>
#include <QRawFont>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

QByteArray InstalledArial() {
    const TFontFileLocation location = FindFontFile(QStringLiteral("Arial"), false, false);
    QFile file(location.Path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << location.Path.toStdString();
    return file.readAll();
}

std::set<std::uint32_t> GlyphsOf(const QRawFont& font, const QString& text) {
    std::set<std::uint32_t> glyphs;
    for (quint32 g : font.glyphIndexesForString(text))
        glyphs.insert(g);
    return glyphs;
}

// Where a table of a single font file starts, and its length, from the file's directory.
std::pair<qsizetype, qsizetype> TableAt(const QByteArray& font, const char* tag) {
    const int count = qFromBigEndian<quint16>(font.constData() + 4);
    for (int i = 0; i < count; ++i) {
        const char* entry = font.constData() + 12 + 16 * i;
        if (QByteArray(entry, 4) == tag)
            return {qFromBigEndian<quint32>(entry + 8), qFromBigEndian<quint32>(entry + 12)};
    }
    ADD_FAILURE() << "no table " << tag;
    return {0, 0};
}

// Offset of glyph g's outline in 'glyf', read through 'loca'.
qsizetype GlyphAt(const QByteArray& font, std::uint32_t g) {
    const bool longOffsets = qFromBigEndian<qint16>(font.constData() + TableAt(font, "head").first + 50) != 0;
    const char* loca = font.constData() + TableAt(font, "loca").first;
    const qsizetype offset = longOffsets ? qFromBigEndian<quint32>(loca + 4 * g)
                                         : 2 * qsizetype(qFromBigEndian<quint16>(loca + 2 * g));
    return TableAt(font, "glyf").first + offset;
}

} // namespace

TEST(PdfFontSubset, KeepsTheShownGlyphsTheirComponentsAndTheFontsMetrics) {
    const QByteArray whole = InstalledArial();
    const QRawFont original(whole, 12);
    ASSERT_TRUE(original.isValid());
    const std::set<std::uint32_t> wanted = GlyphsOf(original, QStringLiteral("Aç"));
    const QByteArray subset = SubsetTrueType(whole, 0, wanted);
    EXPECT_LT(subset.size() * 5, whole.size());

    // The whole-file checksum a font's 'head' adjustment makes 0xB1B0AFBA.
    ASSERT_EQ(subset.size() % 4, 0);
    std::uint32_t sum = 0;
    for (qsizetype i = 0; i < subset.size(); i += 4)
        sum += qFromBigEndian<quint32>(subset.constData() + i);
    EXPECT_EQ(sum, 0xB1B0AFBAu);

    const QRawFont cut(subset, 12);
    ASSERT_TRUE(cut.isValid());
    const quint32 a = original.glyphIndexesForString(QStringLiteral("A")).value(0);
    const quint32 cedilla = original.glyphIndexesForString(QStringLiteral("ç")).value(0);
    const quint32 z = original.glyphIndexesForString(QStringLiteral("Z")).value(0);
    // The character map and the glyph numbers stay; only the outlines of glyphs not shown go.
    EXPECT_EQ(cut.glyphIndexesForString(QStringLiteral("AçZ")),
              original.glyphIndexesForString(QStringLiteral("AçZ")));
    EXPECT_EQ(cut.pathForGlyph(a).boundingRect(), original.pathForGlyph(a).boundingRect());
    EXPECT_EQ(cut.pathForGlyph(cedilla).boundingRect(), original.pathForGlyph(cedilla).boundingRect());
    EXPECT_FALSE(original.pathForGlyph(z).isEmpty());
    EXPECT_TRUE(cut.pathForGlyph(z).isEmpty());
    EXPECT_EQ(cut.advancesForGlyphIndexes({a, cedilla, z}),
              original.advancesForGlyphIndexes({a, cedilla, z}));

    // A composite glyph keeps the glyphs it is built of, though they were not asked for.
    const qsizetype at = GlyphAt(whole, cedilla);
    ASSERT_LT(qFromBigEndian<qint16>(whole.constData() + at), 0) << "the test font draws ç as a composite";
    const quint32 component = qFromBigEndian<quint16>(whole.constData() + at + 12);
    EXPECT_FALSE(wanted.contains(component));
    EXPECT_FALSE(cut.pathForGlyph(component).isEmpty());

    const TTrueTypeMetrics before = ReadTrueTypeMetrics(whole);
    const TTrueTypeMetrics after = ReadTrueTypeMetrics(subset);
    EXPECT_EQ(after.BoundingBox, before.BoundingBox);
    EXPECT_EQ(after.Ascent, before.Ascent);
    EXPECT_EQ(after.Descent, before.Descent);
    EXPECT_EQ(after.Flags, before.Flags);

    const QByteArray tag = SubsetTag(subset);
    EXPECT_EQ(tag.size(), 6);
    for (char c : tag)
        EXPECT_TRUE(c >= 'A' && c <= 'Z') << tag.toStdString();
    EXPECT_EQ(SubsetTag(SubsetTrueType(whole, 0, wanted)), tag);
    EXPECT_NE(SubsetTag(SubsetTrueType(whole, 0, GlyphsOf(original, QStringLiteral("B")))), tag);
}

TEST(PdfFontSubset, DamagedFontFilesAreRefusedWithAnError) {
    const QByteArray whole = InstalledArial();
    const QRawFont original(whole, 12);
    const std::set<std::uint32_t> wanted = GlyphsOf(original, QStringLiteral("Aç"));
    auto refused = [&](const QByteArray& bytes, const char* what) {
        try {
            SubsetTrueType(bytes, 0, wanted);
            ADD_FAILURE() << what << ": accepted";
        } catch (const Exception&) {
        }
    };

    for (qsizetype length : {0, 11, 60, 200, 5000, 100000})
        refused(whole.left(length), "cut short");
    refused(whole.left(whole.size() - 1), "last byte missing");

    const qsizetype locaAt = TableAt(whole, "loca").first;
    const bool longOffsets =
        qFromBigEndian<qint16>(whole.constData() + TableAt(whole, "head").first + 50) != 0;
    const quint32 a = original.glyphIndexesForString(QStringLiteral("A")).value(0);
    QByteArray backwards = whole;
    QByteArray pastEnd = whole;
    if (longOffsets) {
        qToBigEndian<quint32>(0xFFFFFFF0u, pastEnd.data() + locaAt + 4 * (a + 1));
        qToBigEndian<quint32>(0, backwards.data() + locaAt + 4 * (a + 1));
    } else {
        qToBigEndian<quint16>(0xFFF0, pastEnd.data() + locaAt + 2 * (a + 1));
        qToBigEndian<quint16>(0, backwards.data() + locaAt + 2 * (a + 1));
    }
    refused(backwards, "glyph ending before it starts");
    refused(pastEnd, "glyph past the end of its table");

    QByteArray moreGlyphs = whole;
    qToBigEndian<quint16>(0xFFFF, moreGlyphs.data() + TableAt(whole, "maxp").first + 4);
    refused(moreGlyphs, "more glyphs than 'loca' has");

    const quint32 cedilla = original.glyphIndexesForString(QStringLiteral("ç")).value(0);
    const qsizetype at = GlyphAt(whole, cedilla);
    ASSERT_LT(qFromBigEndian<qint16>(whole.constData() + at), 0) << "the test font draws ç as a composite";
    QByteArray badComponent = whole;
    qToBigEndian<quint16>(0xFFFE, badComponent.data() + at + 12);
    refused(badComponent, "component beyond the glyph count");
}

TEST(PdfFontSubset, AFontWithoutTrueTypeOutlinesIsDescribedNotEmbedded) {
    // The installed font of this name has compact outlines, which a TrueType subset cannot carry.
    ASSERT_TRUE(
        FindFontFile(QStringLiteral("Nimbus Sans"), false, false).Path.endsWith(QStringLiteral(".otf")));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mista.pdf"));
    {
        TQRPDFDocumentFilter filter(path);
        filter.SetEmbedSubsets(true);
        filter.Start(2100, 2970, TFont(QStringLiteral("Arial"), 10));
        filter.EndPage();
        filter.NewPage();
        filter.TextOut(10, 10, TFont(QStringLiteral("Nimbus Sans"), 10), clWhite, TAlignment::taLeftJustify,
                       QStringLiteral("Compacta"));
        filter.TextOut(10, 60, TFont(QStringLiteral("Arial"), 10), clWhite, TAlignment::taLeftJustify,
                       QStringLiteral("Verdadeira"));
        filter.EndPage();
        filter.Finish();
    }
    const ToolRun check = RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    EXPECT_EQ(check.ExitCode, 0) << check.Output.toStdString() << check.Errors.toStdString();
    EXPECT_FALSE(check.Output.contains("WARNING") || check.Errors.contains("WARNING"));
    const ToolRun fonts = RunTool(QStringLiteral("pdffonts"), {path});
    const QList<QByteArray> lines = fonts.Output.split('\n');
    ASSERT_GE(lines.size(), 4) << fonts.Output.toStdString();
    EXPECT_TRUE(lines[2].startsWith("NimbusSans ") && lines[2].contains(" no  no "))
        << lines[2].toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Z]{6}\\+Arial .* yes yes "))
                    .match(QString::fromLatin1(lines[3]))
                    .hasMatch())
        << lines[3].toStdString();
    const ToolRun text = RunTool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    EXPECT_TRUE(text.Output.contains("Compacta") && text.Output.contains("Verdadeira"))
        << text.Output.toStdString();
}
