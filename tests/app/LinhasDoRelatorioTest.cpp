// Every band line of both layouts, counted on rendered pixels in every output: the page picture, the
// preview, the saved-report file, the printed page, the PDF, the HTML as a browser draws it and the
// metafiles as the office suite draws them. A line is a row of dark pixels across most of the page;
// each output must show the lines of the page picture, no more and no fewer, each within a pixel of
// its place at 96 pixels per inch.

#include "QuorvelTestSupport.h"

#include "app/proposal/URelatorio.h"
#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"
#include "platform/Printer.h"
#include "report/Qrprntr.h"
#include "report/Quickrpt.h"
#include "report/controls/Qrctrls.h"
#include "report/export/ExternalReaders.h"
#include "report/export/OutputTestFiles.h"
#include "report/export/Qrexport.h"
#include "report/export/Qrpdffilt.h"
#include "report/export/Qrwebfilt.h"
#include "report/preview/QrprevControl.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QThread>

#include <cmath>

namespace quorvel::testing {
namespace {

// Vertical centres of the page's lines, in the image's pixels: rows whose longest run of dark
// pixels spans at least 60 % of `width` (the band width is 90 % of the page's), neighbouring rows
// taken as one line (a reader may spread a line over two rows).
std::vector<double> Lines(const QImage& image, int width) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    std::vector<double> lines;
    int first = -1;
    for (int y = 0; y <= grey.height(); ++y) {
        bool dark = false;
        if (y < grey.height()) {
            const uchar* row = grey.constScanLine(y);
            int run = 0, longest = 0;
            for (int x = 0; x < grey.width(); ++x) {
                run = row[x] < 128 ? run + 1 : 0;
                longest = std::max(longest, run);
            }
            dark = longest >= width * 6 / 10;
        }
        if (dark && first < 0) first = y;
        if (!dark && first >= 0) {
            lines.push_back((first + y - 1) / 2.0);
            first = -1;
        }
    }
    return lines;
}

// The lines of a page as the page picture's pixels: `scale` image pixels per page pixel, the page
// starting `top` rows down the image.
std::vector<double> PageLines(const QImage& image, double scale = 1, double top = 0) {
    std::vector<double> lines;
    for (double y : Lines(image, static_cast<int>(794 * scale)))
        lines.push_back((y - top) / scale);
    return lines;
}

QString Describe(const std::vector<double>& lines) {
    QStringList texts;
    for (double y : lines)
        texts << QString::number(y, 'f', 1);
    return texts.join(u' ');
}

// Fails unless `seen` has one line within a pixel of each expected line, and no other.
void ExpectSameLines(const std::vector<double>& expected, const std::vector<double>& seen,
                     const QString& what) {
    bool same = expected.size() == seen.size();
    for (std::size_t i = 0; same && i < seen.size(); ++i)
        same = std::abs(seen[i] - expected[i]) <= 1.0;
    EXPECT_TRUE(same) << what.toStdString() << ": " << seen.size() << " lines, expected " << expected.size()
                      << "\n  seen:     " << Describe(seen).toStdString()
                      << "\n  expected: " << Describe(expected).toStdString();
}

// The lines as the office suite shows them: it draws each filled strip a little wider than it is,
// so lines two pixels apart (a band's last line just above the footer's) run together into one.
std::vector<double> RunTogether(const std::vector<double>& lines) {
    std::vector<std::vector<double>> groups;
    for (double y : lines) {
        if (!groups.empty() && y - groups.back().back() <= 2)
            groups.back().push_back(y);
        else
            groups.push_back({y});
    }
    std::vector<double> merged;
    for (const auto& group : groups)
        merged.push_back((group.front() + group.back()) / 2);
    return merged;
}

QImage Played(const TMetafile& page) {
    QImage image(page.Width(), page.Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page.Play(painter, QRectF(0, 0, page.Width(), page.Height()));
    return image;
}

std::vector<QImage> PagePictures(TQRPrinter& store) {
    std::vector<QImage> pages;
    for (int n = 1; n <= store.PageCount(); ++n)
        if (const std::unique_ptr<TMetafile> page = store.GetPage(n)) pages.push_back(Played(*page));
    return pages;
}

// Every band and control of the layout without its (white) background, or with it again: without
// backgrounds nothing can cover a line, so that page shows every line the layout draws.
void SetBackgrounds(TQuickRep& layout, bool drawn) {
    for (TQRCustomBand* band : layout.BandList()) {
        band->SetTransparentBand(!drawn);
        for (TQRPrintable* control : band->Printables())
            control->SetTransparent(!drawn);
    }
}

// The text of a printed job's PDF, to find the job among the queue's files.
QString PdfText(const QString& file) {
    return QString::fromUtf8(RunTool(QStringLiteral("pdftotext"), {file, QStringLiteral("-")}).Output);
}

class LinhasDoRelatorio : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        // The printed job is found by this supplier name.
        fornecedor = QStringLiteral("Linhas %1").arg(QDateTime::currentMSecsSinceEpoch());
        WriteConfig(fornecedor, QStringLiteral("12.345.678/0001-90"), QStringLiteral("0"));
    }

