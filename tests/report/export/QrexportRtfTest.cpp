#include "report/export/Qrexport.h"

#include "report/export/RtfPageReading.h"
#include "report/support/ReportTestSupport.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

QStringList Lines(const TQRRTFExportFilter& filter) {
    QString text = QString::fromLatin1(filter.Output()->Bytes());
    EXPECT_TRUE(text.endsWith(QLatin1String("\r\n")));
    text.chop(2);
    return text.split(QStringLiteral("\r\n"));
}

int IndexOf(const TQRRTFExportFilter& filter, const QString& face) {
    const auto& fonts = filter.SystemFonts();
    for (std::size_t i = 0; i < fonts.size(); ++i)
        if (fonts[i].Name == face) return static_cast<int>(i);
    return -1;
}

} // namespace

TEST(RtfExport, HeaderTablesSlotsTabsColoursAndPageBreaks) {
    TQRRTFExportFilter filter{QString()};
    filter.Start(2100, 2970, TFont());
    EXPECT_EQ(filter.LineSlots(), 842);
    filter.EndPage(); // before the first page: no slots, nothing written

    filter.NewPage();
    const TFont red(QStringLiteral("Arial"), 10, {}, clRed);
    const TFont bold(QStringLiteral("Arial"), 12, TFontStyle::fsBold, RGBColor(1, 2, 3));
    filter.TextOut(1000, 503.0, bold, clWhite, TAlignment::taRightJustify, QStringLiteral("R$ 10,00"));
    filter.TextOut(600, 501.5, red, clWhite, TAlignment::taCenter, QStringLiteral("{a}\\b"));
    filter.TextOut(200, 500.0, red, clWhite, TAlignment::taLeftJustify, QStringLiteral("Preço"));
    filter.TextOut(200, 2980, red, clWhite, TAlignment::taLeftJustify, QStringLiteral("below the page"));
    filter.EndPage();
    filter.NewPage();
    filter.EndPage();
    filter.Finish();

    const QStringList lines = Lines(filter);
    ASSERT_EQ(lines.size(), 10) << lines.join(QLatin1Char('\n')).toStdString();
    const int arial = IndexOf(filter, QStringLiteral("Arial"));
    ASSERT_GE(arial, 0) << "Arial stands in the font table for its installed twin";
    EXPECT_TRUE(lines[0].startsWith(QLatin1String(
        "{\\rtf1\\ansi\\deff0\\deftab720\\margl720\\margr720\\margt720\\margb720{\\fonttbl{\\f0")));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("{\\f%1\\fswiss Arial;}").arg(arial)));
    EXPECT_TRUE(lines[0].endsWith(QLatin1String(";}}")));
    EXPECT_EQ(lines[1],
              "{\\colortbl\\red0\\green0\\blue0;\\red128\\green0\\blue0;\\red0\\green128\\blue0;"
              "\\red128\\green128\\blue0;\\red0\\green0\\blue128;\\red128\\green0\\blue128;"
              "\\red0\\green128\\blue128;\\red128\\green128\\blue128;\\red192\\green192\\blue192;"
              "\\red255\\green0\\blue0;\\red0\\green255\\blue0;\\red255\\green255\\blue0;"
              "\\red0\\green0\\blue255;\\red255\\green0\\blue255;\\red0\\green255\\blue255;"
              "\\red192\\green192\\blue192;\\red128\\green128\\blue128;\\red255\\green255\\blue255;}");
    EXPECT_EQ(lines[2], "\\deflang1033");
    // Slot 142 (500.0 and 501.5) holds two texts, left to right; the gap from the top margin
    // (720 twips = 127 tenths) is (500 − 127) × 1440 ÷ 254 − 50 twips.
    EXPECT_EQ(lines[3], "\\pard\\plain\\sb2065\\tql\\tx434\\tqc\\tx2702");
    const QString f = QStringLiteral("\\f%1").arg(arial);
    EXPECT_EQ(lines[4],
              QStringLiteral("{\\plain\\tab\\plain%1\\fs20\\cf9 Pre\u00e7o\\tab\\plain%1\\fs20\\cf9 "
                             "\\{a\\}\\\\b{\\fs1\\par}}")
                  .arg(f));
    // Slot 143: the gap of 3 tenths is less than the largest size so far, so no spacing; the right
    // tab sits at the text's right edge; a colour outside the table gets no colour word.
    EXPECT_EQ(lines[5], "\\pard\\plain\\tqr\\tx4969");
    EXPECT_EQ(lines[6], QStringLiteral("{\\plain\\tab\\plain%1\\fs24\\b R$ 10,00{\\fs1\\par}}").arg(f));
    EXPECT_EQ(lines[7], "{\\page }") << "the empty second page writes only its page break";
    EXPECT_EQ(lines[8], "\\pard\\plain") << "the closing paragraph keeps no spacing of the last line";
    EXPECT_EQ(lines[9], "\\par }");
}

