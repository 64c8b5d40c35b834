#include "report/export/Qrpdffilt.h"

#include "platform/Exceptions.h"
#include "report/export/OutputTestFiles.h"

#include <QFile>
#include <QRegularExpression>

#include <functional>

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

void Text(TQRExportFilter& filter, double x, double y, const QString& text, const TFont& font = TFont(),
          TAlignment alignment = TAlignment::taLeftJustify) {
    filter.TextOut(x, y, font, clWhite, alignment, text);
}

QByteArray RunPdf(TQRPDFDocumentFilter& filter, const std::function<void(TQRPDFDocumentFilter&)>& pages) {
    filter.Start(2100, 2970, TFont(QStringLiteral("Arial"), 10));
    filter.EndPage();
    pages(filter);
    filter.Finish();
    return filter.Output()->Bytes();
}

// The content stream of object n.
QByteArray Stream(const QByteArray& pdf, int object) {
    const QByteArray head = QByteArray::number(object) + " 0 obj\r\n";
    const qsizetype at = pdf.indexOf(head);
    const qsizetype start = pdf.indexOf("stream\r\n", at) + 8;
    return pdf.mid(start, pdf.indexOf("endstream", start) - start);
}

} // namespace

TEST(PdfExport, TwoPagesOneFontMatchTheGoldenSkeletonAndTheirOffsets) {
    TQRPDFDocumentFilter filter{QString()};
    const QByteArray pdf = RunPdf(filter, [](TQRPDFDocumentFilter& f) {
        const TFont font(QStringLiteral("Arial"), 8);
        f.NewPage();
        Text(f, 100, 100, QStringLiteral("Proposta a(b)c\\d"), font);
        f.TextOut(100, 200, TFont(QStringLiteral("Arial"), 8, {}, clRed), clWhite, TAlignment::taLeftJustify,
                  QStringLiteral("Preço"));
        f.EndPage();
        f.NewPage();
        Text(f, 1000, 2800, QStringLiteral("página 2"), font);
        f.EndPage();
    });

    // Everything before the creation date is fixed: header, catalog, page tree, pages, streams, the
    // font and its descriptor (metrics of the installed Arial stand-in).
    const qsizetype info = pdf.indexOf("/CreationDate");
    ASSERT_GT(info, 0);
    EXPECT_EQ(pdf.left(info), ReadTestFile(QStringLiteral("output/two_pages_one_font.pdf.head")));
    EXPECT_TRUE(pdf.startsWith("%PDF-1.3\r\n\x25\xC5\xAD\x6F\x81\r\n"));

    // Objects 1 … 11 in order, each at the offset the cross-reference table gives.
    const QRegularExpression objectLine(QStringLiteral("(?m)^(\\d+) 0 obj\\r$"));
    std::vector<std::pair<int, qsizetype>> objects;
    for (auto it = objectLine.globalMatch(QString::fromLatin1(pdf)); it.hasNext();) {
        const auto m = it.next();
        objects.emplace_back(m.captured(1).toInt(), m.capturedStart());
    }
    ASSERT_EQ(objects.size(), 11u);
    const qsizetype xref = pdf.lastIndexOf("xref\r\n0 12\r\n0000000000 65535 f\r\n");
    ASSERT_GT(xref, 0);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        EXPECT_EQ(objects[i].first, static_cast<int>(i) + 1);
        const QByteArray entry = pdf.mid(xref + 32 + static_cast<qsizetype>(i) * 20, 20);
        EXPECT_EQ(entry, QByteArray::number(objects[i].second).rightJustified(10, '0') + " 00000 n\r\n");
    }
    EXPECT_TRUE(
        pdf.endsWith("trailer\r\n<<\r\n/Size 12\r\n/Root 1 0 R\r\n/Info 10 0 R\r\n>>\r\nstartxref\r\n" +
                     QByteArray::number(xref) + "\r\n%%EOF\r\n"));
    EXPECT_TRUE(pdf.contains("11 0 obj\r\n[/PDF /Text]\r\nendobj\r\n"));
}