    // Runs the proposal's layout into every output and compares each output's lines, page by page,
    // with the lines of the page picture drawn without backgrounds. Returns those lines.
    std::vector<std::vector<double>> CheckEveryOutput(const char* pasta, const char* nome) {
        const QString copia = DataPath(QString::fromLatin1(nome));
        QFile::copy(QStringLiteral(QUORVEL_TEST_DATA "/%1/%2").arg(QLatin1String(pasta), QLatin1String(nome)),
                    copia);
        std::vector<std::vector<double>> expected;
        if (!OpenProposal(copia)) {
            ADD_FAILURE() << "cannot open " << nome;
            return expected;
        }
        Items().First();
        const QString tipo = TextOf(Items(), "tipoprega");
        RunReport(form->RecordSet(), TReportOrder::ItemNumber, tipo, [&](TQuickRep& layout) {
            layout.SetShowProgress(false);
            SetBackgrounds(layout, false);
            layout.Prepare();
            for (const QImage& page : PagePictures(*layout.QRPrinter()))
                expected.push_back(PageLines(page));
            SetBackgrounds(layout, true);
            layout.Prepare();
            CheckOutputs(layout, expected);
        });
        return expected;
    }

    void CheckOutputs(TQuickRep& layout, const std::vector<std::vector<double>>& expected) {
        TQRPrinter& store = *layout.QRPrinter();
        const int pages = store.PageCount();
        ASSERT_EQ(static_cast<std::size_t>(pages), expected.size());
        const auto each = [&](const QString& what, const std::function<std::vector<double>(int)>& lines) {
            for (int n = 1; n <= pages; ++n)
                ExpectSameLines(expected[std::size_t(n - 1)], lines(n),
                                QStringLiteral("%1, page %2").arg(what).arg(n));
        };

        const std::vector<QImage> pictures = PagePictures(store);
        each(QStringLiteral("page picture"), [&](int n) { return PageLines(pictures[std::size_t(n - 1)]); });

        // The preview at 100 %: the page from its image's top-left corner, the outline and shadow
        // around it left out.
        {
            TQRPreview preview;
            preview.resize(900, 1200);
            preview.SetQRPrinter(&store);
            preview.SetZoom(100);
            each(QStringLiteral("preview"), [&](int n) {
                preview.SetPageNumber(n);
                const QImage shown = preview.PageImage().grab().toImage();
                return PageLines(shown.copy(1, 1, shown.width() - 5, shown.height() - 5), 1, -1);
            });
            preview.SetQRPrinter(nullptr);
        }

        const QString saved = DataPath(QStringLiteral("relatorio.qrp"));
        store.Save(saved);
        TQRPrinter loaded(nullptr);
        loaded.Load(saved);
        const std::vector<QImage> reloaded = PagePictures(loaded);
        ASSERT_EQ(reloaded.size(), pictures.size());
        each(QStringLiteral("saved report"), [&](int n) { return PageLines(reloaded[std::size_t(n - 1)]); });

        const QString pdf = DataPath(QStringLiteral("relatorio.pdf"));
        {
            TQRPDFDocumentFilter filter(pdf);
            layout.ExportToFilter(filter);
        }
        each(QStringLiteral("PDF"),
             [&](int n) { return PageLines(RenderPdfPage(pdf, DataPath(QString()), n)); });

        // The pages of the HTML document stand one page length (1122.5 pixels) below each other.
        const QString html = DataPath(QStringLiteral("relatorio.htm"));
        {
            TQRGHTMLDocumentFilter filter(html);
            layout.ExportToFilter(filter);
        }
        const QString shot = DataPath(QStringLiteral("relatorio-html.png"));
        QTemporaryDir profile;
        const ToolRun browser = RunTool(
            QStringLiteral("chromium"),
            {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
             QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
             QStringLiteral("--disable-sync"), QStringLiteral("--no-first-run"),
             QStringLiteral("--user-data-dir=") + profile.path(), QStringLiteral("--hide-scrollbars"),
             QStringLiteral("--window-size=794,%1").arg(pages * 1123), QStringLiteral("--screenshot=") + shot,
             QStringLiteral("file://") + html},
            120000);
        ASSERT_EQ(browser.ExitCode, 0) << browser.Errors.toStdString();
        const QImage document(shot);
        ASSERT_FALSE(document.isNull());
        each(QStringLiteral("HTML"), [&](int n) {
            const int top = static_cast<int>(std::lround((n - 1) * 2970 * 96 / 254.0));
            return PageLines(document.copy(0, top, 794, 1123));
        });

        CheckMetafiles(layout, expected);
        CheckPrinted(layout, expected);
    }