TEST(RtfExport, SlotItemsStayInAscendingXWithLaterEqualsAfter) {
    TQRRTFLineItem slot;
    for (auto [x, text] : {std::pair{50.0, "b"}, {10.0, "a"}, {50.0, "c"}, {90.0, "d"}}) {
        TQRRTFItem item;
        item.X = x;
        item.Text = text;
        slot.Add(item);
    }
    std::string order;
    for (const auto& item : slot.Items())
        order += item.Text;
    EXPECT_EQ(order, "abcd");
}

TEST(RtfExport, SystemFontsAreSortedWithoutRegardToCase) {
    TQRRTFExportFilter filter{QString()};
    filter.Start(2100, 2970, TFont());
    const auto& fonts = filter.SystemFonts();
    ASSERT_FALSE(fonts.empty());
    for (std::size_t i = 1; i < fonts.size(); ++i)
        EXPECT_LE(fonts[i - 1].Name.compare(fonts[i].Name, Qt::CaseInsensitive), 0);
    filter.Finish();
}

TEST(RtfExport, PaperAndMarginsAreTheReportPagesReadBackInMillimetres) {
    using quorvel::testing::PageCase;
    for (const PageCase& c :
         {PageCase{"portrait", TPrinterOrientation::poPortrait, {210, 297, 20, 10, 15, 12.5}},
          PageCase{"landscape", TPrinterOrientation::poLandscape, {297, 210, 7.5, 25.4, 0, 40}}}) {
        quorvel::testing::ReportFixture f;
        c.ApplyTo(f.report.Page());
        TQRRTFExportFilter filter{QString()};
        filter.SetReport(&f.report);
        filter.Start(2100, 2970, TFont());
        filter.NewPage();
        filter.TextOut(200, 500, TFont(QStringLiteral("Arial"), 10), clWhite, TAlignment::taLeftJustify,
                       QStringLiteral("Texto"));
        filter.EndPage();
        filter.Finish();

        const quorvel::testing::RtfPage read = quorvel::testing::ReadRtfPage(filter.Output()->Bytes());
        // Whole twips: each value within half a twip of the report's.
        quorvel::testing::ExpectPage(c, quorvel::testing::InMillimetres(read), 25.4 / 1440 / 2);
        EXPECT_EQ(read.Landscape, c.Orientation == TPrinterOrientation::poLandscape);
    }

    // Without a report the page has no paper and margins of half an inch.
    TQRRTFExportFilter filter{QString()};
    filter.Start(2100, 2970, TFont());
    filter.Finish();
    const quorvel::testing::RtfPage read = quorvel::testing::ReadRtfPage(filter.Output()->Bytes());
    EXPECT_FALSE(read.PaperWidth || read.PaperHeight || read.Landscape);
    for (const std::optional<int>& margin : {read.Left, read.Right, read.Top, read.Bottom})
        EXPECT_EQ(margin, std::optional<int>(720));
}
