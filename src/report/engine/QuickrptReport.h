#pragma once

#include "platform/FormTypes.h"
#include "report/engine/QuickrptFrame.h"
#include "report/engine/QuickrptRunState.h"
#include "report/engine/QuickrptTypes.h"
#include "report/engine/QuickrptUnits.h"
#include "report/expr/Qrexpr.h"
#include "report/pagestore/QrprntrMessages.h"
#include "report/pagestore/QrprntrPrinter.h"
#include "report/pagestore/QrprntrSettings.h"

#include <QStringList>

#include <memory>
#include <vector>

class QObject;

namespace quorvel {

class TCanvas;
class TDataSetComponent;
class TMetafile;
class TQRController;
class TQRCustomBand;
class TQRCustomController;
class TQRExportFilter;
class TQRImage;
class TQRPrintable;
class TQRProgressWindow;
class TQRCreateReportThread;
class TQRCompositeReport;

// The report's switches for its standard bands. Each reads true when the band list holds a band of
// its type; setting it true creates one (when none is there), false destroys the first one found.
class TQuickRepBands {
public:
    explicit TQuickRepBands(TCustomQuickRep& report)
        : report_(report) {}

    bool HasTitle() const { return Has(TQRBandType::rbTitle); }
    void SetHasTitle(bool value) { Set(TQRBandType::rbTitle, value); }
    bool HasPageHeader() const { return Has(TQRBandType::rbPageHeader); }
    void SetHasPageHeader(bool value) { Set(TQRBandType::rbPageHeader, value); }
    bool HasColumnHeader() const { return Has(TQRBandType::rbColumnHeader); }
    void SetHasColumnHeader(bool value) { Set(TQRBandType::rbColumnHeader, value); }
    bool HasDetail() const { return Has(TQRBandType::rbDetail); }
    void SetHasDetail(bool value) { Set(TQRBandType::rbDetail, value); }
    bool HasPageFooter() const { return Has(TQRBandType::rbPageFooter); }
    void SetHasPageFooter(bool value) { Set(TQRBandType::rbPageFooter, value); }
    bool HasSummary() const { return Has(TQRBandType::rbSummary); }
    void SetHasSummary(bool value) { Set(TQRBandType::rbSummary, value); }

    // The first band of the kind with this switch index (1 title … 7 summary); 5 (a column footer)
    // and anything else yield none.
    TQRCustomBand* BandOfIndex(int index) const;

private:
    bool Has(TQRBandType type) const;
    void Set(TQRBandType type, bool value);

    TCustomQuickRep& report_;
};

// The report's stored printer choices, handed to every page store it makes.
class TQuickRepPrinterSettings : public TQRPrinterSettings {
public:
    // The choices a print dialog starts from and hands back: printer, bin, copies, duplex, page
    // range and the driver switches.
    TQRPrintChoices PrintChoices() const;
    void SetPrintChoices(const TQRPrintChoices& choices);
    // Copies the copies, bin, page range, duplex and the driver switches onto a page store; the
    // printer, paper and orientation are the caller's, which each take from its own source.
    void ApplyRangeAndSwitches(TQRPrinter& pageStore) const;

    bool UseStandardprinter = false;
    bool UseCustomBinCode = false;
    int CustomBinCode = 0;
    int ExtendedDuplex = 0;
    bool UseCustomPaperCode = false;
    int CustomPaperCode = 0;
    bool PrintMetaFile = false;
    int PrintQuality = 0;
    int Collate = 0;
    int ColorOption = 0;
};

// Where the report's output goes while a pass runs.
enum class TQRExportKind : std::uint8_t { Pages, Filter };

// The report: a page description, bands laid on it, and the generation pass that turns them and the
// records of its data sets into pages of a page store. The bands and controls belong to the form
// that holds the layout; the report owns its controller, page, band switches, printer settings,
// Functions, Description and the screen-compatible context it measures text on.
class TCustomQuickRep : public TQRBasePanel, public TQRPrinterOwner {
public:
    explicit TCustomQuickRep(TComponent* owner);
    ~TCustomQuickRep() override;

    std::string_view ClassName() const noexcept override { return "TCustomQuickRep"; }

    TQRPage& Page() noexcept { return *page_; }
    const TQRPage& Page() const noexcept { return *page_; }
    TQuickRepBands& Bands() noexcept { return bands_; }
    TQuickRepPrinterSettings& PrinterSettings() noexcept { return printerSettings_; }
    const TQuickRepPrinterSettings& PrinterSettings() const noexcept { return printerSettings_; }
    // The choices of the last accepted print dialog.
    TQuickRepPrinterSettings& UserPrinterSettings() noexcept { return userPrinterSettings_; }
    TQREvEnvironment& Functions() noexcept { return *functions_; }
    QStringList& Description() noexcept { return description_; }
    const QStringList& Description() const noexcept { return description_; }