    // Windows and enhanced metafiles as the office suite draws them at three times 96 pixels per
    // inch: the page scaled to fit inside 1 cm margins, centred (at the single size it drops
    // one-pixel lines as it scales the page down, and lines two pixels apart run together at twice).
    void CheckMetafiles(TQuickRep& layout, const std::vector<std::vector<double>>& expected) {
        const QSize size(3 * 794, 3 * 1123);
        const QString target =
            QStringLiteral("png:draw_png_Export:{\"PixelWidth\":{\"type\":\"long\",\"value\":\"2382\"},"
                           "\"PixelHeight\":{\"type\":\"long\",\"value\":\"3369\"}}");
        const double margin = 3 * 96 / 2.54;
        const double scale = std::min((size.width() - 2 * margin) / 794, (size.height() - 2 * margin) / 1123);
        const double top = (size.height() - 1123 * scale) / 2;
        for (const bool asEnhanced : {false, true}) {
            const TQRMetafileFormat format =
                asEnhanced ? TQRMetafileFormat::Enhanced : TQRMetafileFormat::Windows;
            const QString base =
                DataPath(asEnhanced ? QStringLiteral("quadro.emf") : QStringLiteral("pagina.wmf"));
            {
                TQRWMFExportFilter filter(base);
                filter.SetEnhanced(asEnhanced);
                layout.ExportToFilter(filter);
            }
            QStringList files;
            for (std::size_t n = 1; n <= expected.size(); ++n)
                files << TQRWMFExportFilter::PageFileName(TQRWMFExportFilter::BaseNameOf(base), int(n),
                                                          format);
            const QString out = DataPath(asEnhanced ? QStringLiteral("emf") : QStringLiteral("wmf"));
            QDir().mkpath(out);
            const OfficeConversion converted = ConvertWithOffice(files, target, out);
            ASSERT_EQ(converted.Error, QString());
            ASSERT_EQ(converted.Files.size(), files.size());
            for (std::size_t n = 1; n <= expected.size(); ++n) {
                const QImage drawn = OnWhite(QImage(converted.Files[qsizetype(n - 1)]));
                ASSERT_EQ(drawn.size(), size);
                // A line of the page covers about three rows here; its centre is compared.
                std::vector<double> lines = PageLines(drawn, scale, top);
                for (double& y : lines)
                    y -= 0.5 - 0.5 / scale;
                ExpectSameLines(RunTogether(expected[n - 1]), lines,
                                QStringLiteral("%1, page %2").arg(files[qsizetype(n - 1)]).arg(n));
            }
        }
    }

