#include "report/export/Qrwebfilt.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace quorvel;

namespace {

QStringList Lines(const QByteArray& bytes) {
    QString text = QString::fromLatin1(bytes);
    EXPECT_TRUE(text.endsWith(QLatin1String("\r\n")));
    text.chop(2);
    return text.split(QStringLiteral("\r\n"));
}

} // namespace

TEST(HtmlExport, SingleFileStacksPagesEscapesAndColours) {
    TQRGHTMLDocumentFilter filter{QString()};
    filter.Start(2100, 2970, TFont());
    filter.EndPage();
    filter.NewPage();
    filter.TextOut(100, 100, TFont(QStringLiteral(" Arial "), 10), clWhite, TAlignment::taLeftJustify,
                   QStringLiteral("R$ 10 & 20"));
    TExportGraphic band;
    band.Width = 718;
    band.Height = 20;
    band.Brush = TBrush(clWhite);
    band.Pen.SetStyle(TPenStyle::psClear);
    filter.AcceptShape(38, 60, band);
    filter.EndPage();
    filter.NewPage();
    filter.TextOut(100, 100,
                   TFont(QStringLiteral("Arial"), 8, TFontStyle::fsBold | TFontStyle::fsItalic, clRed),
                   clWhite, TAlignment::taLeftJustify, QStringLiteral("<b>"));
    filter.EndPage();
    filter.Finish();

    const QStringList lines = Lines(filter.Output()->Bytes());
    ASSERT_EQ(lines.size(), 14) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines.mid(0, 5), QStringList({"<html>", "<head>", " <title></title>", "</head>",
                                            "<body  bgcolor=\"#ffffff\" >"}));
    // 100 tenths = 38 px; a font whose colour value is 0 gets no colour entry.
    EXPECT_EQ(lines[5],
              "<div style=\"position:absolute;top:38px;left:38px;font-family:Arial;font-size:10pt;\">");
    EXPECT_EQ(lines[6], "R$&nbsp;10&nbsp;&amp;&nbsp;20");
    EXPECT_EQ(lines[7], "</DIV>");
    EXPECT_EQ(lines[8], "<DIV style=\"position:absolute;left:38px;top:60px;height:20px;width:718px; "
                        "background-color: #ffffff\"></div>");
    // The second page starts one A4 length (297 mm × 3.7795 px) lower: 38 + 1122.5 → 1161.
    EXPECT_EQ(lines[9], "<div style=\"position:absolute;top:1161px;left:38px;font-family:Arial;font-size:8pt;"
                        "font-style:italic;font-weight:bold;color:#ff0000;\">");
    EXPECT_EQ(lines[10], "&lt;b&gt;");
    EXPECT_EQ(lines.mid(12), QStringList({"</body>", "</html>"}));
}

TEST(HtmlExport, MultiPageFilesLinkToEachOtherAndPicturesBecomeJpegFiles) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("proposta.htm"));
    TQRGHTMLDocumentFilter filter(target);
    filter.setMultiPage(true);
    filter.setPageLinks(true);
    filter.Start(2100, 2970, TFont());
    filter.EndPage();
    for (int page = 1; page <= 2; ++page) {
        filter.NewPage();
        filter.TextOut(100, 200, TFont(), clWhite, TAlignment::taLeftJustify,
                       QStringLiteral("page %1").arg(page));
        if (page == 1) {
            TExportGraphic logo;
            logo.Kind = TExportGraphicKind::egImage;
            logo.Name = QStringLiteral("QRImage1");
            logo.Width = 40;
            logo.Height = 20;
            logo.Picture = QImage(40, 20, QImage::Format_RGB32);
            logo.Picture.fill(Qt::red);
            filter.AcceptShape(10, 20, logo);
        }
        filter.EndPage();
    }
    filter.Finish();

    ASSERT_EQ(filter.PageFiles().size(), 2);
    QFile first(dir.filePath(QStringLiteral("proposta1.html")));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    const QByteArray page1 = first.readAll();
    EXPECT_TRUE(page1.contains("<img src=\"QRImage1.jpg\" width=40 height=20>"));
    EXPECT_TRUE(page1.contains("<a href=\"proposta2.html\">Next page</a>"));
    EXPECT_FALSE(page1.contains("Previous page"));
    QFile second(dir.filePath(QStringLiteral("proposta2.html")));
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    EXPECT_TRUE(second.readAll().contains("<a href=\"proposta1.html\">Previous page</a>"));

    QImage jpeg(dir.filePath(QStringLiteral("QRImage1.jpg")), "JPG");
    ASSERT_FALSE(jpeg.isNull());
    EXPECT_EQ(jpeg.size(), QSize(40, 20));
    EXPECT_GT(qRed(jpeg.pixel(20, 10)), 200);
    EXPECT_LT(qGreen(jpeg.pixel(20, 10)), 60);
}