    TTessalyOptions Options() const noexcept { return options_; }
    void SetOptions(TTessalyOptions options) noexcept { options_ = options; }
    const QString& ReportTitle() const noexcept { return reportTitle_; }
    void SetReportTitle(const QString& title) { reportTitle_ = title; }
    bool PrintIfEmpty() const noexcept { return printIfEmpty_; }
    virtual void SetPrintIfEmpty(bool value);
    bool ShowProgress() const noexcept { return showProgress_; }
    void SetShowProgress(bool value) noexcept { showProgress_ = value; }
    bool SnapToGrid() const noexcept { return snapToGrid_; }
    void SetSnapToGrid(bool value) noexcept { snapToGrid_ = value; }
    const QString& BackImageControl() const noexcept { return backImageControl_; }
    void SetBackImageControl(const QString& name) { backImageControl_ = name; }

    // The unit of every length of the report, its bands and its controls.
    TQRUnit Units() const { return page_->Units(); }
    virtual void SetUnits(TQRUnit unit);
    // Values outside 1 to 300 are ignored.
    void SetZoom(int percent) override;

    // Handed to the preview window.
    TFormStyle PrevFormStyle = TFormStyle::fsStayOnTop;
    TWindowState PreviewInitialState = TWindowState::wsNormal;
    int PreviewWidth() const noexcept { return previewWidth_; }
    void SetPreviewWidth(int width) noexcept { previewWidth_ = width <= 0 ? 500 : width; }
    int PreviewHeight() const noexcept { return previewHeight_; }
    void SetPreviewHeight(int height) noexcept { previewHeight_ = height <= 0 ? 500 : height; }
    bool PrevShowThumbs = true;
    bool PrevShowSearch = true;
    TQRZoomState PrevInitialZoom = TQRZoomState::qrZoomToFit;

    TQREvent<void(TCustomQuickRep& sender, bool& printReport)> BeforePrint;
    TQREvent<void(TCustomQuickRep& sender)> AfterPrint;
    TQREvent<void(TCustomQuickRep& sender)> AfterPreview;
    TQREvent<void(TCustomQuickRep& sender)> OnStartPage;
    TQREvent<void(TCustomQuickRep& sender)> OnEndPage;
    // Replaces the standard preview window; called with the page store.
    TQREvent<void(TQRPrinter& sender)> OnPreview;
    TQREvent<void(TPrinterSettings& sender, bool& cancel, TDeviceMode& mode)> OnGetPrinterSettings;
    TQREvent<void(TPrinterSettings& sender, bool& cancel, TDeviceMode& mode)> OnApplyPrinterSettings;

    // The ordered list of the report's bands.
    const std::vector<TQRCustomBand*>& BandList() const noexcept { return bandList_; }
    TQRCustomController& Controller() const noexcept { return *controller_; }
    // Creates a TQRBand of that type on the report, named after its kind.
    TQRCustomBand& CreateBand(TQRBandType type);
    void RebuildBandList();
    void SetBandValues();
    void AddBand(TQRCustomBand& band);
    void RemoveBand(TQRCustomBand& band);
    // The printables placed directly on the report, in control order.
    std::vector<TQRPrintable*> ReportPrintables() const;
    // Every printable of the report and its bands.
    std::vector<TQRPrintable*> AllPrintables() const;

    // Text metrics on the screen-compatible reference context: the width plus 1 (0 when measuring
    // fails), and the height of the font's character cell.
    int TextWidth(const TFont& font, const QString& text);
    int TextHeight(const TFont& font, const QString& text);

    // Output.
    void Preview();
    void PreviewModal();
    void PreviewModeless();
    void Print();
    void PrintBackground();
    void Prepare();
    void ExportToFilter(TQRExportFilter& filter);
    void ExportComposite(TQRExportFilter& filter, TQRPrinter& pageStore);
    void Cancel();
    void PrinterSetup() override;
    void SetPrinterValues();
    // The page store of the last output operation (none before the first).
    TQRPrinter* QRPrinter() const noexcept { return qrPrinter_.get(); }
    // Frees the page store of the last output operation.
    void FreeQRPrinter();
    // The preview of the page store closed: cancels a running pass, or frees the page store.
    void CMPreviewClose(TQRPrinter* pageStore);
    // The object that receives the page store's messages for the report (print anew, preview closed).
    QObject& MessageWindow();

