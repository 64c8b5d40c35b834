#include "report/QrprntrPrinter.h"

#include "platform/Canvas.h"
#include "platform/EventLoop.h"
#include "platform/Rounding.h"
#include "report/QrprntrMessages.h"
#include "report/QuickrptPreview.h"

#include <QCoreApplication>
#include <QObject>

#include <cmath>

namespace quorvel {

namespace {

// The paper sizes a loaded page is compared with: the first 26 rows of the table.
constexpr int kDetectedPaperSizes = 26;

int FourMillimetreUnits(double millimetres) {
    return static_cast<int>(millimetres / 4.0);
}

} // namespace

void TQRPrinter::Print() {
    if (status_ != TQRPrinterStatus::mpFinished) return;
    if (QObject* owner = ownerWindow_.data(); owner && !pagesGenerated_ && !settings_->PrintMetafile()) {
        QCoreApplication::postEvent(owner, std::make_unique<PageStoreMessage>(CM_QRPRINT, 0, this).release());
        return;
    }
    RequirePrinters();
    PrintStoredPages();
}

void TQRPrinter::PrintStoredPages() {
    const int count = pageCount_;
    const int first = std::max(firstPage_ != 0 ? firstPage_ : 1, 1);
    const int last = std::min(lastPage_ != 0 ? lastPage_ : count, count);
    if (first > last) return;

    TPrinter& printer = *systemPrinter_;
    printer.SetTitle(title_);
    if (printer.Printing()) printer.Abort();
    settings_->ApplySettings();
    if (!printer.BeginDoc()) throw EPrinter(QStringLiteral("No printer could be selected"));
    // A cancel left from the run that made the pages must not stop this print.
    cancelRequested_ = false;

    std::unique_ptr<TQRProgressWindow> progressWindow;
    QPointer<QObject> previousControl = previewControl_;
    if (owner_ != nullptr && owner_->ShowProgressSetting()) progressWindow = CreateProgressWindow(*this);
    if (progressWindow) {
        previewControl_ = progressWindow->Receiver();
        progressWindow->Show();
    }
    // However printing ends, the progress window goes and the preview hears from the page store again.
    struct Restore {
        TQRPrinter& pageStore;
        std::unique_ptr<TQRProgressWindow>& window;
        QPointer<QObject> control;
        ~Restore() {
            window.reset();
            pageStore.previewControl_ = control;
            if (pageStore.systemPrinter_->Printing()) pageStore.systemPrinter_->Abort();
        }
    } restore{*this, progressWindow, previousControl};

    const double px = settings_->PixelsPerX() / 254.0;
    const double py = settings_->PixelsPerY() / 254.0;
    const double left = settings_->LeftOffset();
    const double top = settings_->TopOffset();
    // The pages are printed at the size of the report that made them; loaded pages at the paper
    // found for them.
    const QSizeF size =
        owner_ != nullptr ? owner_->PageSizeNative() : QSizeF(PaperWidthValue(), PaperLengthValue());
    const TRect target{RoundHalfEven(-left * px), RoundHalfEven(-top * py),
                       RoundHalfEven((size.width() - left) * px), RoundHalfEven((size.height() - top) * py)};

    for (int page = first; page <= last; ++page) {
        ProcessPendingMessages();
        // A cancel that arrived while the last page was drawn stops before the next one.
        if (cancelRequested_) {
            printer.Abort();
            break;
        }
        if (progressWindow)
            SetProgress(RoundHalfEven(static_cast<double>(page - first + 1) / (last - first + 1) * 100.0));
        SetPageNumber(page);
        if (const std::unique_ptr<TMetafile> picture = GetPage(page))
            printer.Canvas().StretchDraw(target, *picture);
        if (cancelRequested_) {
            printer.Abort();
            break;
        }
        if (page < last) printer.NewPage();
    }
    if (printer.Printing()) printer.EndDoc();
    ProcessPendingMessages();
    restore.window.reset();
    if (owner_ != nullptr) owner_->FireAfterPrint();
}

void TQRPrinter::Save(const QString& fileName) {
    if (status_ != TQRPrinterStatus::mpFinished || !pageList_.Stream()) return;
    pageList_.SaveToFile(fileName);
}

void TQRPrinter::Load(const QString& fileName) {
    // The file is opened and its chain and first page checked before the pages held are dropped: a
    // file that is not a saved report, or a damaged one, leaves the report shown as it was.
    std::shared_ptr<TQRStream> stream;
    std::unique_ptr<TMetafile> first;
    {
        TQRPageList checked;
        checked.LoadFromFile(fileName);
        if (checked.PageCount() > 0) first = checked.GetPage(1);
        stream = checked.Stream();
    }
    if (status_ != TQRPrinterStatus::mpReady) Cleanup();
    pageList_.LoadFromStream(std::move(stream));
    pageCount_ = pageList_.PageCount();
    availablePages_ = pageList_.PageCount();
    pageNumber_ = 0;
    UseScreenFactors();
    leftWaste_ = topWaste_ = 0;
    if (first) DetectPaper(*first);
    stream_ = pageList_.Stream();
    status_ = TQRPrinterStatus::mpFinished;
    OnPrintSetup = nullptr;
    OnExportToFilter = nullptr;
    pagesGenerated_ = true;
    SetPrintMetafileFromPreview(true);
}

// Turns the first page's size into whole 4-millimetre units and looks for a paper of that size in
// either orientation; a later match replaces an earlier one, no match leaves the paper as it was.
void TQRPrinter::DetectPaper(const TMetafile& firstPage) {
    const int width = static_cast<int>(firstPage.Width() / xFactor_ / 40.0);
    const int length = static_cast<int>(firstPage.Height() / yFactor_ / 40.0);
    for (int ordinal = 1; ordinal <= kDetectedPaperSizes; ++ordinal) {
        const TQRPaperSize size = PaperSizeFromOrdinal(ordinal);
        const TQRPaperMetrics& paper = cQRPaperSizeMetrics[static_cast<std::size_t>(ordinal)];
        const int paperWidth = FourMillimetreUnits(paper.Width);
        const int paperLength = FourMillimetreUnits(paper.Length);
        if (paperWidth == width && paperLength == length)
            settings_->SetLoadedPaper(size, TPrinterOrientation::poPortrait);
        if (paperWidth == length && paperLength == width)
            settings_->SetLoadedPaper(size, TPrinterOrientation::poLandscape);
    }
}

} // namespace quorvel
