// A real report exported through ExportToFilter, its files opened with the programs people open them
// with and compared with the page pictures the same report generates for the preview.

#include "report/export/Qrexport.h"
#include "report/export/Qrpdffilt.h"
#include "report/export/Qrwebfilt.h"

#include "report/export/ExternalReaders.h"
#include "report/export/OutputTestFiles.h"
#include "report/export/ProposalReport.h"
#include "report/export/RtfPageReading.h"

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

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

// Headless Chromium on an HTML file: a screenshot of the given size, or (empty shot) the document
// as parsed, on standard output.
ToolRun RunChromium(const QString& page, const QString& profile, const QString& shot, QSize size) {
    QStringList arguments{QStringLiteral("--headless"),
                          QStringLiteral("--no-sandbox"),
                          QStringLiteral("--disable-gpu"),
                          QStringLiteral("--disable-background-networking"),
                          QStringLiteral("--disable-component-update"),
                          QStringLiteral("--disable-sync"),
                          QStringLiteral("--no-first-run"),
                          QStringLiteral("--user-data-dir=") + profile,
                          QStringLiteral("--hide-scrollbars"),
                          QStringLiteral("--enable-logging=stderr")};
    if (shot.isEmpty())
        arguments << QStringLiteral("--dump-dom");
    else
        arguments << QStringLiteral("--window-size=%1,%2").arg(size.width()).arg(size.height())
                  << QStringLiteral("--screenshot=") + shot;
    arguments << QStringLiteral("file://") + page;
    return RunTool(QStringLiteral("chromium"), arguments, 120000);
}

template <class T>
T& AddControl(quorvel::testing::ProposalReport& proposal, TQRCustomBand& band, const QString& name,
              double left, double top, double width) {
    T& control = CreateComponent<T>(proposal.form);
    control.SetName(name);
    control.SetParent(&band);
    control.Size().SetNativeValue(TQRPrintableSize::iLeft, left);
    control.Size().SetNativeValue(TQRPrintableSize::iTop, top);
    control.Size().SetNativeValue(TQRPrintableSize::iWidth, width);
    control.Size().SetNativeValue(TQRPrintableSize::iHeight, 45);
    return control;
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
        proposal.ExportThrough(filter);
        EXPECT_EQ(filter.PageCount(), 2);
    }
    ExpectSoundPdfInArial(path, texts);

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
        proposal.ExportThrough(filter);
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
    proposal.ExportAs<TQRGHTMLDocumentFilter>(path);
    const QString html = ReadText(path);
    EXPECT_TRUE(html.contains(QStringLiteral("background-color: #c0c0c0"))) << html.left(3000).toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("nº&nbsp;7&nbsp;&amp;&nbsp;cia")));
    EXPECT_TRUE(html.contains(QStringLiteral("<img src=\"ImgBrasao.jpg\" width=60 height=30>")))
        << html.left(3000).toStdString();
    EXPECT_FALSE(QImage(dir.filePath(QStringLiteral("ImgBrasao.jpg"))).isNull());
    // The column header's silver block comes before its texts, which would otherwise be covered.
    EXPECT_LT(html.indexOf(QStringLiteral("#c0c0c0")), html.indexOf(QStringLiteral("Descri")));

    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    const ToolRun run = RunChromium(path, dir.filePath(QStringLiteral("profile")), shot, pictures[0].size());
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
        proposal.ExportThrough(filter);
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
    proposal.ExportAs<TQRRTFExportFilter>(path);
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

TEST(ProposalExport, RtfPageAndMarginsAreTheReportsInTheWordProcessor) {
    using quorvel::testing::PageCase;
    const PageCase cases[] = {{"retrato", TPrinterOrientation::poPortrait, {210, 297, 20, 12.5, 15, 17.5}},
                              {"paisagem", TPrinterOrientation::poLandscape, {297, 210, 8, 30, 25.4, 6}}};
    QTemporaryDir dir;
    QStringList files;
    for (const PageCase& c : cases) {
        ProposalReport proposal;
        c.ApplyTo(proposal.report.Page());
        files << dir.filePath(QLatin1String(c.Name) + QStringLiteral(".rtf"));
        proposal.ExportAs<TQRRTFExportFilter>(files.constLast());
    }

    const quorvel::testing::OfficeConversion converted =
        quorvel::testing::ConvertWithOffice(files, QStringLiteral("fodt"), dir.path());
    ASSERT_TRUE(converted.Error.isEmpty()) << converted.Error.toStdString();
    ASSERT_EQ(converted.Files.size(), 2);
    // The word processor keeps lengths to a hundredth of a millimetre or finer.
    for (std::size_t i = 0; i < std::size(cases); ++i)
        quorvel::testing::ExpectPage(cases[i],
                                     quorvel::testing::ReadOfficePage(converted.Files[qsizetype(i)]), 0.05);
}

