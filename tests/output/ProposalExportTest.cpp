// A real report exported through ExportToFilter, its files opened with the programs people open them
// with and compared with the page pictures the same report generates for the preview.

#include "report/output/Qrexport.h"
#include "report/output/Qrpdffilt.h"
#include "report/output/Qrwebfilt.h"

#include "output/ExternalReaders.h"
#include "output/OutputTestFiles.h"
#include "output/ProposalReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvel;
using quorvel::testing::ProposalReport;

namespace {

// Same threshold as the readers' test of hand-fed pages: glyph rendering stays well below it, a
// missing or moved text or picture goes above it. The PDF's thin lines are drawn a point wide and
// at whole points, so its pages are compared tile by tile for ink that the other picture lacks.
constexpr double kSamePage = 0.08;

void ExpectInOrder(const QString& text, const QStringList& expected, const char* reader) {
    qsizetype at = 0;
    for (const QString& t : expected) {
        if (t.trimmed().isEmpty()) continue;
        const qsizetype found = text.indexOf(t, at);
        EXPECT_GE(found, at) << reader << ": missing or out of order: " << t.toStdString();
        if (found >= 0) at = found + t.size();
    }
}

QImage RenderPdfPage(const QString& pdf, const QString& dir, int page) {
    const QString prefix =
        QDir(dir).filePath(QStringLiteral("%1_page%2").arg(QFileInfo(pdf).completeBaseName()).arg(page));
    const ToolRun run = RunTool(QStringLiteral("pdftoppm"),
                                {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                                 QStringLiteral("-singlefile"), QStringLiteral("-f"), QString::number(page),
                                 QStringLiteral("-l"), QString::number(page), pdf, prefix});
    EXPECT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
    return QImage(prefix + QStringLiteral(".png"));
}

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

} // namespace

