#include "platform/CanvasPainter.h"
#include "platform/Metafile.h"
#include "platform/MetafileCanvas.h"

#include <QFontInfo>
#include <QPainter>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(CanvasText, FaceNamesMapToTheirInstalledTwins) {
    auto family = [](const char* face) {
        return QFontInfo(TFont(QString::fromLatin1(face), 10).ToQFont(96)).family();
    };
    EXPECT_EQ(family("Arial"), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(family("Times New Roman"), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(family("Courier New"), QStringLiteral("Liberation Mono"));
    EXPECT_EQ(family("Tahoma"), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(MappedFontFamily(QStringLiteral("DejaVu Serif")), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(MappedFontFamily(QStringLiteral("No Such Face 123")), QStringLiteral("Liberation Sans"));
}

TEST(CanvasText, MetricsFollowTheResolutionAndTheFont) {
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    TPainterCanvas screen(painter, 96);
    TPainterCanvas printer(painter, 600);
    screen.SetFont(TFont(QStringLiteral("Arial"), 10));
    printer.SetFont(screen.Font());
    EXPECT_EQ(screen.Font().PixelHeight(96), 13);
    EXPECT_EQ(printer.Font().PixelHeight(600), 83);

    const draw::TextMetrics& m = screen.TextMetrics();
    EXPECT_EQ(m.height, m.ascent + m.descent);
    EXPECT_EQ(screen.TextHeight(QStringLiteral("W")), m.height);
    EXPECT_EQ(screen.TextHeight(QString()), m.height);
    EXPECT_GE(m.height, 13);
    EXPECT_LE(m.height, 16);
    // The cell grows with the resolution (83 / 13 ≈ 6.4 times), give or take rounding.
    EXPECT_NEAR(double(printer.TextHeight(QStringLiteral("W"))) / m.height, 83.0 / 13, 0.5);

    EXPECT_EQ(screen.TextWidth(QString()), 0);
    const int one = screen.TextWidth(QStringLiteral("0"));
    EXPECT_GT(one, 0);
    // A prefix measures exactly where the rest of the text is placed after it, so lines measured piece
    // by piece add up.
    const QString digits = QStringLiteral("0123456789");
    const std::vector<std::int32_t> digitAdvances = screen.CharacterAdvances(digits);
    int placed = 0;
    for (qsizetype k = 1; k <= digits.size(); ++k) {
        placed += digitAdvances[std::size_t(k - 1)];
        EXPECT_EQ(screen.TextWidth(digits.left(k)), placed) << k;
    }
    EXPECT_NEAR(placed, 10 * one, 5);
    // Metric twins: Liberation Mono advances are the same for every character.
    screen.SetFont(TFont(QStringLiteral("Courier New"), 10));
    EXPECT_EQ(screen.TextWidth(QStringLiteral("iiii")), screen.TextWidth(QStringLiteral("WWWW")));
    // Bold text is wider than regular text.
    screen.SetFont(TFont(QStringLiteral("Arial"), 10));
    const int regular = screen.TextWidth(QStringLiteral("Proposta de Preços"));
    screen.Font().SetStyle(TFontStyle::fsBold);
    EXPECT_GT(screen.TextWidth(QStringLiteral("Proposta de Preços")), regular);
    // A surrogate pair: the second unit advances 0.
    const std::vector<std::int32_t> advances = screen.CharacterAdvances(QString::fromUtf8("a\xF0\x9F\x98\x80"
                                                                                          "b"));
    ASSERT_EQ(advances.size(), 4u);
    EXPECT_EQ(advances[2], 0);
}

TEST(CanvasText, RecorderAndPainterMeasureAlike) {
    TMetafile picture;
    picture.SetPixelsPerInch(96);
    TMetafileCanvas recorder(picture);
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    TPainterCanvas direct(painter, 96);
    for (const char* face : {"Arial", "Times New Roman", "Courier New", "Tahoma"}) {
        const TFont font(QString::fromLatin1(face), 9, TFontStyle::fsItalic);
        recorder.SetFont(font);
        direct.SetFont(font);
        const QString text = QStringLiteral("Descrição do Lote nº 7");
        EXPECT_EQ(recorder.CharacterAdvances(text), direct.CharacterAdvances(text)) << face;
        EXPECT_EQ(recorder.TextHeight(text), direct.TextHeight(text)) << face;
    }
}

TEST(CanvasText, SavedStateRestoresFontPenBrushAndAlignment) {
    TMetafile picture;
    TMetafileCanvas canvas(picture);
    canvas.SetFont(TFont(QStringLiteral("Arial"), 10));
    canvas.Pen().SetWidth(2);
    canvas.Brush().SetColor(clRed);
    canvas.SetTextAlign(TA_RIGHT);
    canvas.SaveState();
    canvas.SetFont(TFont(QStringLiteral("Tahoma"), 20));
    canvas.Pen().SetWidth(5);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.SetTextAlign(TA_CENTER);
    canvas.RestoreState();
    EXPECT_EQ(canvas.Font(), TFont(QStringLiteral("Arial"), 10));
    EXPECT_EQ(canvas.Pen().Width(), 2);
    EXPECT_EQ(canvas.Brush(), TBrush(clRed));
    EXPECT_EQ(canvas.TextAlign(), TA_RIGHT);
}

} // namespace
} // namespace quorvel
