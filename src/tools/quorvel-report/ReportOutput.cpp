#include "ReportOutput.h"

#include "ReportFormats.h"

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/ImageBytes.h"
#include "platform/Metafile.h"
#include "platform/Printer.h"
#include "report/engine/QuickrptReport.h"
#include "report/export/QrexportWmf.h"
#include "report/export/Qrpdffilt.h"
#include "report/pagestore/QrprntrFilter.h"
#include "report/pagestore/QrprntrPrinter.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace quorvel {

namespace {

// Runs `action` at the end of every page of the report's passes, before what the report already
// runs there, for as long as it lives.
class EndPageHook {
public:
    EndPageHook(TCustomQuickRep& report, std::function<void(TCustomQuickRep&)> action)
        : report_(report)
        , previous_(report.OnEndPage) {
        report_.OnEndPage = [this, action = std::move(action)](TCustomQuickRep& sender) {
            action(sender);
            if (previous_) previous_(sender);
        };
    }
    ~EndPageHook() { report_.OnEndPage = previous_; }
    EndPageHook(const EndPageHook&) = delete;
    EndPageHook& operator=(const EndPageHook&) = delete;

private:
    TCustomQuickRep& report_;
    TQREvent<void(TCustomQuickRep&)> previous_;
};

// Counts the pages a pass finishes, for the passes whose page store does not outlive them.
class PageCounter {
public:
    explicit PageCounter(TCustomQuickRep& report)
        : hook_(report, [this](TCustomQuickRep&) { ++pages_; }) {}

    int Pages() const noexcept { return pages_; }

private:
    int pages_ = 0;
    EndPageHook hook_;
};

// The page store of a finished pass that kept its pages.
TQRPrinter& PreparedPages(TQuickRep& layout) {
    layout.Prepare();
    TQRPrinter* pages = layout.QRPrinter();
    if (!pages || pages->Status() != TQRPrinterStatus::mpFinished)
        throw Exception(QStringLiteral("The report did not finish"));
    return *pages;
}

// The picture's size follows the paper (tenths of a millimetre) at the asked resolution, so that an
// A4 page at 150 dpi is 1240 × 1754 pixels whatever the screen resolution the page was drawn at.
QSize PictureSize(const TQRPrinter& pages, const TMetafile& page, int dpi) {
    double width = pages.GetPaperWidth();
    double length = pages.GetPaperLength();
    if (width <= 0 || length <= 0) {
        width = page.Width() * 254.0 / page.PixelsPerInch();
        length = page.Height() * 254.0 / page.PixelsPerInch();
    }
    if ((page.Width() > page.Height()) != (width > length)) std::swap(width, length);
    return {std::max(1, static_cast<int>(std::lround(width * dpi / 254.0))),
            std::max(1, static_cast<int>(std::lround(length * dpi / 254.0)))};
}

QByteArray PagePicture(const TMetafile& page, QSize size, int dpi) {
    const int width = size.width();
    const int height = size.height();
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMetre = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        page.Play(painter, QRectF(0, 0, width, height));
    }
    QByteArray bytes = EncodeImage(image, "PNG");
    if (bytes.isEmpty()) throw Exception(QStringLiteral("Cannot encode the page picture"));
    return bytes;
}

// A run with one file per page writes all of its pages or none: the pages are replaced together, and
// page files of the name beyond the new count go in the same step, so that the folder never shows
// pages of an earlier, longer run beside the new ones.
int WritePictures(TQuickRep& layout, const ReportFormat& format, const QString& output, int dpi) {
    TQRPrinter& pages = PreparedPages(layout);
    const int count = pages.PageCount();
    if (count == 0) return 0;
    FileSetReplacement files(PageFileName(format, output, 1), LinkAtName::Replace);
    for (int n = 1; n <= count; ++n) {
        const std::unique_ptr<TMetafile> page = pages.GetPage(n);
        if (!page) throw Exception(QStringLiteral("Page %1 is missing").arg(n));
        const QByteArray picture = PagePicture(*page, PictureSize(pages, *page, dpi), dpi);
        files.Add(PageFileName(format, output, n),
                  std::string_view(picture.constData(), std::size_t(picture.size())));
    }
    for (const auto& [n, name] : PageFiles(format, output))
        if (n > count) files.Remove(name);
    files.Commit();
    return count;
}

// Hands the pass's output to the format's own filter, and the end of the document only when the
// pass made a page: a report without pages writes no file.
class PagesOnlyFilter final : public TQRExportFilter {
public:
    explicit PagesOnlyFilter(std::unique_ptr<TQRExportFilter> filter)
        : TQRExportFilter(filter->TargetFile())
        , filter_(std::move(filter)) {}

    int Pages() const noexcept { return pages_; }

