// Documents drawn by code on a page store, and saved-report files opened for preview and printing.

#include "platform/Dialogs.h"
#include "report/engine/QuickrptReport.h"
#include "report/extra/Qrextra.h"
#include "report/pagestore/QrprntrPrinter.h"
#include "report/pagestore/QuickrptPreview.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace quorvel {

namespace {

// Lets window messages run until the page store's preview is closed (or the application ends).
void WaitForPreview(const TQRPrinter& pageStore) {
    while (pageStore.ShowingPreview() && !QCoreApplication::closingDown())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

void TQRPrintJob::Preview() {
    auto report = std::make_unique<TQuickRep>(nullptr);
    auto pageStore = std::make_unique<TQRPrinter>(report.get());
    TQRPrinter& store = *pageStore;
    store.SetDestination(TQRPrinterDestination::qrdMetafile);
    store.SetPrintMetafileFromPreview(true);
    store.Preview();
    QCoreApplication::processEvents();
    CreateOutput(store);
    WaitForPreview(store);
}

void TQRPrintJob::Print() {
    auto report = std::make_unique<TQuickRep>(nullptr);
    auto pageStore = std::make_unique<TQRPrinter>(report.get());
    pageStore->SetDestination(TQRPrinterDestination::qrdPrinter);
    CreateOutput(*pageStore);
}

TQRPHandler::TQRPHandler()
    : report_(std::make_unique<TQuickRep>(nullptr)) {}

TQRPHandler::~TQRPHandler() {
    pageStore_.reset();
}

TCustomQuickRep& TQRPHandler::Report() const noexcept {
    return *report_;
}

void TQRPHandler::SetFilename(const QString& name) {
    if (name == filename_) return;
    pageStore_.reset();
    filename_.clear();
    auto store = std::make_unique<TQRPrinter>(report_.get());
    store->Load(name);
    pageStore_ = std::move(store);
    filename_ = name;
}

void TQRPHandler::Preview() {
    if (!pageStore_) return;
    TQRPrinter& store = *pageStore_;
    report_->Page().SetOrientation(store.Orientation());
    store.Preview();
    // The pages are a saved file's: the window opened on them offers no saving.
    if (QObject* window = store.PreviewWindow()) CreatePreviewInterface()->DisableSaving(*window);
    WaitForPreview(store);
}

void TQRPHandler::Print() {
    if (!pageStore_) return;
    report_->Page().SetOrientation(pageStore_->Orientation());
    pageStore_->Print();
}

void TQRPHandler::HandlePrintSetup() {
    PrintDialogSettings dialog;
    TQRPrinter* store = pageStore_.get();
    if (store) {
        const QStringList& printers = store->Printers();
        const int index = store->PrinterIndex();
        if (index >= 0 && index < printers.size()) dialog.printerName = printers[index];
    }
    if (!Dialogs().PrintDialog(dialog) || !store) return;
    store->SetPrinterIndex(
        dialog.printerName.isEmpty() ? -1 : static_cast<int>(store->Printers().indexOf(dialog.printerName)));
}

} // namespace quorvel