TEST(PdfExport, PagesPastTheSpoolLimitComeBackWholeAndInOrder) {
    // 400 pages of 60 lines take about four times the spool's memory: most pages come back from
    // its temporary file.
    constexpr int kPages = 400;
    constexpr int kLines = 60;
    TQRPDFDocumentFilter filter{QString()};
    std::size_t held = 0;
    const QByteArray pdf = RunPdf(filter, [&](TQRPDFDocumentFilter& f) {
        const TFont font(QStringLiteral("Arial"), 8);
        for (int page = 1; page <= kPages; ++page) {
            f.NewPage();
            for (int line = 0; line < kLines; ++line)
                Text(f, 100, 100 + 40 * line,
                     QStringLiteral("Pagina %1 linha %2 item de proposta").arg(page).arg(line), font);
            f.EndPage();
        }
        held = f.HeldPageBytes();
    });
    EXPECT_LT(held, static_cast<std::size_t>(TQRPDFDocumentFilter::kSpoolMemoryLimit) / 4)
        << "finished pages are not held in memory";
    for (int page = 1; page <= kPages; ++page) {
        const int object = 3 + 2 * page;
        const QByteArray stream = Stream(pdf, object);
        const QByteArray head = QByteArray::number(object) + " 0 obj\r\n<< /Length ";
        const qsizetype at = pdf.indexOf(head) + head.size();
        EXPECT_EQ(pdf.mid(at, pdf.indexOf(" >>", at) - at).toInt(), stream.size()) << "page " << page;
        EXPECT_TRUE(stream.startsWith("BT\r\n0.00 0.00 0.00 rg\r\n/F00 8 Tf\r\n")) << "page " << page;
        EXPECT_TRUE(stream.endsWith(") Tj\r\nET\r\n")) << "page " << page;
        EXPECT_EQ(stream.count(" Tj\r\n"), kLines) << "page " << page;
        const QByteArray first = "(Pagina " + QByteArray::number(page) + " linha 0 ";
        const QByteArray last =
            "(Pagina " + QByteArray::number(page) + " linha " + QByteArray::number(kLines - 1) + " ";
        EXPECT_TRUE(stream.contains(first) && stream.contains(last)) << "page " << page;
    }
}

TEST(PdfExport, EmptyReportIsOnePageWithAnEmptyTextBlock) {
    TQRPDFDocumentFilter filter{QString()};
    const QByteArray pdf = RunPdf(filter, [](TQRPDFDocumentFilter&) {});
    EXPECT_TRUE(pdf.contains("/Type /Pages\r\n/Count 1\r\n/Kids [4 0 R]\r\n/MediaBox [0 0 595 841]\r\n"
                             "/Resources << \r\n/Font << \r\n  >>\r\n/ProcSet 7 0 R\r\n>>\r\n"));
    EXPECT_TRUE(pdf.contains("5 0 obj\r\n<< /Length 8 >>\r\nstream\r\nBT\r\nET\r\nendstream\r\n"));
    EXPECT_TRUE(pdf.contains("/Size 8\r\n/Root 1 0 R\r\n/Info 6 0 R\r\n"));
}

TEST(PdfExport, TextLinesAlignmentColourFontKeysAndShapes) {
    TQRPDFDocumentFilter filter{QString()};
    const TFont boldItalic(QStringLiteral("Times New Roman"), 12, TFontStyle::fsBold | TFontStyle::fsItalic);
    TExportGraphic box;
    box.Width = 100;
    box.Height = 40;
    box.Pen = TPen(clBlue, 1);
    box.Brush = TBrush(clYellow);
    TExportGraphic circle = box;
    circle.Shape = TExportShapeType::esCircle;
    circle.Brush.SetStyle(TBrushStyle::bsClear);
    TExportGraphic rule = circle;
    rule.Shape = TExportShapeType::esHorLine;
    rule.Pen = TPen(clBlack, 2);
    const QByteArray pdf = RunPdf(filter, [&](TQRPDFDocumentFilter& f) {
        f.NewPage();
        Text(f, 1000, 100, QStringLiteral("Total"), TFont(), TAlignment::taLeftJustify);
        Text(f, 1000, 200, QStringLiteral("Total"), TFont(), TAlignment::taCenter);
        Text(f, 1000, 300, QStringLiteral("Total"), TFont(), TAlignment::taRightJustify);
        Text(f, 10, 400, QStringLiteral("x"), boldItalic);
        f.AcceptShape(40, 80, box);
        f.AcceptShape(200, 80, circle);
        f.AcceptShape(0, 400, rule);
        f.EndPage();
    });
    ASSERT_EQ(filter.UsedFonts().size(), 2);
    EXPECT_EQ(filter.UsedFonts()[1], "Times New Roman\tBI\t1\tTimesNewRoman,BoldItalic");

    const QList<QByteArray> lines = Stream(pdf, 5).split('\n');
    // X = 1000 tenths = 378 px; the right-aligned text starts one text width left of it, the centred
    // one half a width.
    auto startOf = [&](int line) { return lines[line].split(' ')[5].toInt(); };
    const int left = startOf(19), centred = startOf(22), right = startOf(25);
    EXPECT_EQ(left, 283); // 378 × 0.75, truncated
    EXPECT_EQ(lines[19], " 1 0 0 1 283 803 Tm (Total) Tj\r") << "baseline 10 pt below the top, flipped";
    EXPECT_GT(left - right, 15);
    EXPECT_NEAR(left - right, 2 * (left - centred), 2); // both cut to whole pixels and points

    QByteArray graphics;
    for (int i = 0; i < 16; ++i)
        graphics += lines[i] + '\n';
    // Box at (30, 60) points, 75 × 30: filled in the brush colour, then stroked with the pen inside
    // its edges, as the page picture draws its outline; circle from its top middle clockwise; the
    // rule on the two pixel rows around the middle of its box. Pens are as wide in points as their
    // pixels are (three quarters of a point each), positions exact to two decimals and counted from
    // the media box's top (841 points).
    EXPECT_EQ(graphics, "0.75 w\r\n1.00 1.00 0.00 rg\r\n30 751 75 30 re f\r\n"
                        "0.75 w\r\n0.00 0.00 1.00 RG\r\n30.38 751.38 74.25 29.25 re s\r\n"
                        "0.75 w\r\n0.00 0.00 1.00 RG\r\n 187.5  781.0 m\r\n"
                        "208.2   781.0   225.0   774.3   225.0   766.0 c\r\n"
                        "225.0   757.7   208.2   751.0   187.5   751.0 c\r\n"
                        "166.8   751.0   150.0   757.7   150.0   766.0 c\r\n"
                        "150.0   774.3   166.8   781.0   187.5   781.0 c s\r\n"
                        "1.5 w\r\n0.00 0.00 0.00 RG\r\n0 526 m 75 526 l s\r\n");
    EXPECT_EQ(lines[16], "BT\r");
    EXPECT_EQ(lines[17], "0.00 0.00 0.00 rg\r");
    EXPECT_EQ(lines[18], "/F00 10 Tf\r");
    EXPECT_EQ(lines[27], "/F01 12 Tf\r");
}