    // Generation state, valid while Busy: the pass's run state, which the bands it prints work on.
    TQRRunState& RunState() noexcept { return run_; }
    const TQRRunState& RunState() const noexcept { return run_; }
    bool Busy() const noexcept { return run_.Busy; }
    bool CancelRequested() const noexcept { return run_.CancelRequested; }
    int CursorX() const noexcept { return run_.CursorX; }
    int CursorY() const noexcept { return run_.CursorY; }
    int PageNumber() const noexcept { return run_.PageCounter; }
    int ColumnIndex() const noexcept { return run_.ColumnIndex; }
    bool DrawToCanvas() const noexcept { return drawToCanvas_; }
    bool ExportMode() const noexcept { return exportFilter_ != nullptr; }
    TQRExportFilter* ExportFilter() const noexcept { return exportFilter_; }
    double FooterReserve() const noexcept { return run_.FooterReserve; }
    const TQREvDataSetList& DataSetList() const noexcept { return run_.DataSets; }
    // The page store the running pass draws through (a temporary one while exporting).
    TQRPrinter* PageStore() const noexcept { return pageStore_; }
    // The running pass is one report of a composite report.
    bool CompositePart() const noexcept { return run_.CompositePart; }
    // The composite report this report stands for (the one a composite previews through); its
    // Print prints the composite. Not owned.
    TQRCompositeReport* ParentComposite() const noexcept { return parentComposite_; }
    void SetParentComposite(TQRCompositeReport* composite) noexcept { parentComposite_ = composite; }
    // A composite report chains its reports on one page store: it hands each report the page store
    // to draw through (none: back to the report's own) and the cursor and page counter the previous
    // report of the chain stopped at.
    void SetChainedPageStore(TQRPrinter* pageStore) noexcept {
        pageStore_ = pageStore ? pageStore : qrPrinter_.get();
    }
    void SetCursorY(int y) noexcept { run_.CursorY = y; }
    void SetPageCounter(int pages) noexcept { run_.PageCounter = pages; }
    // The page store's cancel request, read once per record.
    bool PageStoreCancelled() const;
    // Lets pending window messages be processed, as the pass does once per record, so that the
    // preview paints and its close and cancel buttons work. Asking the event loop costs more than
    // printing a band, so it is asked at most every few milliseconds.
    void ProcessMessages();
    void SetProgress(int percent);
    // The next forced page break is skipped (after the title and the first column header).
    void SuppressNextForcedBreak() noexcept { run_.SuppressForcedBreak = true; }
    // Adds an open data set to the data sets expressions see, once.
    void AddToDataSetList(TDataSetComponent& dataSet);

    // The generation pass used by every output operation.
    virtual void CreateReport(bool composite);
    void PrintBand(TQRCustomBand* band);
    void NewPage();
    void NewColumn();
    void EndPage();
    void ForceNewPage();
    void ForceNewColumn();
    int AvailableSpace() const;
    void ResetPageFooterSize();
    void PrintPageBackground();
    // The page length on paper in the report's orientation, tenths of a millimetre.
    double VerticalPaperExtent() const;
    // Columns filled row by row: a column-wide band (with its child chain) has printed and the next
    // one goes right of it, or below the row when it was the last column (NextCell); a column-wide
    // band is placed in column 1 and a new row starts at the cursor (StartCell).
    void NextCell();
    void StartCell();
    // Finds the rbDetail band (or another type) first in the band list.
    TQRCustomBand* FirstBandOfType(TQRBandType type) const;

    // TQRPrinterOwner.
    bool UseStandardPrinterSetting() const override;
    int MemoryLimitSetting() const override;
    bool ShowProgressSetting() const override { return showProgress_; }
    QSizeF PageSizeNative() const override;
    bool IsExporting() const override { return ExportMode(); }
    void FireAfterPrint() override;
    TQRPreviewSettings PreviewSettings() const override;
    void PrintReport() override { Print(); }
    TQRPrintChoices UserPrintChoices() const override;
    void StorePrintChoices(const TQRPrintChoices& choices) override;
    void SetPagePaper(TQRPaperSize size, TPrinterOrientation orientation) override;

    void Loaded() override;
    // With Custom paper a new pixel size on the design surface becomes the page's Width and Length.
    void SetBounds(int left, int top, int width, int height) override;
    // Waits for a pass started by PreviewModal, PreviewModeless or PrintBackground to end.
    void WaitForBackgroundPass();

protected:
    virtual void Execute();
    virtual void SetControllerBands() {}
    void InstallController(std::unique_ptr<TQRCustomController> controller);
    void Notification(TComponent& component, TOperation operation) override;
    void ChildPlaced(TComponent& child) override;
    void ChildRemoved(TComponent& child) override;
    // Makes a fresh page store for an output operation and wires its callbacks.
    TQRPrinter& PrepareQRPrinter();
    void WirePreviewHooks(TQRPrinter& store);
    void RunExport(TQRExportFilter& filter, TQRPrinter* store, bool composite);
    void StartBackgroundPass();

private:
    void RegisterBand(TQRCustomBand* band, std::vector<TQRCustomBand*>& list) const;
    void FillDataSetList();
    void CollectDataSets(TComponent& owner, int depth);
    void PrintBackgroundImage();
    int ColumnWidth() const;
    // A page-wide band is about to print: it goes below the row begun.
    void CloseRow();
    void DrawReportFrame();