    QString GetDescription() const override { return filter_->GetDescription(); }
    QString GetExtension() const override { return filter_->GetExtension(); }
    QString GetFilterName() const override { return filter_->GetFilterName(); }
    QString GetVendorName() const override { return filter_->GetVendorName(); }
    bool GetStreaming() const override { return filter_->GetStreaming(); }
    bool ResolvesHTMLLabels() const override { return filter_->ResolvesHTMLLabels(); }
    void Start(int paperWidth, int paperHeight, const TFont& font) override {
        filter_->SetReport(Report());
        filter_->SetReportQRPrinter(ReportQRPrinter());
        filter_->Start(paperWidth, paperHeight, font);
        SetStarted(true);
    }
    void EndPage() override { filter_->EndPage(); }
    void Finish() override {
        if (pages_ > 0) filter_->Finish();
    }
    void NewPage() override {
        ++pages_;
        filter_->NewPage();
    }
    void AcceptGraphic(double xoff, double yoff, const TExportGraphic& graphic) override {
        filter_->AcceptGraphic(xoff, yoff, graphic);
    }
    void AcceptBand(const TQRCustomBand& bandControl, double xoff, double yoff, double expanded) override {
        filter_->AcceptBand(bandControl, xoff, yoff, expanded);
    }
    void TextOut(double x, double y, const TFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override {
        filter_->TextOut(x, y, font, bgColor, alignment, text);
    }

private:
    std::unique_ptr<TQRExportFilter> filter_;
    int pages_ = 0;
};

// The metafile filter saves the pages of the report's page store and takes no drawing calls, so it
// is handed the pages of the one pass the report makes: the pages it completes are written beside it,
// and the filter replaces the page files together at the end.
int WriteMetafiles(TQuickRep& layout, const ReportFormat& format, const QString& output) {
    TQRWMFExportFilter filter(output);
    filter.SetEnhanced(format.metafiles == TQRMetafileFormat::Enhanced);
    filter.SetReport(&layout);
    const QSizeF paper = layout.PageSizeNative();
    filter.Start(static_cast<int>(std::lround(paper.width())), static_cast<int>(std::lround(paper.height())),
                 layout.Font());
    const EndPageHook handOver(layout, [&filter](TCustomQuickRep& sender) {
        if (TQRPrinter* pages = sender.QRPrinter(); pages != nullptr && pages->AvailablePages() > 0)
            filter.PagesCompleted(*pages, pages->AvailablePages());
    });
    TQRPrinter& pages = PreparedPages(layout);
    filter.SetReportQRPrinter(&pages);
    filter.Finish();
    return pages.PageCount();
}

// The output files of a run that exist now: the output itself, or every page file of its name.
std::vector<QString> ExistingOutputs(const ReportFormat& format, const QString& output) {
    if (format.kind != OutputKind::Pictures && format.kind != OutputKind::Metafiles) return {output};
    std::vector<QString> files;
    for (const auto& [n, name] : PageFiles(format, output))
        files.push_back(name);
    return files;
}

} // namespace

std::map<int, QString> PageFiles(const ReportFormat& format, const QString& output) {
    return NumberedFiles([&](int page) { return PageFileName(format, output, page); });
}

QString PageFileName(const ReportFormat& format, const QString& output, int page) {
    if (format.kind == OutputKind::Metafiles)
        return TQRWMFExportFilter::PageFileName(TQRWMFExportFilter::BaseNameOf(output), page,
                                                format.metafiles);
    const QFileInfo info(output);
    const QString number = QStringLiteral("-%1").arg(page, 3, 10, QLatin1Char('0'));
    const QString suffix = info.suffix();
    const QString stem = suffix.isEmpty() ? output : output.left(output.size() - suffix.size() - 1);
    return suffix.isEmpty() ? stem + number : stem + number + QLatin1Char('.') + suffix;
}

void CheckOutputs(const ReportFormat& format, const QString& output, const QString& proposal) {
    const std::optional<FileIdentity> proposalFile = IdentityOfFile(proposal);
    for (const QString& file : ExistingOutputs(format, output)) {
        // By identity, links followed: a page file that is a link or a hard link to the proposal,
        // or the proposal's own name spelt another way.
        if (proposalFile && IdentityOfFile(file) == proposalFile)
            throw Exception(QStringLiteral("The output \"%1\" would replace the proposal").arg(file));
        if (const QString refusal = ReplacementRefusal(file, LinkAtName::Replace); !refusal.isEmpty())
            ThrowWriteError(file, refusal);
    }
}

int WriteReport(TQuickRep& layout, const ReportFormat& format, const QString& output, int dpi,
                PdfFonts pdfFonts) {
    switch (format.kind) {
    case OutputKind::Filter: {
        std::unique_ptr<TQRExportFilter> own = format.filterClass->Create(output);
        if (auto* pdf = dynamic_cast<TQRPDFDocumentFilter*>(own.get()))
            pdf->SetEmbedSubsets(pdfFonts == PdfFonts::EmbeddedSubsets);
        PagesOnlyFilter filter(std::move(own));
        layout.ExportToFilter(filter);
        if (filter.Pages() == 0) return 0;
        if (!FileExists(output)) throw Exception(QStringLiteral("Cannot write file \"%1\"").arg(output));
        return filter.Pages();
    }
    case OutputKind::SavedReport: {
        TQRPrinter& pages = PreparedPages(layout);
        if (pages.PageCount() == 0) return 0;
        pages.Save(output);
        if (!FileExists(output)) throw Exception(QStringLiteral("Cannot write file \"%1\"").arg(output));
        return pages.PageCount();
    }
    case OutputKind::Pictures:
        return WritePictures(layout, format, output, dpi);
    case OutputKind::Metafiles:
        return WriteMetafiles(layout, format, output);
    }
    throw Exception(QStringLiteral("Unknown output format"));
}

int PrintReport(TQuickRep& layout, const QString& printerName) {
    TPrinter& printer = Printer();
    printer.Refresh();
    if (printer.Printers().isEmpty()) throw Exception(QStringLiteral("No printer is installed"));
    if (!printerName.isEmpty()) {
        const int index = static_cast<int>(printer.Printers().indexOf(printerName));
        if (index < 0) throw Exception(QStringLiteral("Printer \"%1\" does not exist").arg(printerName));
        layout.PrinterSettings().SetPrinterIndex(index);
        printer.SetPrinterIndex(index);
    }
    const PageCounter counter(layout);
    layout.Print();
    return counter.Pages();
}

} // namespace quorvel
