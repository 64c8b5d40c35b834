#include "report/export/Qrexport.h"
#include "report/export/Qrpdffilt.h"
#include "report/export/Qrwebfilt.h"

#include "platform/Metafile.h"
#include "platform/MetafileCanvas.h"
#include "report/export/OutputTestFiles.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace quorvel;

// The files the filters write, opened with the programs people open them with. The pages are drawn
// twice from one description, once as the page picture the preview shows and once through the filter,
// and the readers' renderings are compared with the page picture.

namespace {

struct SampleText {
    double X; // tenths of a millimetre; the alignment's reference point
    double Y;
    QString Text;
    TAlignment Alignment = TAlignment::taLeftJustify;
    TFontStyles Style = {};
    int Size = 10;
};

struct SamplePage {
    std::vector<SampleText> Texts;
    // A band background: left, top, width, height in tenths of a millimetre.
    std::array<double, 4> Band{};
};

std::vector<SamplePage> SampleReport() {
    std::vector<SamplePage> pages(2);
    pages[0].Band = {100, 300, 1900, 60};
    pages[0].Texts = {
        {1050, 120, QStringLiteral("PROPOSTA DE PREÇOS"), TAlignment::taCenter, TFontStyle::fsBold, 14},
        {150, 220, QStringLiteral("Pregão nº 42/2026 (lote único)")},
        {150, 310, QStringLiteral("Item")},
        {300, 310, QStringLiteral("Descrição")},
        {1950, 310, QStringLiteral("Valor total"), TAlignment::taRightJustify},
    };
    for (int row = 0; row < 6; ++row) {
        const double y = 400 + row * 50;
        pages[0].Texts.push_back({150, y, QString::number(row + 1)});
        pages[0].Texts.push_back(
            {300, y, QStringLiteral("Caneta esferográfica azul, caixa %1").arg(row + 1)});
        pages[0].Texts.push_back(
            {1950, y, QStringLiteral("R$ %1,50").arg(100 * (row + 1)), TAlignment::taRightJustify});
    }
    pages[1].Band = {100, 200, 1900, 60};
    pages[1].Texts = {
        {150, 210, QStringLiteral("Total geral")},
        {1950, 210, QStringLiteral("R$ 2.100,00"), TAlignment::taRightJustify, TFontStyle::fsBold},
        {150, 2300, QStringLiteral("Página 2")},
    };
    return pages;
}

int Px(double tenths) {
    return static_cast<int>(std::nearbyint(tenths * 96 / 254.0));
}

// The page picture as the preview draws it, played at 96 pixels per inch.
QImage PagePicture(const SamplePage& page) {
    TMetafile picture;
    picture.SetPixelsPerInch(96);
    picture.SetWidth(Px(2100));
    picture.SetHeight(Px(2970));
    {
        TMetafileCanvas canvas(picture);
        canvas.SetBrush(TBrush(clSilver));
        canvas.FillRect({Px(page.Band[0]), Px(page.Band[1]), Px(page.Band[0] + page.Band[2]),
                         Px(page.Band[1] + page.Band[3])});
        canvas.SetBkMode(TBkMode::bkTransparent);
        for (const auto& t : page.Texts) {
            canvas.SetFont(TFont(QStringLiteral("Arial"), t.Size, t.Style));
            canvas.SetTextAlign((t.Alignment == TAlignment::taRightJustify ? TA_RIGHT
                                 : t.Alignment == TAlignment::taCenter     ? TA_CENTER
                                                                           : TA_LEFT) |
                                TA_TOP);
            canvas.TextOut(Px(t.X), Px(t.Y), t.Text);
        }
        canvas.Finish();
    }
    QImage image(picture.Width(), picture.Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture.Play(painter, QRectF(0, 0, picture.Width(), picture.Height()));
    return image;
}

// Feeds the report through a filter the way the engine does; `edit` may change a page's texts.
void Export(TQRExportFilter& filter, std::vector<SamplePage> pages,
            const std::function<void(TQRExportFilter&, const TExportGraphic&, double, double)>& shape) {
    filter.Start(2100, 2970, TFont(QStringLiteral("Arial"), 10));
    filter.EndPage();
    for (const auto& page : pages) {
        filter.NewPage();
        TExportGraphic band;
        band.Width = Px(page.Band[0] + page.Band[2]) - Px(page.Band[0]);
        band.Height = Px(page.Band[1] + page.Band[3]) - Px(page.Band[1]);
        band.Brush = TBrush(clSilver);
        band.Pen.SetStyle(TPenStyle::psClear);
        if (shape) shape(filter, band, Px(page.Band[0]), Px(page.Band[1]));
        for (const auto& t : page.Texts)
            filter.TextOut(t.X, t.Y, TFont(QStringLiteral("Arial"), t.Size, t.Style), clWhite, t.Alignment,
                           t.Text);
        filter.EndPage();
    }
    filter.Finish();
}

// Every text of the pages, page after page.
QStringList AllTexts(const std::vector<SamplePage>& pages) {
    QStringList texts;
    for (const auto& page : pages)
        for (const auto& t : page.Texts)
            texts << t.Text;
    return texts;
}

// Pages that agree differ in well under 5 % of their inked pixels (glyph rendering of the readers);
// one missing text and a few lines moved by 4 mm give more than 10 %.
constexpr double kSamePage = 0.08;

} // namespace

TEST(ExportReaders, PdfChecksCleanReadsInOrderListsFontsAndLooksLikeThePreview) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("proposta.pdf"));
    const auto pages = SampleReport();
    auto shape = [](TQRExportFilter& f, const TExportGraphic& g, double x, double y) {
        static_cast<TQRPDFDocumentFilter&>(f).AcceptShape(x, y, g);
    };
    {
        TQRPDFDocumentFilter filter(path);
        Export(filter, pages, shape);
    }
    const QByteArray fonts = ExpectSoundPdfInArial(path, AllTexts(pages));
    EXPECT_TRUE(fonts.contains("TrueType")) << fonts.toStdString();

    for (int page = 1; page <= 2; ++page) {
        const QImage rendered = RenderPdfPage(path, dir.path(), page);
        ASSERT_FALSE(rendered.isNull());
        const double share = DifferingShare(PagePicture(pages[static_cast<std::size_t>(page - 1)]), rendered);
        EXPECT_LT(share, kSamePage) << "page " << page;
    }

    // The comparison notices a text that is missing or a line that moved by a few millimetres.
    auto damaged = pages;
    damaged[0].Texts.erase(damaged[0].Texts.begin() + 1);
    for (auto& t : damaged[0].Texts)
        if (t.Text.startsWith(QLatin1String("R$"))) t.Y += 40;
    const QString damagedPath = dir.filePath(QStringLiteral("damaged.pdf"));
    {
        TQRPDFDocumentFilter filter(damagedPath);
        Export(filter, damaged, shape);
    }
    const double damagedShare =
        DifferingShare(PagePicture(pages[0]), RenderPdfPage(damagedPath, dir.path(), 1));
    EXPECT_GT(damagedShare, kSamePage);
}