TEST(ProposalExport, PdfOfAReportChecksCleanReadsInOrderAndLooksLikeItsPreview) {
    ProposalReport proposal;
    const std::vector<QImage> pictures = proposal.PagePictures();
    ASSERT_EQ(pictures.size(), 2u);
    const QStringList texts = proposal.PageTexts();
    ASSERT_TRUE(texts.contains(QStringLiteral("Página:2")));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("proposta.pdf"));
    {
        TQRPDFDocumentFilter filter(path);
        proposal.table.First();
        proposal.report.ExportToFilter(filter);
        EXPECT_EQ(filter.PageCount(), 2);
    }
    const ToolRun check = RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    EXPECT_EQ(check.ExitCode, 0) << check.Output.toStdString() << check.Errors.toStdString();
    EXPECT_TRUE(check.Output.contains("No syntax or stream encoding errors found"));
    EXPECT_FALSE(check.Output.contains("WARNING") || check.Errors.contains("WARNING"))
        << check.Errors.toStdString();

    const ToolRun text =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    ASSERT_EQ(text.ExitCode, 0) << text.Errors.toStdString();
    ExpectInOrder(QString::fromUtf8(text.Output), texts, "pdftotext");

    const ToolRun fonts = RunTool(QStringLiteral("pdffonts"), {path});
    ASSERT_EQ(fonts.ExitCode, 0);
    EXPECT_TRUE(fonts.Output.contains("Arial ")) << fonts.Output.toStdString();
    EXPECT_TRUE(fonts.Output.contains("Arial,Bold")) << fonts.Output.toStdString();

    // Each page looks like its page picture (the silver column header, its frame, the picture, the
    // rules and the texts where the preview shows them), and not like the other page. A tile or two
    // may differ where glyph rendering differs (a cedilla); a missing or moved text line spans many.
    std::vector<QImage> rendered;
    for (int page = 1; page <= 2; ++page) {
        const QImage render = RenderPdfPage(path, dir.path(), page);
        ASSERT_FALSE(render.isNull());
        // The media box is in whole points, a little smaller than the page picture.
        rendered.push_back(
            render.scaled(pictures[0].size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        const auto mismatches =
            quorvel::testing::InkMismatches(pictures[std::size_t(page - 1)], rendered.back());
        EXPECT_LE(mismatches.size(), 2u)
            << "page " << page << ": " << mismatches.size() << " tiles, first at "
            << (mismatches.empty() ? 0 : mismatches[0].Tile.x()) << ","
            << (mismatches.empty() ? 0 : mismatches[0].Tile.y());
    }
    EXPECT_GT(quorvel::testing::InkMismatches(pictures[1], rendered[0]).size(), 10u);

    // The picture was drawn at the size of its box, and the white header band went under it.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const qsizetype image = bytes.indexOf("BI\r\n/Width 60\r\n/Height 30");
    ASSERT_GE(image, 0);
    const qsizetype whiteFill = bytes.indexOf("1.00 1.00 1.00 rg");
    ASSERT_GE(whiteFill, 0);
    EXPECT_LT(whiteFill, image);
}

TEST(ProposalExport, PdfWithSubsetFontsListsThemEmbeddedAndReadsAndDrawsAsWithout) {
    ProposalReport proposal;
    const std::vector<QImage> pictures = proposal.PagePictures();
    ASSERT_EQ(pictures.size(), 2u);
    const QStringList texts = proposal.PageTexts();

    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("sem_fontes.pdf"));
    const QString whole = dir.filePath(QStringLiteral("inteira.pdf"));
    const QString subset = dir.filePath(QStringLiteral("subconjunto.pdf"));
    auto exportTo = [&](const QString& path, auto configure) {
        TQRPDFDocumentFilter filter(path);
        configure(filter);
        proposal.table.First();
        proposal.report.ExportToFilter(filter);
    };
    exportTo(plain, [](TQRPDFDocumentFilter& f) { EXPECT_FALSE(f.EmbedSubsets()); });
    exportTo(whole, [](TQRPDFDocumentFilter& f) { f.SetFontMode(TFontHandling::fhAutoEmbed); });
    exportTo(subset, [](TQRPDFDocumentFilter& f) { f.SetEmbedSubsets(true); });

    const ToolRun check = RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), subset});
    EXPECT_EQ(check.ExitCode, 0) << check.Output.toStdString() << check.Errors.toStdString();
    EXPECT_TRUE(check.Output.contains("No syntax or stream encoding errors found"));
    EXPECT_FALSE(check.Output.contains("WARNING") || check.Errors.contains("WARNING"));

    // Both fonts are embedded subsets under a tagged name, taking far fewer bytes than the whole files.
    const ToolRun fonts = RunTool(QStringLiteral("pdffonts"), {subset});
    ASSERT_EQ(fonts.ExitCode, 0) << fonts.Errors.toStdString();
    const QRegularExpression row(
        QStringLiteral("^[A-Z]{6}\\+Arial(,Bold)?\\s+TrueType\\s+\\S+\\s+yes\\s+yes\\s"));
    QStringList names;
    for (const QByteArray& line : fonts.Output.split('\n'))
        if (line.contains("TrueType")) {
            EXPECT_TRUE(row.match(QString::fromLatin1(line)).hasMatch()) << line.toStdString();
            names.append(QString::fromLatin1(line.left(line.indexOf(' '))));
        }
    ASSERT_EQ(names.size(), 2) << fonts.Output.toStdString();
    EXPECT_NE(names[0].left(6), names[1].left(6));
    const qint64 plainSize = QFileInfo(plain).size();
    EXPECT_LT((QFileInfo(subset).size() - plainSize) * 3, QFileInfo(whole).size() - plainSize);

    // The glyphs kept are the ones the pages need: the texts read back, and each page is drawn as
    // the file without embedded fonts draws it.
    const ToolRun text =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), subset, QStringLiteral("-")});
    ASSERT_EQ(text.ExitCode, 0) << text.Errors.toStdString();
    ExpectInOrder(QString::fromUtf8(text.Output), texts, "pdftotext");
    for (int page = 1; page <= 2; ++page) {
        const QImage withFonts = RenderPdfPage(subset, dir.path(), page);
        const QImage withoutFonts = RenderPdfPage(plain, dir.path(), page);
        ASSERT_FALSE(withFonts.isNull());
        ASSERT_EQ(withFonts.size(), withoutFonts.size());
        EXPECT_TRUE(quorvel::testing::InkMismatches(withoutFonts, withFonts).empty()) << "page " << page;
        EXPECT_LE(quorvel::testing::InkMismatches(
                      pictures[std::size_t(page - 1)],
                      withFonts.scaled(pictures[0].size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
                      .size(),
                  2u)
            << "page " << page;
    }
}

TEST(ProposalExport, HtmlOfAReportLoadsInTheBrowserLooksLikeItsPreviewAndLinksItsPages) {
    ProposalReport proposal;
    const std::vector<QImage> pictures = proposal.PagePictures();
    ASSERT_EQ(pictures.size(), 2u);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("proposta.htm"));
    {
        TQRGHTMLDocumentFilter filter(path);
        proposal.table.First();
        proposal.report.ExportToFilter(filter);
    }
    const QString html = ReadText(path);
    EXPECT_TRUE(html.contains(QStringLiteral("background-color: #c0c0c0"))) << html.left(3000).toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("nº&nbsp;7&nbsp;&amp;&nbsp;cia")));
    EXPECT_TRUE(html.contains(QStringLiteral("<img src=\"ImgBrasao.jpg\" width=60 height=30>")))
        << html.left(3000).toStdString();
    EXPECT_FALSE(QImage(dir.filePath(QStringLiteral("ImgBrasao.jpg"))).isNull());
    // The column header's silver block comes before its texts, which would otherwise be covered.
    EXPECT_LT(html.indexOf(QStringLiteral("#c0c0c0")), html.indexOf(QStringLiteral("Descri")));

    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    const ToolRun run = RunTool(
        QStringLiteral("chromium"),
        {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
         QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
         QStringLiteral("--disable-sync"), QStringLiteral("--no-first-run"),
         QStringLiteral("--user-data-dir=") + dir.filePath(QStringLiteral("profile")),
         QStringLiteral("--hide-scrollbars"), QStringLiteral("--enable-logging=stderr"),
         QStringLiteral("--window-size=%1,%2").arg(pictures[0].width()).arg(pictures[0].height()),
         QStringLiteral("--screenshot=") + shot, QStringLiteral("file://") + path},
        120000);
    ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
    EXPECT_FALSE(run.Errors.contains(":CONSOLE(")) << run.Errors.toStdString();
    const QImage screenshot(shot);
    ASSERT_FALSE(screenshot.isNull());
    EXPECT_LT(DifferingShare(pictures[0], screenshot), kSamePage);
    EXPECT_GT(DifferingShare(pictures[1], screenshot), kSamePage);

    // A file per page: the report's data set reaching its end marks the last page, which links back
    // but not onward.
    const QString multi = dir.filePath(QStringLiteral("paginas.htm"));
    QStringList files;
    {
        TQRGHTMLDocumentFilter filter(multi);
        filter.setMultiPage(true);
        filter.setPageLinks(true);
        proposal.table.First();
        proposal.report.ExportToFilter(filter);
        files = filter.PageFiles();
    }
    ASSERT_EQ(files.size(), 2);
    const QString first = ReadText(files[0]);
    const QString last = ReadText(files[1]);
    EXPECT_TRUE(first.contains(QStringLiteral("<a href=\"paginas2.html\">Next page</a>")));
    EXPECT_TRUE(last.contains(QStringLiteral("<a href=\"paginas1.html\">Previous page</a>")));
    EXPECT_FALSE(last.contains(QStringLiteral("Next page")));
}