TEST(HtmlExport, OptionsResetWithEachFilterExceptFirstLastLinks) {
    TQRHTMLFilter component(nullptr);
    component.Options().FirstLastLinks = true;
    component.Options().MultiPage = true;
    component.Options().LinkFontName = QStringLiteral("Tahoma");
    // The filter the preview's save dialog makes through the component's entry.
    const auto entry =
        std::find_if(QRExportFilterLibrary().Filters().begin(), QRExportFilterLibrary().Filters().end(),
                     [&](const TQRExportFilterLibraryEntry& e) { return e.Component == &component; });
    ASSERT_NE(entry, QRExportFilterLibrary().Filters().end());
    const std::unique_ptr<TQRExportFilter> made = entry->Create(QString());
    auto& filter = dynamic_cast<TQRGHTMLDocumentFilter&>(*made);
    EXPECT_FALSE(filter.getMultiPage());
    EXPECT_EQ(filter.getLinkFontName(), "Arial");
    EXPECT_TRUE(filter.getFirstLastLinks());
    filter.setFirstLastLinks(false);
    EXPECT_EQ(basename(QStringLiteral("rel.atorio.htm")), "rel");
    EXPECT_EQ(basename(QStringLiteral("relatorio")), "relatorio");
}

// Options set on one filter belong to its run: the next filter, and the next run, start from the
// defaults.
TEST(HtmlExport, OptionsOfOneFilterDoNotReachTheNextRun) {
    QTemporaryDir dir;
    const auto run = [&](const QString& name, const std::function<void(TQRGHTMLDocumentFilter&)>& set) {
        TQRGHTMLDocumentFilter filter(dir.filePath(name + QStringLiteral(".htm")));
        filter.setMultiPage(true);
        filter.setPageLinks(true);
        set(filter);
        filter.Start(2100, 2970, TFont());
        filter.EndPage();
        for (int page = 1; page <= 2; ++page) {
            filter.NewPage();
            filter.TextOut(100, 200, TFont(), clWhite, TAlignment::taLeftJustify, QStringLiteral("page"));
            filter.EndPage();
        }
        filter.Finish();
        QFile first(dir.filePath(name + QStringLiteral("1.html")));
        EXPECT_TRUE(first.open(QIODevice::ReadOnly)) << name.toStdString();
        return first.readAll();
    };

    const QByteArray configured = run(QStringLiteral("a"), [](TQRGHTMLDocumentFilter& filter) {
        filter.setFirstLastLinks(true);
        filter.setFinalPage(2);
        filter.setLinkFontName(QStringLiteral("Tahoma"));
        filter.setLinkFontHeight(9);
    });
    EXPECT_TRUE(configured.contains("<a href=\"a2.html\">Last page</a>"));
    EXPECT_TRUE(configured.contains("font-family:Tahoma;font-size:9pt;"));

    bool firstLastLinks = true;
    const QByteArray plain = run(QStringLiteral("b"), [&](TQRGHTMLDocumentFilter& filter) {
        firstLastLinks = filter.getFirstLastLinks();
        EXPECT_EQ(filter.getFinalPage(), 0);
    });
    EXPECT_FALSE(firstLastLinks);
    EXPECT_TRUE(plain.contains("<a href=\"b2.html\">Next page</a>"));
    EXPECT_FALSE(plain.contains("Last page"));
    EXPECT_TRUE(plain.contains("font-family:Arial;font-size:12pt;"));

    // Filters made through a component's entry take the component's setting, not a previous filter's.
    TQRHTMLFilter component(nullptr);
    EXPECT_FALSE(TQRGHTMLDocumentFilter(QString()).getFirstLastLinks());
    const auto entry =
        std::find_if(QRExportFilterLibrary().Filters().begin(), QRExportFilterLibrary().Filters().end(),
                     [&](const TQRExportFilterLibraryEntry& e) { return e.Component == &component; });
    ASSERT_NE(entry, QRExportFilterLibrary().Filters().end());
    EXPECT_FALSE(dynamic_cast<TQRGHTMLDocumentFilter&>(*entry->Create(QString())).getFirstLastLinks());
}
