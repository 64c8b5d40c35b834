#pragma once

#include "platform/Component.h"
#include "report/engine/QuickrptReport.h"
#include "report/engine/QuickrptTypes.h"
#include "report/pagestore/QrprntrPrinter.h"

#include <QString>

#include <memory>
#include <vector>

class QObject;

namespace quorvel {

class TQRExportFilter;

// The printer choices of a composite report; besides the report's switches they carry the
// orientation and paper size of the whole document. Until a paper size or orientation is set here,
// the document takes the one of its first report, so that a composite of A4 reports prints on A4.
class TQRCompositePrinterSettings : public TQuickRepPrinterSettings {
public:
    void SetPaperSize(TQRPaperSize value) noexcept {
        TQuickRepPrinterSettings::SetPaperSize(value);
        paperSizeSet_ = true;
    }
    void SetOrientation(TPrinterOrientation value) noexcept {
        TQuickRepPrinterSettings::SetOrientation(value);
        orientationSet_ = true;
    }
    bool PaperSizeSet() const noexcept { return paperSizeSet_; }
    bool OrientationSet() const noexcept { return orientationSet_; }

private:
    bool paperSizeSet_ = false;
    bool orientationSet_ = false;
};

// Runs several reports one after another into one page store, so that they make one document: each
// report continues on the page where the one before it stopped, below its last band, and the page
// numbers run on. The reports are named by the OnAddReports handler for every operation and are
// never owned. The composite holds a page store only while an operation runs, and after Prepare.
class TQRCompositeReport : public TComponent, public TQRPrinterOwner {
public:
    explicit TQRCompositeReport(TComponent* owner);
    ~TQRCompositeReport() override;

    std::string_view ClassName() const noexcept override { return "TQRCompositeReport"; }

    // Fills the report list (Reports().push_back) for the operation about to run.
    TQREvent<void(TComponent& sender)> OnAddReports;
    // Fires after each report of the chain that was not cancelled (Sender = that report), then once
    // with the composite as Sender when the operation's chain is over.
    TQREvent<void(TComponent& sender)> OnFinished;

    TTessalyOptions Options() const noexcept { return options_; }
    void SetOptions(TTessalyOptions options) noexcept { options_ = options; }
    TQRCompositePrinterSettings& PrinterSettings() noexcept { return printerSettings_; }
    const TQRCompositePrinterSettings& PrinterSettings() const noexcept { return printerSettings_; }
    // Stored with the layout; the document takes its title from the first report.
    const QString& ReportTitle() const noexcept { return reportTitle_; }
    void SetReportTitle(const QString& title) { reportTitle_ = title; }

    // The chained reports, in the order they run.
    std::vector<TCustomQuickRep*>& Reports() noexcept { return reports_; }

    // Makes a page store owned by the composite and generates the document into it; it stays until
    // the next operation.
    void Prepare();
    // Generates into a page store shown in a preview window; returns when the preview closes.
    void Preview();
    // Generates straight to the printer.
    void Print();
    // Runs every report once more into the filter, which is started by the first report and
    // finished by the last.
    void ExportToFilter(TQRExportFilter& filter);
    // Runs the print dialog and keeps the choices in PrinterSettings; Tag reads 0 when accepted and
    // 1 when cancelled.
    void PrinterSetup() override;
    // Transfers PrinterSettings onto the page store in use; the paper and orientation not set there
    // come from the first report.
    void SetPrinterValues();
    // The chained generation the operations above run.
    void CreateComposite();

    // The page store in use (none between operations, except after Prepare).
    TQRPrinter* QRPrinter() const noexcept { return pageStore_.get(); }
    // The report of the chain now generating, or none.
    TCustomQuickRep* CurrentReport() const noexcept { return current_; }
    bool Generating() const noexcept { return generating_; }

    // The page store's preview closed: cancels the report running, or frees the page store.
    void CMPreviewClose();
    // The object that receives the page store's messages for the composite.
    QObject& MessageWindow();

    // TQRPrinterOwner, for the page stores the composite owns itself.
    bool UseStandardPrinterSetting() const override { return printerSettings_.UseStandardprinter; }
    int MemoryLimitSetting() const override { return printerSettings_.MemoryLimit(); }
    bool ShowProgressSetting() const override { return true; }
    QSizeF PageSizeNative() const override;
    bool IsExporting() const override { return exporting_; }
    void FireAfterPrint() override {}
    TQRPreviewSettings PreviewSettings() const override;
    void PrintReport() override { Print(); }
    TQRPrintChoices UserPrintChoices() const override;
    void StorePrintChoices(const TQRPrintChoices& choices) override;
    void SetPagePaper(TQRPaperSize size, TPrinterOrientation orientation) override;

private:
    enum class TChainPass : std::uint8_t { Printing, Export };

    // Asks OnAddReports for the reports of this operation.
    void CollectReports();
    // Runs the reports of the list one after another on the page store in use; false when one of
    // them was cancelled.
    bool RunChain(TChainPass pass, TQRExportFilter* filter);
    // A report owned by the composite that stands for the document while it is previewed or printed.
    std::unique_ptr<TQuickRep> MakeHostReport(const TCustomQuickRep& first) const;
    // Preview and print begin alike: the page store in use is set aside and the reports are collected.
    // With none the page store comes back and nothing is to be done (nullptr); otherwise the host
    // report, made after the first report.
    std::unique_ptr<TQuickRep> BeginHostedOutput(std::unique_ptr<TQRPrinter>& setAside);
    void FireFinished(TComponent& sender) {
        if (OnFinished) OnFinished(sender);
    }

    TTessalyOptions options_ = TTessalyOption::FirstPageHeader | TTessalyOption::LastPageFooter;
    TQRCompositePrinterSettings printerSettings_;
    QString reportTitle_;
    std::vector<TCustomQuickRep*> reports_;
    std::unique_ptr<TQRPrinter> pageStore_;
    TCustomQuickRep* current_ = nullptr;
    bool generating_ = false;
    bool exporting_ = false;
    std::unique_ptr<QObject> messageWindow_;
};

} // namespace quorvel