TEST(ProposalExport, RtfOfAReportTakesThePageFromTheReportAndReadsInOrder) {
    ProposalReport proposal;
    proposal.report.Page().SetTopMargin(15);
    proposal.report.Page().SetLeftMargin(20);
    ASSERT_EQ(proposal.PagePictures().size(), 2u);
    const QStringList texts = proposal.PageTexts();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("proposta.rtf"));
    {
        TQRRTFExportFilter filter(path);
        proposal.table.First();
        proposal.report.ExportToFilter(filter);
    }
    const QString rtf = ReadText(path);
    // A4 in twips, its driver code, and the report's margins: 20 mm left, 15 mm top, 10 mm elsewhere.
    EXPECT_TRUE(rtf.startsWith(QStringLiteral(
        "{\\rtf1\\ansi\\deff0\\deftab720\\paperh16838\\paperw11906\\psz9\\margl1134\\margr567\\margt850"
        "\\margb567{\\fonttbl")))
        << rtf.left(200).toStdString();
    EXPECT_TRUE(rtf.contains(QStringLiteral("Preg\xe3o n\xba 42/2026 \\{lote \xfanico\\}")));

    const ToolRun toText =
        RunTool(QStringLiteral("soffice"),
                {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                 QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("lo")),
                 QStringLiteral("--convert-to"), QStringLiteral("txt:Text (encoded):UTF8"),
                 QStringLiteral("--outdir"), dir.path(), path},
                180000);
    ASSERT_EQ(toText.ExitCode, 0) << toText.Output.toStdString() << toText.Errors.toStdString();
    QFile text(dir.filePath(QStringLiteral("proposta.txt")));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly)) << toText.Output.toStdString();
    ExpectInOrder(QString::fromUtf8(text.readAll()), texts, "word processor text");
}