TEST(ExportReaders, EmbeddedFontsAreListedAsEmbeddedAndTheFileStaysValid) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("embedded.pdf"));
    {
        TQRPDFDocumentFilter filter(path);
        filter.SetFontMode(TFontHandling::fhAutoEmbed);
        Export(filter, SampleReport(), nullptr);
    }
    const ToolRun check = RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    EXPECT_EQ(check.ExitCode, 0) << check.Output.toStdString() << check.Errors.toStdString();
    EXPECT_FALSE(check.Output.contains("WARNING") || check.Errors.contains("WARNING"));
    const ToolRun fonts = RunTool(QStringLiteral("pdffonts"), {path});
    ASSERT_EQ(fonts.ExitCode, 0) << fonts.Errors.toStdString();
    const QList<QByteArray> rows = fonts.Output.split('\n');
    int embedded = 0;
    for (const QByteArray& row : rows)
        if (row.contains("TrueType")) {
            EXPECT_TRUE(row.contains(" yes ")) << row.toStdString();
            ++embedded;
        }
    EXPECT_EQ(embedded, 2) << fonts.Output.toStdString();
}

TEST(ExportReaders, HtmlLoadsInTheBrowserAndLooksLikeThePreview) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("proposta.htm"));
    auto pages = SampleReport();
    pages.resize(1); // the screenshot shows the first page
    {
        TQRGHTMLDocumentFilter filter(path);
        Export(filter, pages, [](TQRExportFilter& f, const TExportGraphic& g, double x, double y) {
            static_cast<TQRGHTMLDocumentFilter&>(f).AcceptShape(x, y, g);
        });
    }
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    const ToolRun run = RunTool(
        QStringLiteral("chromium"),
        {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
         QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
         QStringLiteral("--disable-sync"), QStringLiteral("--no-first-run"),
         QStringLiteral("--user-data-dir=") + dir.filePath(QStringLiteral("profile")),
         QStringLiteral("--hide-scrollbars"), QStringLiteral("--enable-logging=stderr"),
         QStringLiteral("--window-size=%1,%2").arg(Px(2100)).arg(Px(2970)),
         QStringLiteral("--screenshot=") + shot, QStringLiteral("file://") + path},
        120000);
    ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
    EXPECT_FALSE(run.Errors.contains(":CONSOLE(")) << run.Errors.toStdString();
    const QImage screenshot(shot);
    ASSERT_FALSE(screenshot.isNull());
    const double share = DifferingShare(PagePicture(pages[0]), screenshot);
    EXPECT_LT(share, kSamePage);
}

TEST(ExportReaders, RtfConvertsToTextAndPdfWithEveryTextInOrder) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("proposta.rtf"));
    const auto pages = SampleReport();
    {
        TQRRTFExportFilter filter(path);
        Export(filter, pages, nullptr);
    }
    auto convert = [&](const QString& filter) {
        return RunTool(QStringLiteral("soffice"),
                       {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                        QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("lo")),
                        QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"), dir.path(), path},
                       180000);
    };
    const ToolRun toText = convert(QStringLiteral("txt:Text (encoded):UTF8"));
    ASSERT_EQ(toText.ExitCode, 0) << toText.Output.toStdString() << toText.Errors.toStdString();
    QFile text(dir.filePath(QStringLiteral("proposta.txt")));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly)) << toText.Output.toStdString();
    ExpectInOrder(QString::fromUtf8(text.readAll()), AllTexts(pages), "word processor text");

    const ToolRun toPdf = convert(QStringLiteral("pdf"));
    ASSERT_EQ(toPdf.ExitCode, 0) << toPdf.Errors.toStdString();
    const ToolRun pdfText = RunTool(
        QStringLiteral("pdftotext"),
        {QStringLiteral("-layout"), dir.filePath(QStringLiteral("proposta.pdf")), QStringLiteral("-")});
    ASSERT_EQ(pdfText.ExitCode, 0);
    ExpectInOrder(QString::fromUtf8(pdfText.Output), AllTexts(pages), "word processor PDF");
    // The page break holds: the second page's texts are not on the first page.
    const ToolRun first =
        RunTool(QStringLiteral("pdftotext"),
                {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                 dir.filePath(QStringLiteral("proposta.pdf")), QStringLiteral("-")});
    EXPECT_TRUE(first.Output.contains("R$ 600,50"));
    EXPECT_FALSE(first.Output.contains("Total geral")) << first.Output.toStdString();
}