    std::unique_ptr<TQRPage> page_;
    TQuickRepBands bands_;
    TQuickRepPrinterSettings printerSettings_;
    TQuickRepPrinterSettings userPrinterSettings_;
    std::unique_ptr<TQREvEnvironment> functions_;
    QStringList description_;
    std::unique_ptr<TQRCustomController> controller_;
    std::vector<TQRCustomBand*> bandList_;
    std::unique_ptr<TMetafile> referencePicture_;
    std::unique_ptr<TCanvas> referenceCanvas_;
    std::unique_ptr<TQRPrinter> qrPrinter_;
    std::unique_ptr<QObject> messageWindow_;
    std::unique_ptr<TQRCreateReportThread> backgroundPass_;

    TTessalyOptions options_ = TTessalyOption::FirstPageHeader | TTessalyOption::LastPageFooter;
    QString reportTitle_;
    bool printIfEmpty_ = true;
    bool showProgress_ = true;
    bool snapToGrid_ = true;
    QString backImageControl_;
    int previewWidth_ = 500;
    int previewHeight_ = 500;

    TQRRunState run_;
    bool drawToCanvas_ = true;
    TQRExportFilter* exportFilter_ = nullptr;
    TQRPrinter* pageStore_ = nullptr; // the page store the running pass draws through
    TQRCompositeReport* parentComposite_ = nullptr;
};

// A report driven by a data set: its title, detail and summary bands print around the records of
// DataSet (or of OnNeedData when it has none).
class TQuickRep : public TCustomQuickRep {
public:
    explicit TQuickRep(TComponent* owner);
    std::string_view ClassName() const noexcept override { return "TQuickRep"; }

    TDataSetComponent* DataSet() const noexcept { return dataSet_; }
    void SetDataSet(TDataSetComponent* dataSet);
    TQREvent<void(TComponent& sender, bool& moreData)> OnNeedData;

    // The detail record being printed (from 1), and the record count of the active data set (1 when
    // there is none).
    int GetRecordNumber() const;
    int GetRecordCount() const;

    TQRController& DataController() const;

protected:
    void Execute() override;
    void SetControllerBands() override;
    void Notification(TComponent& component, TOperation operation) override;

private:
    TDataSetComponent* dataSet_ = nullptr;
};

// A report without a data set of its own: only its child controllers run.
class TQuickAbstractRep : public TCustomQuickRep {
public:
    explicit TQuickAbstractRep(TComponent* owner);
    std::string_view ClassName() const noexcept override { return "TQuickAbstractRep"; }
};

class TQuickLabelReport;

// The label-sheet view of a label report's page and detail band.
class TQRLabelSetup final : public TQRUnitBase {
public:
    enum Index { iTopMargin, iSideMargin, iVerticalPitch, iLabelWidth, iLabelHeight, iHorizontalPitch };

    explicit TQRLabelSetup(TQuickLabelReport& report);

    double TopMargin() const;
    void SetTopMargin(double value);
    double SideMargin() const;
    void SetSideMargin(double value);
    double VerticalPitch() const;
    void SetVerticalPitch(double value);
    double LabelWidth() const;
    void SetLabelWidth(double value);
    double LabelHeight() const;
    void SetLabelHeight(double value);
    double HorizontalPitch() const;
    void SetHorizontalPitch(double value);
    int NumberAcross() const;
    void SetNumberAcross(int value);
    int NumberDown() const noexcept { return numberDown_; }
    void SetNumberDown(int value) noexcept { numberDown_ = value; }

    bool Horizontal(int index) const override;
    std::vector<double> WriteValues() const override;
    void ReadValues(std::span<const double> values) override;

private:
    double Native(double value) const;
    double InUnit(double native, int index) const;
    TQRCustomBand* Detail() const;
    TQRCustomBand* DetailChild() const;

    TQuickLabelReport& report_;
    int numberDown_ = 1;
};

// A report laid out as a sheet of labels: a detail band from creation, repeated across the page's
// columns.
class TQuickLabelReport : public TCustomQuickRep {
public:
    explicit TQuickLabelReport(TComponent* owner);
    ~TQuickLabelReport() override;
    std::string_view ClassName() const noexcept override { return "TQuickLabelReport"; }

    TQRLabelSetup& LabelSetup() noexcept { return *labelSetup_; }

private:
    std::unique_ptr<TQRLabelSetup> labelSetup_;
};

} // namespace quorvel
