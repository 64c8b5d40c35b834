// Controls read from and written back to layout files, and the helpers behind their properties.

#include "report/support/QrctrlsTestSupport.h"

#include "platform/ByteReader.h"
#include "platform/DateTimeFormat.h"
#include "report/layout/LayoutReader.h"
#include "report/layout/LayoutWriter.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>

namespace quorvel::testing {
namespace {

QByteArray Fixture(const QString& name) {
    QFile file(QStringLiteral(QUORVEL_TEST_DATA "/controls/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

template <class T> T& Find(TComponent& form, const char* name) {
    auto* found = dynamic_cast<T*>(form.FindComponent(QLatin1String(name)));
    EXPECT_TRUE(found) << name;
    return *found;
}

TEST(QrctrlsLayout, EveryControlReadsAndWritesBackByteForByte) {
    const QByteArray text = Fixture(QStringLiteral("controls.layout"));
    const std::unique_ptr<TReportForm> form = ReadLayoutForm(text);
    const QByteArray written = WriteLayout(*form);
    EXPECT_EQ(written, text);
    if (written != text) {
        QFile out(QStringLiteral("/tmp/controls-written.layout"));
        if (out.open(QIODevice::WriteOnly)) out.write(written);
    }

    const TQRLabel& title = Find<TQRLabel>(*form, "LbTitulo2");
    EXPECT_EQ(title.Caption(), QString::fromUtf8("Relatório da Digitação das Propostas"));
    EXPECT_EQ(title.Font().Size(), 14) << "the stored size wins over the rounded pixel height";
    EXPECT_TRUE(title.Font().Style().testFlag(TFontStyle::fsBold));
    EXPECT_TRUE(title.AlignToBand());
    EXPECT_TRUE(title.Frame().DrawBottom);
    const TQRSysData& page = Find<TQRSysData>(*form, "QRSysData3");
    EXPECT_EQ(page.Font().Size(), 8);
    EXPECT_EQ(page.Data(), TQRSysDataType::qrsPageNumber);
    EXPECT_EQ(page.Text(), QString::fromUtf8("Página:"));
    const TQRDBText& description = Find<TQRDBText>(*form, "DBcompl_descrM");
    EXPECT_EQ(description.DataSet(), form->FindComponent(QStringLiteral("CDSItens")));
    EXPECT_FALSE(description.AutoSize());
    EXPECT_TRUE(description.AutoStretch());
    EXPECT_EQ(description.Caption(), QStringLiteral("compl_descr"));
    EXPECT_EQ(Find<TQRMemo>(*form, "QRMemo1").Lines(), (QStringList{"Primeira linha", "Segunda"}));
    const TQRExpr& expr = Find<TQRExpr>(*form, "QRExpr1");
    EXPECT_EQ(expr.Master(), form->FindComponent(QStringLiteral("QRItem")));
    EXPECT_EQ(expr.Caption(), QStringLiteral("SUM(valor)"));
    const TQRShape& shape = Find<TQRShape>(*form, "QRShape1");
    EXPECT_EQ(shape.Shape(), TQRShapeType::qrsHorLine);
    EXPECT_EQ(shape.Pen(), TPen(clRed, 2));
    EXPECT_EQ(shape.Brush().Style(), TBrushStyle::bsClear);
    const TQRImage& image = Find<TQRImage>(*form, "QRImage1");
    ASSERT_EQ(image.Picture().GetKind(), TPicture::Kind::Bitmap);
    EXPECT_EQ(image.Picture().Bitmap().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(image.Picture().Bitmap().pixelColor(1, 1), QColor(Qt::white));
}

TEST(QrctrlsLayout, DamagedPictureDataIsAnErrorNotACrash) {
    EXPECT_THROW(ReadLayoutForm(Fixture(QStringLiteral("bad-picture.layout"))), Exception);
    TPicture picture;
    EXPECT_THROW(picture.LoadFromData(QByteArrayView("\x07TBitmap\xff\xff\xff\x7f", 12)), Exception);
    EXPECT_THROW(picture.LoadFromData(QByteArrayView("\x05TIcon", 6)), Exception);
    EXPECT_THROW(picture.LoadFromData(QByteArrayView("\x07TBitmap\x03\x00\x00\x00"
                                                     "abc",
                                                     15)),
                 Exception);
    EXPECT_TRUE(picture.Empty()) << "a failed load leaves the picture as it was";
}

// A picture's layout data: its class name as a short string, a 32-bit little-endian length for a
// bitmap, then the file bytes; a PNG carries no length. Each reads back to the same data.
TEST(QrctrlsLayout, PictureDataIsTheClassNameAnyLengthAndTheFile) {
    EXPECT_TRUE(TPicture().SaveToData().isEmpty());

    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    TPicture bitmap;
    bitmap.SetBitmap(image);
    const QByteArray data = bitmap.SaveToData();
    ASSERT_GT(data.size(), 14);
    EXPECT_EQ(data.left(8), QByteArrayView("\x07TBitmap", 8));
    ByteReader lengthOf(data);
    lengthOf.Skip(8);
    EXPECT_EQ(lengthOf.U32LE(), std::uint32_t(data.size() - 12));
    EXPECT_EQ(data.mid(12, 2), "BM");
    TPicture read;
    read.LoadFromData(data);
    EXPECT_EQ(read.Bitmap().pixelColor(2, 1), QColor(Qt::blue));
    EXPECT_EQ(read.SaveToData(), data);

    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    const QByteArray pngData = QByteArray("\x09TPngImage", 10) + png;
    TPicture pngPicture;
    pngPicture.LoadFromData(pngData);
    EXPECT_EQ(pngPicture.SaveToData(), pngData);
}

TEST(QrctrlsHelpers, DateTimeMasksFollowTheLocale) {
    const QLocale locale(QLocale::Portuguese, QLocale::Brazil);
    const QDateTime moment(QDate(2011, 3, 7), QTime(14, 5, 9, 42));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn:ss.zzz"), moment, locale),
              QStringLiteral("07/03/2011 14:05:09.042"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("d/m/yy h:mm"), moment, locale), QStringLiteral("7/3/11 14:05"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dddd, d 'de' mmmm"), moment, locale),
              QString::fromUtf8("segunda-feira, 7 de março"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("hh:nn am/pm"), moment, locale), QStringLiteral("02:05 pm"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), QDateTime(QDate(2011, 3, 7), QTime(0, 0)), locale),
              QStringLiteral("07/03/2011"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), moment, locale), QStringLiteral("07/03/2011 14:05:09"));
}

TEST(QrctrlsHelpers, RichTextGivesItsParagraphsWithoutControlWordsOrHiddenGroups) {
    const QString rtf =
        QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}"
                       "{\\*\\generator Editor;}\\f0\\fs20 Pre\\'e7o {\\b unit\\'e1rio}\\par "
                       "Linha \\{2\\} \\u8364?\\line fim}");
    EXPECT_EQ(RichTextParagraphs(rtf),
              (QStringList{QString::fromUtf8("Preço unitário"), QString::fromUtf8("Linha {2} €"), "fim"}));
    EXPECT_EQ(RichTextParagraphs(QStringLiteral("a\r\nb")), (QStringList{"a", "b"}));
    // Deep nesting and a cut-off control word end without harm.
    EXPECT_EQ(RichTextParagraphs(QStringLiteral("{\\rtf1 ") + QString(100000, QLatin1Char('{')) +
                                 QStringLiteral("x\\")),
              QStringList{"x"});
}

TEST(QrctrlsHelpers, MeasureAgreesWithTheReportsTextWidth) {
    ReportFixture f;
    const TFont fonts[] = {TFont(), TFont(QStringLiteral("Arial"), 9),
                           TFont(QStringLiteral("Arial"), 12, TFontStyle::fsBold),
                           TFont(QStringLiteral("Times New Roman"), 8, TFontStyle::fsItalic)};
    const QString texts[] = {
        QString(), QStringLiteral("W"), QString::fromUtf8("Especificação do Material – 1,0 mm"),
        QString::fromUtf8("Ação € ½ 😀 ok"),
        QString::fromUtf8("Caneta esferográfica azul-escuro com tampa anti-asfixia, corpo sextavado")};
    for (const TFont& font : fonts) {
        TTextMeasure measure(font, 96);
        EXPECT_EQ(measure.TextHeight(), f.report.TextHeight(font, QStringLiteral("W")));
        for (const QString& text : texts) {
            EXPECT_EQ(measure.TextWidth(text), f.report.TextWidth(font, text)) << text.toStdString();
            // Growing a text piece by piece gives the width of the whole.
            qsizetype half = text.size() / 2;
            if (half < text.size() && text[half].isLowSurrogate()) ++half;
            const double running =
                measure.Extend(measure.Extend(0, QStringView(text).left(half)), QStringView(text).mid(half));
            EXPECT_EQ(TTextMeasure::TextWidth(running), f.report.TextWidth(font, text));
        }
    }
}

} // namespace
} // namespace quorvel::testing
