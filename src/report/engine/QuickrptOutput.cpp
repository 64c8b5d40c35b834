// The report's output operations: each makes a fresh page store, wires it and runs one generation
// pass into it, for a preview, the printer or an export filter.

#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "platform/Rounding.h"
#include "platform/ScopeExit.h"
#include "report/engine/QuickrptComposite.h"
#include "report/engine/QuickrptReport.h"
#include "report/pagestore/QrprntrFilter.h"
#include "report/pagestore/QrprntrMessages.h"
#include "report/pagestore/QuickrptPreview.h"

#include "report/engine/QuickrptThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>

namespace quorvel {

// Receives the page store's messages for the report on the user-interface thread: "print anew"
// (posted) and "preview closed" (sent).
class TQRReportWindow : public QObject {
public:
    explicit TQRReportWindow(TCustomQuickRep& report)
        : report_(report) {}

    bool event(QEvent* event) override {
        if (event->type() == CM_QRPRINT) {
            RunGuarded([&] { report_.Print(); });
            return true;
        }
        if (event->type() == CM_QRPREVIEWCLOSE) {
            report_.CMPreviewClose(static_cast<PageStoreMessage*>(event)->PageStore());
            return true;
        }
        return QObject::event(event);
    }

private:
    TCustomQuickRep& report_;
};

QObject& TCustomQuickRep::MessageWindow() {
    if (!messageWindow_) messageWindow_ = std::make_unique<TQRReportWindow>(*this);
    return *messageWindow_;
}

TQRPrinter& TCustomQuickRep::PrepareQRPrinter() {
    WaitForBackgroundPass();
    qrPrinter_ = std::make_unique<TQRPrinter>(this);
    TQRPrinter& store = *qrPrinter_;
    store.SetOwnerWindow(&MessageWindow());
    store.OnPrintFinished = [this] { FireAfterPrint(); };
    store.OnPreviewFinished = [this] {
        if (AfterPreview) AfterPreview(*this);
    };
    pageStore_ = &store;
    return store;
}

void TCustomQuickRep::WirePreviewHooks(TQRPrinter& store) {
    store.SetDestination(TQRPrinterDestination::qrdMetafile);
    store.OnPrintSetup = [this] { PrinterSetup(); };
    store.OnExportToFilter = [this](TQRExportFilter& filter) { ExportToFilter(filter); };
    store.SetTitle(reportTitle_);
    if (OnPreview) store.OnPreview = [this](TQRPrinter& sender) { OnPreview(sender); };
}

void TCustomQuickRep::StartBackgroundPass() {
    WaitForBackgroundPass();
    backgroundPass_ = std::make_unique<TQRCreateReportThread>(*this);
    backgroundPass_->start();
}

void TCustomQuickRep::WaitForBackgroundPass() {
    if (!backgroundPass_) return;
    backgroundPass_->wait();
    backgroundPass_.reset();
}

void TCustomQuickRep::FreeQRPrinter() {
    qrPrinter_.reset();
    pageStore_ = nullptr;
}

void TCustomQuickRep::Prepare() {
    if (run_.Busy) return;
    TQRPrinter& store = PrepareQRPrinter();
    WirePreviewHooks(store);
    CreateReport(false);
    store.SetPagesGenerated(true);
}

void TCustomQuickRep::Preview() {
    if (run_.Busy) return;
    QCoreApplication::processEvents();
    if (qrPrinter_ && qrPrinter_->ShowingPreview()) return;
    TQRPrinter& store = PrepareQRPrinter();
    WirePreviewHooks(store);
    // The preview knows the paper before the first page exists; the pass transfers the settings again.
    SetPrinterValues();
    store.Preview();
    CreateReport(false);
    if (qrPrinter_.get() != &store) return;
    store.SetPagesGenerated(true);
    if (AfterPreview) AfterPreview(*this);
    if (run_.CancelRequested) {
        FreeQRPrinter();
        return;
    }
    // The preview window closing frees the page store (CMPreviewClose).
    const QPointer<QObject> guard(&MessageWindow());
    while (guard && qrPrinter_ && qrPrinter_->ShowingPreview() && !QCoreApplication::closingDown())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TCustomQuickRep::PreviewModal() {
    if (run_.Busy) return;
    TQRPrinter& store = PrepareQRPrinter();
    WirePreviewHooks(store);
    StartBackgroundPass();
    store.PreviewModal();
}

void TCustomQuickRep::PreviewModeless() {
    if (run_.Busy) return;
    TQRPrinter& store = PrepareQRPrinter();
    WirePreviewHooks(store);
    StartBackgroundPass();
    store.Preview();
}

void TCustomQuickRep::Print() {
    if (parentComposite_) {
        parentComposite_->Print();
        return;
    }
    if (run_.Busy) return;
    std::unique_ptr<TQRPrinter> previous = std::move(qrPrinter_);
    TQRPrinter* previousStore = pageStore_;
    TQRPrinter& store = PrepareQRPrinter();
    // However the print ends, its page store goes and the previous one comes back (after the
    // progress window, which refers to it).
    const ScopeExit restore([&] {
        FreeQRPrinter();
        qrPrinter_ = std::move(previous);
        pageStore_ = previousStore;
    });
    store.RequirePrinters();
    store.SetDestination(TQRPrinterDestination::qrdPrinter);
    const std::unique_ptr<TQRProgressWindow> progress = CreateProgressWindow(store);
    if (progress) {
        store.SetPreviewControl(progress->Receiver());
        if (showProgress_) progress->Show();
    }
    CreateReport(false);
}

void TCustomQuickRep::PrintBackground() {
    if (run_.Busy) return;
    TQRPrinter& store = PrepareQRPrinter();
    bool started = false;
    const ScopeExit dropUnlessStarted([&] {
        if (!started) FreeQRPrinter();
    });
    store.RequirePrinters();
    store.SetDestination(TQRPrinterDestination::qrdPrinter);
    StartBackgroundPass();
    started = true;
}

void TCustomQuickRep::RunExport(TQRExportFilter& filter, TQRPrinter* store, bool composite) {
    if (run_.Busy) return;
    filter.SetReport(this);
    filter.SetReportQRPrinter(qrPrinter_.get());
    exportFilter_ = &filter;
    drawToCanvas_ = false;
    std::unique_ptr<TQRPrinter> temporary;
    if (!store) {
        temporary = std::make_unique<TQRPrinter>(this);
        store = temporary.get();
    }
    TQRPrinter* previousStore = pageStore_;
    pageStore_ = store;
    std::unique_ptr<TQRProgressWindow> progress;
    if (showProgress_) {
        progress = CreateProgressWindow(*store);
        if (progress) {
            store->SetPreviewControl(progress->Receiver());
            progress->SetCaption(QStringLiteral("Exporting Progress"));
            progress->Show();
        }
    }
    const ScopeExit finish([&] {
        progress.reset();
        temporary.reset();
        exportFilter_ = nullptr;
        drawToCanvas_ = true;
        pageStore_ = previousStore;
    });
    CreateReport(composite);
}

void TCustomQuickRep::ExportToFilter(TQRExportFilter& filter) {
    RunExport(filter, nullptr, false);
}

void TCustomQuickRep::ExportComposite(TQRExportFilter& filter, TQRPrinter& pageStore) {
    RunExport(filter, &pageStore, true);
}

void TCustomQuickRep::CMPreviewClose(TQRPrinter* pageStore) {
    if (run_.Busy) {
        Cancel();
        return;
    }
    if (!qrPrinter_ || (pageStore && pageStore != qrPrinter_.get())) return;
    if (qrPrinter_->ShowingPreview()) qrPrinter_->SetShowingPreview(false);
    FreeQRPrinter();
}

void TCustomQuickRep::SetPrinterValues() {
    if (!pageStore_) return;
    TQRPrinter& store = *pageStore_;
    const TQuickRepPrinterSettings& settings = printerSettings_;
    store.SetPrinterIndex(settings.PrinterIndex());
    store.SetPaperSize(page_->PaperSize());
    if (store.PaperSize() == TQRPaperSize::Custom) {
        store.SetPaperWidth(RoundHalfEven(page_->NativeValue(TQRPage::iWidth)));
        store.SetPaperLength(RoundHalfEven(page_->NativeValue(TQRPage::iLength)));
    }
    store.SetOrientation(page_->Orientation());
    settings.ApplyRangeAndSwitches(store);
    store.SetOnApplyPrinterSettings(OnApplyPrinterSettings.Handler);
    store.SetOnGetPrinterSettings(OnGetPrinterSettings.Handler);
}

void TCustomQuickRep::PrinterSetup() {
    // The printer list and the page count come from a page store; the report's own when it has one.
    std::unique_ptr<TQRPrinter> probe;
    TQRPrinter* store = qrPrinter_.get();
    if (!store) {
        probe = std::make_unique<TQRPrinter>(this);
        store = probe.get();
    }
    const QStringList printers = store->Printers();
    PrintDialogSettings dialog;
    const int index = printerSettings_.PrinterIndex();
    if (index >= 0 && index < printers.size()) dialog.printerName = printers[index];
    OfferPageRange(dialog, *store);
    dialog.orientation = page_->Orientation() == TPrinterOrientation::poLandscape
                             ? PrintOrientation::Landscape
                             : PrintOrientation::Portrait;
    dialog.copies = printerSettings_.Copies();
    if (!Dialogs().PrintDialog(dialog)) {
        SetTag(kReportTagCancelled);
        return;
    }
    const TPrinterOrientation orientation = dialog.orientation == PrintOrientation::Landscape
                                                ? TPrinterOrientation::poLandscape
                                                : TPrinterOrientation::poPortrait;
    const int chosen =
        dialog.printerName.isEmpty() ? -1 : static_cast<int>(printers.indexOf(dialog.printerName));
    printerSettings_.SetCopies(dialog.copies);
    printerSettings_.SetPrinterIndex(chosen);
    page_->SetOrientation(orientation);

    TQuickRepPrinterSettings& user = userPrinterSettings_;
    user.CustomBinCode = dialog.outputBin;
    user.ExtendedDuplex = dialog.duplexCode;
    user.PrintQuality = dialog.resolution;
    user.Collate = dialog.collate ? 1 : 0;
    user.ColorOption = dialog.color ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
    user.SetCopies(dialog.copies);
    user.SetOrientation(orientation);
    const int binCode = dialog.outputBin >= 256 ? dialog.outputBin - 256 : dialog.outputBin;
    user.SetOutputBin(QRBinFromCode(binCode).value_or(printerSettings_.OutputBin()));
    user.CustomPaperCode = dialog.pageSize.windowsId();
    user.SetPrinterIndex(chosen);
    user.SetFirstPage(dialog.fromPage);
    user.SetLastPage(dialog.toPage);
    user.SetDuplex(dialog.duplexCode != DMDUP_SIMPLEX);

    printerSettings_.SetPrintedRange(dialog);
    SetTag(kReportTagAccepted);
}

bool TCustomQuickRep::UseStandardPrinterSetting() const {
    return printerSettings_.UseStandardprinter;
}

int TCustomQuickRep::MemoryLimitSetting() const {
    return printerSettings_.MemoryLimit();
}

QSizeF TCustomQuickRep::PageSizeNative() const {
    return QSizeF(page_->NativeValue(TQRPage::iWidth), page_->NativeValue(TQRPage::iLength));
}

void TCustomQuickRep::FireAfterPrint() {
    if (AfterPrint) AfterPrint(*this);
}

TQRPreviewSettings TCustomQuickRep::PreviewSettings() const {
    TQRPreviewSettings settings;
    settings.FormStyle = PrevFormStyle;
    settings.InitialState = PreviewInitialState;
    settings.Width = previewWidth_;
    settings.Height = previewHeight_;
    settings.ShowThumbs = PrevShowThumbs;
    settings.ShowSearch = PrevShowSearch;
    settings.InitialZoom = PrevInitialZoom;
    settings.Zoom = Zoom();
    settings.Title = reportTitle_;
    settings.Orientation = page_->Orientation();
    return settings;
}

void TQuickRepPrinterSettings::ApplyRangeAndSwitches(TQRPrinter& store) const {
    store.SetCopies(Copies());
    store.SetBin(OutputBin());
    store.SetFirstPage(FirstPage());
    store.SetLastPage(LastPage());
    store.SetDuplex(Duplex());
    store.SetUseStandardPrinter(UseStandardprinter);
    store.SetPrintMetafile(PrintMetaFile);
    store.SetUseCustomBinCode(UseCustomBinCode);
    store.SetCustomBinCode(CustomBinCode);
    store.SetUseCustomPaperCode(UseCustomPaperCode);
    store.SetCustomPaperCode(CustomPaperCode);
    store.SetPrintQuality(PrintQuality);
    store.SetCollate(Collate);
    store.SetColorOption(ColorOption);
    store.SetExtendedDuplex(ExtendedDuplex);
}

TQRPrintChoices TQuickRepPrinterSettings::PrintChoices() const {
    TQRPrintChoices choices;
    choices.PrinterIndex = PrinterIndex();
    choices.OutputBin = OutputBin();
    choices.Collate = Collate;
    choices.ColorOption = ColorOption;
    choices.PrintQuality = PrintQuality;
    choices.Copies = Copies();
    choices.Duplex = Duplex();
    choices.CustomBinCode = CustomBinCode;
    choices.UseCustomBinCode = UseCustomBinCode;
    choices.FirstPage = FirstPage();
    choices.LastPage = LastPage();
    choices.ExtendedDuplex = ExtendedDuplex;
    choices.UseExtendedDuplex = ExtendedDuplex != 0;
    return choices;
}

void TQuickRepPrinterSettings::SetPrintChoices(const TQRPrintChoices& choices) {
    SetPrinterIndex(choices.PrinterIndex);
    SetOutputBin(choices.OutputBin);
    Collate = choices.Collate;
    ColorOption = choices.ColorOption;
    PrintQuality = choices.PrintQuality;
    SetCopies(choices.Copies);
    SetDuplex(choices.Duplex);
    CustomBinCode = choices.CustomBinCode;
    UseCustomBinCode = choices.UseCustomBinCode;
    SetFirstPage(choices.FirstPage);
    SetLastPage(choices.LastPage);
    ExtendedDuplex = choices.ExtendedDuplex;
}

TQRPrintChoices TCustomQuickRep::UserPrintChoices() const {
    return userPrinterSettings_.PrintChoices();
}

void TCustomQuickRep::StorePrintChoices(const TQRPrintChoices& choices) {
    printerSettings_.SetPrintChoices(choices);
}

void TCustomQuickRep::SetPagePaper(TQRPaperSize size, TPrinterOrientation orientation) {
    page_->SetOrientation(orientation);
    page_->SetPaperSize(size);
}

} // namespace quorvel