TEST(ProposalExport, HtmlLabelsBecomeLinksInTheBrowserAndPlainTextsElsewhere) {
    ProposalReport proposal;
    auto& jump = AddControl<TQRHTMLLabel>(proposal, proposal.header, QStringLiteral("LnkTotal"), 0, 20, 300);
    jump.SetCaption(QStringLiteral("Ir ao total"));
    jump.SetLinkType(TQRLinkType::ldNameJump);
    jump.SetLinkText(QStringLiteral("total"));
    // Right-aligned: the block is placed by the width of the caption, not of the marker.
    auto& address =
        AddControl<TQRHTMLLabel>(proposal, proposal.header, QStringLiteral("LnkEdital"), 1200, 30, 350);
    address.SetAlignment(TAlignment::taRightJustify);
    address.SetCaption(QStringLiteral("Edital completo"));
    address.SetLinkText(QStringLiteral("https://compras.example.gov.br/edital?id=42&lote=1"));
    auto& target =
        AddControl<TQRHTMLLabel>(proposal, proposal.summary, QStringLiteral("LnkAlvo"), 1100, 50, 500);
    target.SetCaption(QStringLiteral("Total geral"));
    target.SetLinkType(TQRLinkType::ldNameLabel);
    target.SetLinkText(QStringLiteral("total"));
    auto& mirror =
        AddControl<TQRLabel>(proposal, proposal.summary, QStringLiteral("LbEspelho"), 1200, 10, 350);
    mirror.SetAlignment(TAlignment::taRightJustify);
    mirror.SetCaption(QStringLiteral("Edital completo"));
    auto& plain =
        AddControl<TQRHTMLLabel>(proposal, proposal.summary, QStringLiteral("LnkNenhum"), 1100, 90, 500);
    plain.SetCaption(QStringLiteral("Sem destino"));

    const std::vector<QImage> pictures = proposal.PagePictures();
    ASSERT_EQ(pictures.size(), 2u);
    const QStringList texts = proposal.PageTexts();
    for (const char* caption : {"Ir ao total", "Edital completo", "Total geral", "Sem destino"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(caption))) << caption;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("links.htm"));
    proposal.ExportAs<TQRGHTMLDocumentFilter>(path);
    const QString html = ReadText(path);
    EXPECT_FALSE(html.contains(QStringLiteral("%!"))) << html.toStdString();
    // The header's labels are on both pages; the target and the label without a link once.
    EXPECT_EQ(html.count(QStringLiteral("\r\n<a href=\"#total\">Ir&nbsp;ao&nbsp;total</a>\r\n</DIV>")), 2);
    EXPECT_EQ(
        html.count(QStringLiteral("\r\n<a href=\"https://compras.example.gov.br/edital?id=42&amp;lote=1\">"
                                  "Edital&nbsp;completo</a>\r\n</DIV>")),
        2);
    EXPECT_EQ(html.count(QStringLiteral("\r\n<a name=\"total\">Total&nbsp;geral</a>\r\n</DIV>")), 1);
    EXPECT_EQ(html.count(QStringLiteral("\r\nSem&nbsp;destino\r\n</DIV>")), 1);
    // The right-aligned link starts where a plain label of the same caption and box starts.
    const QRegularExpression link(QStringLiteral("left:(\\d+)px;[^\r]*\r\n<a href=\"https://"));
    const QRegularExpression same(QStringLiteral("left:(\\d+)px;[^\r]*\r\nEdital&nbsp;completo\r\n"));
    const QString linkLeft = link.match(html).captured(1);
    EXPECT_FALSE(linkLeft.isEmpty());
    EXPECT_EQ(linkLeft, same.match(html).captured(1));

    // The browser takes them as links and their target, without complaints. (The page's look is the
    // plain HTML test's: the browser colours and underlines links, which the page picture does not.)
    const ToolRun dom = RunChromium(path, dir.filePath(QStringLiteral("profile")), QString(), {});
    ASSERT_EQ(dom.ExitCode, 0) << dom.Errors.toStdString();
    EXPECT_FALSE(dom.Errors.contains(":CONSOLE(")) << dom.Errors.toStdString();
    EXPECT_TRUE(dom.Output.contains("<a href=\"#total\">Ir&nbsp;ao&nbsp;total</a>"))
        << dom.Output.toStdString();
    EXPECT_TRUE(dom.Output.contains(
        "<a href=\"https://compras.example.gov.br/edital?id=42&amp;lote=1\">Edital&nbsp;completo</a>"));
    EXPECT_TRUE(dom.Output.contains("<a name=\"total\">Total&nbsp;geral</a>"));

    // Any other filter gets the labels' captions.
    const QString pdf = dir.filePath(QStringLiteral("links.pdf"));
    proposal.ExportAs<TQRPDFDocumentFilter>(pdf);
    const ToolRun text =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_EQ(text.ExitCode, 0) << text.Errors.toStdString();
    for (const char* caption : {"Ir ao total", "Edital completo", "Total geral", "Sem destino"})
        EXPECT_TRUE(text.Output.contains(caption)) << caption;
    EXPECT_FALSE(text.Output.contains("%!"));
}