TEST(PdfExport, FailuresSayWhatWentWrong) {
    TQRPDFDocumentFilter invalid{QString()};
    invalid.Start(2100, 2970, TFont());
    try {
        invalid.AddPDFItem(TPDFItemRec());
        FAIL() << "an invalid item was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Internal error: IT_INVALID");
    }

    TQRPDFDocumentFilter widths{QString()};
    widths.AddCustomWidths(QStringLiteral("arial"), QStringLiteral("500 600 700"));
    try {
        RunPdf(widths, [](TQRPDFDocumentFilter& f) { Text(f, 10, 10, QStringLiteral("a")); });
        FAIL() << "too few custom widths were accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Not enough Custom widths (3 < 256) for font \"Arial\t\t1\tArial\"  ");
    }
}

TEST(PdfExport, SubstitutionModeNamesStandardFontsWithOneObjectEach) {
    TQRPDFDocumentFilter filter{QString()};
    filter.SetFontMode(TFontHandling::fhSubstitute);
    filter.AddFontMap(QStringLiteral(" Verdana : Times-Roman "));
    const QByteArray pdf = RunPdf(filter, [](TQRPDFDocumentFilter& f) {
        f.NewPage();
        Text(f, 10, 10, QStringLiteral("a"),
             TFont(QStringLiteral("Arial"), 8, TFontStyle::fsBold | TFontStyle::fsItalic));
        Text(f, 10, 60, QStringLiteral("b"), TFont(QStringLiteral("Verdana"), 8, TFontStyle::fsItalic));
        Text(f, 10, 90, QStringLiteral("c"), TFont(QStringLiteral("Comic"), 8));
        f.EndPage();
    });
    EXPECT_TRUE(
        pdf.contains("6 0 obj\r\n<<\r\n/Type /Font\r\n/Subtype /Type1\r\n/Name /F00\r\n"
                     "/BaseFont /Helvetica-BoldOblique\r\n/Encoding /WinAnsiEncoding\r\n>>\r\nendobj\r\n"));
    EXPECT_TRUE(pdf.contains(
        "7 0 obj\r\n<<\r\n/Type /Font\r\n/Subtype /Type1\r\n/Name /F01\r\n/BaseFont /Times-Italic\r\n"));
    EXPECT_TRUE(pdf.contains(
        "8 0 obj\r\n<<\r\n/Type /Font\r\n/Subtype /Type1\r\n/Name /F02\r\n/BaseFont /Courier\r\n"));
    EXPECT_TRUE(pdf.contains("/Size 11\r\n/Root 1 0 R\r\n/Info 9 0 R\r\n"));
}