    // The layout printed on the test queue of ./test (a CUPS queue whose jobs land as PDF files).
    void CheckPrinted(TQuickRep& layout, const std::vector<std::vector<double>>& expected) {
        const QString queue = qEnvironmentVariable("QUORVEL_TEST_PRINTER");
        const QDir output(qEnvironmentVariable("QUORVEL_TEST_PRINTER_OUTPUT"));
        if (queue.isEmpty() || !output.exists()) {
            if (qEnvironmentVariableIsSet("QUORVEL_REQUIRE_PRINTER")) ADD_FAILURE() << "no test print queue";
            return;
        }
        Printer().Refresh();
        const int index = static_cast<int>(Printer().Printers().indexOf(queue));
        ASSERT_GE(index, 0) << queue.toStdString();
        layout.PrinterSettings().SetPrinterIndex(index);
        Printer().SetPrinterIndex(index);
        const QStringList before = output.entryList({QStringLiteral("*.pdf")}, QDir::Files);
        layout.Print();
        QString printed;
        const QDeadlineTimer deadline(90000);
        while (printed.isEmpty() && !deadline.hasExpired()) {
            for (const QString& name : output.entryList({QStringLiteral("*.pdf")}, QDir::Files))
                if (!before.contains(name) && PdfText(output.filePath(name)).contains(fornecedor))
                    printed = output.filePath(name);
            if (printed.isEmpty()) QThread::msleep(250);
        }
        ASSERT_FALSE(printed.isEmpty()) << "no printed job carries " << fornecedor.toStdString();
        for (std::size_t n = 1; n <= expected.size(); ++n)
            ExpectSameLines(expected[n - 1], PageLines(RenderPdfPage(printed, DataPath(QString()), int(n))),
                            QStringLiteral("printed page %1").arg(n));
    }

    QString fornecedor;
};

// The pages of the issue: three header lines, one per priced item and the footer's; three header
// lines, two per lot (its own and its item heads, the unpriced lot too) and the footer's.
TEST_F(LinhasDoRelatorio, ItemAndLotPagesShowEveryLineOfTheLayoutInEveryOutput) {
    const auto itens = CheckEveryOutput("report", "itens-precificados.xml");
    ASSERT_EQ(itens.size(), 1u);
    EXPECT_EQ(itens[0].size(), 3u + 4u + 1u) << Describe(itens[0]).toStdString();
    const auto lotes = CheckEveryOutput("report", "lotes-precificados.xml");
    ASSERT_EQ(lotes.size(), 1u);
    EXPECT_EQ(lotes[0].size(), 3u + 2u * 3u + 1u) << Describe(lotes[0]).toStdString();
}

// Several pages: a description of seventy lines stretches its band over three pages (each part
// closed by its line); lots whose item heads fall on the page after their lot line, and a page that
// ends on item heads whose items follow on the next.
TEST_F(LinhasDoRelatorio, StretchedBandsAndBreaksKeepEveryLineOnEveryPage) {
    const auto itens = CheckEveryOutput("report_lines", "itens-descricao-longa.xml");
    ASSERT_EQ(itens.size(), 4u);
    // Page 2 holds only the middle of the long description: header lines, its part's line, footer.
    EXPECT_EQ(itens[1].size(), 3u + 1u + 1u) << Describe(itens[1]).toStdString();
    const auto lotes = CheckEveryOutput("report_lines", "lotes-varias-paginas.xml");
    ASSERT_EQ(lotes.size(), 3u);
    // Page 3 starts with the item heads of the lot whose line closed page 2: the column heads' line
    // and theirs are 20 pixels apart, with no lot line between them.
    ASSERT_GE(lotes[2].size(), 5u);
    EXPECT_NEAR(lotes[2][3] - lotes[2][2], 20, 1) << Describe(lotes[2]).toStdString();
    EXPECT_NEAR(lotes[1][lotes[1].size() - 2], 1055, 1)
        << "page 2 closes on a lot line just above the footer";
}

} // namespace
} // namespace quorvel::testing
