// The composite report: the chained generation of several reports into one page store, and its
// preview, printing, export and print dialog.

#include "report/engine/QuickrptComposite.h"

#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "platform/Rounding.h"
#include "platform/ScopeExit.h"
#include "report/pagestore/QrprntrFilter.h"
#include "report/pagestore/QrprntrMessages.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>

namespace quorvel {

// Receives the page store's messages on the composite's behalf: "preview closed" (sent) and "print
// anew" (posted).
class TQRCompositeWinControl : public QObject {
public:
    explicit TQRCompositeWinControl(TQRCompositeReport& composite)
        : composite_(composite) {}

    bool event(QEvent* event) override {
        if (event->type() == CM_QRPREVIEWCLOSE) {
            composite_.CMPreviewClose();
            return true;
        }
        if (event->type() == CM_QRPRINT) {
            RunGuarded([&] { composite_.Print(); });
            return true;
        }
        return QObject::event(event);
    }

private:
    TQRCompositeReport& composite_;
};

namespace {

// Holds a chained report for the length of its pass: the Tag it runs with (999 marks the last report
// of the chain, which alone ends the last page and finishes a filter), and the page store it draws
// through. Both go back to the report's own when the pass ends, also when it fails: the composite
// frees its page store when its operation ends.
class ChainedPass {
public:
    ChainedPass(TCustomQuickRep& report, bool last, TQRPrinter* pageStore)
        : report_(report)
        , tag_(report.Tag()) {
        if (last) report.SetTag(kReportTagLastPart);
        if (pageStore) report.SetChainedPageStore(pageStore);
    }
    ~ChainedPass() {
        report_.SetChainedPageStore(nullptr);
        report_.SetTag(tag_);
    }
    ChainedPass(const ChainedPass&) = delete;
    ChainedPass& operator=(const ChainedPass&) = delete;

private:
    TCustomQuickRep& report_;
    int tag_;
};

// The first report's page length: the carried cursor starts there, so the first band of the
// document finds no room and opens page 1.
int FirstCursor(const TCustomQuickRep& first) {
    return RoundHalfEven(first.Page().NativeValue(TQRPage::iLength));
}

} // namespace

TQRCompositeReport::TQRCompositeReport(TComponent* owner)
    : TComponent(owner) {}

TQRCompositeReport::~TQRCompositeReport() = default;

QObject& TQRCompositeReport::MessageWindow() {
    if (!messageWindow_) messageWindow_ = std::make_unique<TQRCompositeWinControl>(*this);
    return *messageWindow_;
}

void TQRCompositeReport::CollectReports() {
    reports_.clear();
    MessageWindow();
    if (OnAddReports) OnAddReports(*this);
}

void TQRCompositeReport::SetPrinterValues() {
    if (!pageStore_) return;
    TQRPrinter& store = *pageStore_;
    const TQRCompositePrinterSettings& settings = printerSettings_;
    const TCustomQuickRep* first = reports_.empty() ? nullptr : reports_.front();
    store.SetPrinterIndex(settings.PrinterIndex());
    if (settings.PaperSizeSet() || !first) {
        store.SetPaperSize(settings.PaperSize());
    } else {
        const TQRPage& page = first->Page();
        store.SetPaperSize(page.PaperSize());
        if (store.PaperSize() == TQRPaperSize::Custom) {
            store.SetPaperWidth(RoundHalfEven(page.NativeValue(TQRPage::iWidth)));
            store.SetPaperLength(RoundHalfEven(page.NativeValue(TQRPage::iLength)));
        }
    }
    store.SetOrientation(settings.OrientationSet() || !first ? settings.Orientation()
                                                             : first->Page().Orientation());
    settings.ApplyRangeAndSwitches(store);
    store.SetTitle(settings.Title());
}

bool TQRCompositeReport::RunChain(TChainPass pass, TQRExportFilter* filter) {
    TQRPrinter& store = *pageStore_;
    int cursor = FirstCursor(*reports_.front());
    int pages = 0;
    bool cancelled = false;
    generating_ = true;
    const ScopeExit finish([this] {
        current_ = nullptr;
        generating_ = false;
    });
    for (std::size_t i = 0; i < reports_.size(); ++i) {
        TCustomQuickRep& report = *reports_[i];
        current_ = &report;
        const bool last = i + 1 == reports_.size();
        {
            ChainedPass chained(report, last, pass == TChainPass::Printing ? &store : nullptr);
            report.SetCursorY(cursor);
            report.SetPageCounter(pages);
            if (pass == TChainPass::Export)
                report.ExportComposite(*filter, store);
            else
                report.CreateReport(true);
        }
        if (report.AfterPrint) report.AfterPrint(report);
        if (report.CancelRequested()) {
            cancelled = true;
            break;
        }
        FireFinished(report);
        cursor = report.CursorY();
        pages = report.PageNumber();
    }
    return !cancelled;
}

void TQRCompositeReport::CreateComposite() {
    CollectReports();
    if (!reports_.empty() && pageStore_) {
        SetPrinterValues();
        pageStore_->BeginDoc();
        bool completed = false;
        try {
            completed = RunChain(TChainPass::Printing, nullptr);
        } catch (...) {
            // Aborting stores the page begun, which may fail in turn, so it is no guard.
            if (pageStore_ && pageStore_->Status() == TQRPrinterStatus::mpBusy) pageStore_->AbortDoc();
            throw;
        }
        if (completed)
            pageStore_->EndDoc();
        else
            pageStore_.reset();
    }
    FireFinished(*this);
}

void TQRCompositeReport::Prepare() {
    pageStore_ = std::make_unique<TQRPrinter>(this);
    pageStore_->SetOwnerWindow(&MessageWindow());
    CreateComposite();
    if (pageStore_) pageStore_->SetPagesGenerated(true);
}

std::unique_ptr<TQuickRep> TQRCompositeReport::MakeHostReport(const TCustomQuickRep& first) const {
    auto host = std::make_unique<TQuickRep>(nullptr);
    host->Page().SetOrientation(first.Page().Orientation());
    host->Page().SetPaperSize(first.Page().PaperSize());
    host->SetPreviewWidth(first.PreviewWidth());
    host->SetPreviewHeight(first.PreviewHeight());
    host->PrevFormStyle = first.PrevFormStyle;
    host->PreviewInitialState = first.PreviewInitialState;
    host->PrevInitialZoom = first.PrevInitialZoom;
    host->PrevShowThumbs = first.PrevShowThumbs;
    host->PrevShowSearch = first.PrevShowSearch;
    host->SetReportTitle(first.ReportTitle());
    host->PrinterSettings().SetFirstPage(printerSettings_.FirstPage());
    host->PrinterSettings().SetLastPage(printerSettings_.LastPage());
    return host;
}

std::unique_ptr<TQuickRep> TQRCompositeReport::BeginHostedOutput(std::unique_ptr<TQRPrinter>& setAside) {
    setAside = std::move(pageStore_);
    CollectReports();
    if (reports_.empty()) {
        pageStore_ = std::move(setAside);
        return nullptr;
    }
    return MakeHostReport(*reports_.front());
}

void TQRCompositeReport::Preview() {
    std::unique_ptr<TQRPrinter> setAside;
    std::unique_ptr<TQuickRep> host = BeginHostedOutput(setAside);
    if (!host) return;
    TCustomQuickRep& first = *reports_.front();
    // Printing from the preview prints the composite, not the empty host.
    host->SetParentComposite(this);
    pageStore_ = std::make_unique<TQRPrinter>(host.get());
    TQRPrinter& store = *pageStore_;
    store.SetOrientation(first.Page().Orientation());
    store.OnPrintSetup = [this] { PrinterSetup(); };
    store.SetOwnerWindow(&MessageWindow());
    store.SetFirstPage(printerSettings_.FirstPage());
    store.SetLastPage(printerSettings_.LastPage());
    if (first.OnPreview) store.OnPreview = [&first](TQRPrinter& sender) { first.OnPreview(sender); };
    store.OnExportToFilter = [this](TQRExportFilter& filter) { ExportToFilter(filter); };

    const ScopeExit finish([&] {
        pageStore_ = std::move(setAside);
        host.reset();
    });
    store.Preview();
    CreateComposite();
    if (pageStore_) pageStore_->SetPagesGenerated(true);
    // The preview closing frees the page store (CMPreviewClose).
    while (pageStore_ && pageStore_->ShowingPreview() && !QCoreApplication::closingDown())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TQRCompositeReport::Print() {
    std::unique_ptr<TQRPrinter> setAside;
    std::unique_ptr<TQuickRep> host = BeginHostedOutput(setAside);
    if (!host) return;
    TCustomQuickRep& first = *reports_.front();
    host->PrinterSettings().SetOrientation(printerSettings_.Orientation());
    pageStore_ = std::make_unique<TQRPrinter>(host.get());
    // However the print ends, the page store set aside comes back and the host report goes.
    const ScopeExit finish([&] {
        pageStore_ = std::move(setAside);
        host.reset();
    });
    // Without a printer nothing is printed and the print says so, as for a single report.
    pageStore_->RequirePrinters();
    TQRPrinter& store = *pageStore_;
    store.SetOrientation(first.Page().Orientation());
    store.SetTitle(first.ReportTitle());
    store.SetFirstPage(printerSettings_.FirstPage());
    store.SetLastPage(printerSettings_.LastPage());
    store.SetOwnerWindow(&MessageWindow());
    // The document keeps the paper it is printed on, without fixing it for later documents.
    if (!printerSettings_.OrientationSet())
        printerSettings_.TQuickRepPrinterSettings::SetOrientation(first.Page().Orientation());
    if (!printerSettings_.PaperSizeSet())
        printerSettings_.TQuickRepPrinterSettings::SetPaperSize(first.Page().PaperSize());
    store.SetDestination(TQRPrinterDestination::qrdPrinter);
    CreateComposite();
}

void TQRCompositeReport::ExportToFilter(TQRExportFilter& filter) {
    std::unique_ptr<TQRPrinter> setAside = std::move(pageStore_);
    pageStore_ = std::make_unique<TQRPrinter>(this);
    pageStore_->SetDestination(TQRPrinterDestination::qrdPrinter);
    exporting_ = true;
    {
        const ScopeExit finish([&] {
            exporting_ = false;
            pageStore_ = std::move(setAside);
        });
        CollectReports();
        pageStore_->SetPrinterIndex(printerSettings_.PrinterIndex());
        if (!reports_.empty()) {
            SetPrinterValues();
            TQRPrinter& store = *pageStore_;
            store.SetDestination(TQRPrinterDestination::qrdMetafile);
            store.BeginDoc();
            store.NewPage();
            if (RunChain(TChainPass::Export, &filter))
                store.EndDoc();
            else
                pageStore_.reset();
        }
    }
    FireFinished(*this);
}

void TQRCompositeReport::CMPreviewClose() {
    if (generating_) {
        if (current_) current_->Cancel();
        return;
    }
    if (pageStore_ && pageStore_->ShowingPreview()) pageStore_->SetShowingPreview(false);
    pageStore_.reset();
}

void TQRCompositeReport::PrinterSetup() {
    std::unique_ptr<TQRPrinter> probe;
    TQRPrinter* store = pageStore_.get();
    if (!store) {
        probe = std::make_unique<TQRPrinter>(this);
        store = probe.get();
    }
    const QStringList printers = store->Printers();
    // The dialog opens on the shared printer's current device; no printer index is imposed.
    PrintDialogSettings dialog;
    OfferPageRange(dialog, *store);
    dialog.copies = printerSettings_.Copies();
    if (!Dialogs().PrintDialog(dialog)) {
        SetTag(kReportTagCancelled);
        return;
    }
    TQRCompositePrinterSettings& settings = printerSettings_;
    settings.SetCopies(dialog.copies);
    settings.SetPrinterIndex(
        dialog.printerName.isEmpty() ? -1 : static_cast<int>(printers.indexOf(dialog.printerName)));
    settings.CustomBinCode = dialog.outputBin;
    settings.ExtendedDuplex = dialog.duplexCode;
    const int binCode = dialog.outputBin >= 256 ? dialog.outputBin - 256 : dialog.outputBin;
    settings.SetOutputBin(QRBinFromCode(binCode).value_or(settings.OutputBin()));
    settings.SetPrintedRange(dialog);
    SetTag(kReportTagAccepted);
}

QSizeF TQRCompositeReport::PageSizeNative() const {
    if (reports_.empty()) return {};
    return reports_.front()->PageSizeNative();
}

TQRPreviewSettings TQRCompositeReport::PreviewSettings() const {
    if (reports_.empty()) return {};
    return reports_.front()->PreviewSettings();
}

TQRPrintChoices TQRCompositeReport::UserPrintChoices() const {
    return printerSettings_.PrintChoices();
}

void TQRCompositeReport::StorePrintChoices(const TQRPrintChoices& choices) {
    printerSettings_.SetPrintChoices(choices);
}

void TQRCompositeReport::SetPagePaper(TQRPaperSize size, TPrinterOrientation orientation) {
    printerSettings_.SetPaperSize(size);
    printerSettings_.SetOrientation(orientation);
}

} // namespace quorvel
