#pragma once

#include "platform/FormTypes.h"
#include "platform/Metafile.h"
#include "platform/Printer.h"
#include "report/pagestore/QrprntrPageList.h"
#include "report/pagestore/QrprntrPaper.h"
#include "report/pagestore/QrprntrSettings.h"

#include <QEvent>
#include <QPointer>
#include <QRect>
#include <QSizeF>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QObject;

namespace quorvel {

class TCanvas;
class TMetafileCanvas;
class TQRExportFilter;
class TQROutlineNodes;

enum class TQRPrinterDestination : std::uint8_t { qrdMetafile, qrdPrinter };
enum class TQRPrinterStatus : std::uint8_t { mpReady, mpBusy, mpFinished };

// A link area that a control registers on the page being composed (page pixels).
struct THyperlink {
    QRect Rect;
    QString Link;
};

// How the preview shows a page at first: fitted whole, fitted to its width, or at a zoom value.
enum class TQRZoomState : std::uint8_t { qrZoomToFit, qrZoomToWidth, qrZoomOther };

// The report's preview properties, which shape the preview window of its page store.
struct TQRPreviewSettings {
    TFormStyle FormStyle = TFormStyle::fsNormal;
    TWindowState InitialState = TWindowState::wsNormal;
    int Width = 500;
    int Height = 500;
    bool ShowThumbs = true;
    bool ShowSearch = true;
    TQRZoomState InitialZoom = TQRZoomState::qrZoomToFit;
    int Zoom = 100;
    QString Title;                                                     // the report's ReportTitle
    TPrinterOrientation Orientation = TPrinterOrientation::poPortrait; // of the report's page
};

// The choices of a print dialog that the preview hands on to its page store (the report's user
// settings copy) and, for a report's own pages, writes back into the report's PrinterSettings.
struct TQRPrintChoices {
    int PrinterIndex = -1;
    TQRBin OutputBin = TQRBin::Auto;
    int Collate = 0;
    int ColorOption = 0;
    int PrintQuality = 0;
    int Copies = 1;
    bool Duplex = false;
    int CustomBinCode = 0;
    bool UseCustomBinCode = false;
    int FirstPage = 0;
    int LastPage = 0;
    int ExtendedDuplex = 0;
    bool UseExtendedDuplex = false;
};

// What a page store and its preview window need of the report that made the page store (a report
// or a composite report). The report implements it; a page store made by anything else has no
// owner.
class TQRPrinterOwner {
public:
    virtual ~TQRPrinterOwner() = default;

    // Read when the page store is made: print through the shared printer object, and the bytes of
    // pages kept in memory before the page list moves to a temporary file.
    virtual bool UseStandardPrinterSetting() const = 0;
    virtual int MemoryLimitSetting() const = 0;
    // A progress window is shown while stored pages print.
    virtual bool ShowProgressSetting() const = 0;
    // The report's page Width and Length in tenths of a millimetre, which stored pages are printed at.
    virtual QSizeF PageSizeNative() const = 0;
    // The report is running an export: an abandoned document keeps no page.
    virtual bool IsExporting() const = 0;
    // Fires the report's AfterPrint once stored pages were printed.
    virtual void FireAfterPrint() = 0;

    // For the preview window.
    virtual TQRPreviewSettings PreviewSettings() const = 0;
    // The report generates itself anew, straight to the printer (its Print).
    virtual void PrintReport() = 0;
    // Runs the report's print dialog (its PrinterSetup); the accepted choices are then the user
    // settings copy that UserPrintChoices returns.
    virtual void PrinterSetup() = 0;
    virtual TQRPrintChoices UserPrintChoices() const = 0;
    // Writes choices back into the report's PrinterSettings.
    virtual void StorePrintChoices(const TQRPrintChoices& choices) = 0;
    // The report's page takes the paper size and orientation of loaded pages.
    virtual void SetPagePaper(TQRPaperSize size, TPrinterOrientation orientation) = 0;
};

// The page store: the output device of one report run. Under qrdMetafile every page is recorded
// into a page picture at screen resolution and appended to the page list as soon as it is finished,
// where the preview fetches copies while the run goes on; the stored pages can later be printed,
// saved as a saved-report file and loaded again. Under qrdPrinter every page inside the page range
// is drawn straight on the printer at its resolution, and the others into a throw-away picture.
//
// Engine lengths are tenths of a millimetre; XPos/YPos/XSize/YSize turn them into device pixels.
// The page store tells its preview control of progress and finished pages by posted messages
// (CM_QRPROGRESSUPDATE, CM_QRPAGEAVAILABLE), so the generating thread never waits for the window.
//
// Two threads may use it: the generator (BeginDoc … EndDoc) and the user-interface thread, which
// reads the counters, fetches pages and cancels; the page list carries the locks.
class TQRPrinter {
public:
    explicit TQRPrinter(TQRPrinterOwner* owner = nullptr);
    // A page store that draws on `printer` (not owned, outliving the page store) instead of the
    // system's print queues: it is the page store's own printer object, selected and read as a
    // private one would be, and its queue list decides whether printers are present.
    TQRPrinter(TQRPrinterOwner* owner, TPrinter& printer);
    ~TQRPrinter();
    TQRPrinter(const TQRPrinter&) = delete;
    TQRPrinter& operator=(const TQRPrinter&) = delete;

    // Preparing a document.
    TQRPrinterDestination Destination() const noexcept { return destination_; }
    void SetDestination(TQRPrinterDestination destination) noexcept { destination_ = destination; }
    bool Compression();
    void SetCompression(bool value);
    const QString& Title() const noexcept { return title_; }
    void SetTitle(const QString& title) { title_ = title; }
    // The page range for direct printing and printing of stored pages; 0 is no limit.
    int FirstPage() const noexcept { return firstPage_; }
    void SetFirstPage(int page) noexcept { firstPage_ = page; }
    int LastPage() const noexcept { return lastPage_; }
    void SetLastPage(int page) noexcept { lastPage_ = page; }

    // Generating. BeginDoc raises EQRError "QRPrinter not ready" unless the status is mpReady;
    // NewPage raises EQRError "Illegal call to NewPage" unless it is mpBusy.
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void AbortDoc();
    // The surface of the open page; raises EQRError when no page is open.
    TCanvas& Canvas();
    bool HasCanvas() const noexcept;

    // Positions and lengths in tenths of a millimetre to device pixels, rounded half to even.
    int XPos(double x) const;
    int YPos(double y) const;
    int XSize(double x) const;
    int YSize(double y) const;
    // Device pixels per tenth of a millimetre.
    double XFactor() const noexcept { return xFactor_; }
    double YFactor() const noexcept { return yFactor_; }
    // The printer's unprintable offsets while printing directly, else 0 (tenths of a millimetre).
    int LeftWaste() const noexcept { return leftWaste_; }
    int TopWaste() const noexcept { return topWaste_; }

    // The page's width and length in tenths of a millimetre, orientation applied.
    int PaperWidthValue() const;
    int PaperLengthValue() const;
    // The printer settings' paper width and length, orientation not applied.
    int GetPaperWidth() const { return settings_->GetPaperWidth(); }
    int GetPaperLength() const { return settings_->GetPaperLength(); }

    void SetProgress(int percent);
    int Progress() const noexcept { return progress_; }
    void Cancel() noexcept { cancelRequested_ = true; }
    bool Cancelled() const noexcept { return cancelRequested_; }

    // A link area or an outline entry of the open page.
    void AddHyperlink(const QRect& rect, const QString& link);
    void AddOutline(int level, const QString& text, const QRect& rect);
    // The links of the open page; they go when the page ends.
    const std::vector<THyperlink>& PageHyperlinks() const noexcept { return hyperlinks_; }

    TQRPrinterStatus Status() const noexcept { return status_; }
    int PageNumber() const noexcept { return pageNumber_; }
    int PageCount() const noexcept { return pageCount_; }
    int AvailablePages() const noexcept { return availablePages_; }

    // A new copy of page n's picture for the caller; none unless the status is mpBusy or
    // mpFinished and n is a stored page (the page being composed is not stored yet).
    std::unique_ptr<TMetafile> GetPage(int n);
    // Selects a page, only once there is one and n is not past PageCount.
    void SetPageNumber(int n);

    // The preview: the report's replacement when it has one, else a window of the registered
    // preview class, shown (Preview) or run until it closes (PreviewModal).
    void Preview();
    void PreviewModal();
    bool ShowingPreview() const noexcept { return showingPreview_; }
    // Turning it off while a document is still being made cancels it and calls OnPreviewFinished.
    void SetShowingPreview(bool showing);
    // The preview window closed: detaches without the callback and tells the owner window
    // (CM_QRPREVIEWCLOSE, sent).
    void ClosePreview(QObject* window);
    void SetOutline(TQROutlineNodes* nodes);

    // Prints the stored pages (or has the report print itself anew, CM_QRPRINT); nothing happens
    // before mpFinished. Without a printer it raises EPrinter (RequirePrinters).
    void Print();
    void PrintSetup();
    void ExportToFilter(TQRExportFilter& filter);
    // Writes the saved-report file; nothing happens before mpFinished.
    void Save(const QString& fileName);
    // Reads a saved-report file into the page store, which ends mpFinished with its pages; the
    // paper size and orientation follow the first page where it matches one of the first 26 sizes.
    void Load(const QString& fileName);
    // Drops every page and returns to mpReady.
    void Cleanup();

    // The printer settings, read and written one to one.
    TPrinterSettings& PrinterSettings() noexcept { return *settings_; }
    const TPrinterSettings& PrinterSettings() const noexcept { return *settings_; }
    TQRBin Bin() const { return settings_->OutputBin(); }
    void SetBin(TQRBin value) { settings_->SetOutputBin(value); }
    int Copies() const { return settings_->Copies(); }
    void SetCopies(int value) { settings_->SetCopies(value); }
    bool Duplex() const { return settings_->Duplex(); }
    void SetDuplex(bool value) { settings_->SetDuplex(value); }
    TPrinterOrientation Orientation() const { return settings_->Orientation(); }
    void SetOrientation(TPrinterOrientation value) { settings_->SetOrientation(value); }
    TQRPaperSize PaperSize() const { return settings_->PaperSize(); }
    void SetPaperSize(TQRPaperSize value) { settings_->SetPaperSize(value); }
    int PaperWidth() const { return settings_->PaperWidth(); }
    void SetPaperWidth(int value) { settings_->SetPaperWidth(value); }
    int PaperLength() const { return settings_->PaperLength(); }
    void SetPaperLength(int value) { settings_->SetPaperLength(value); }
    bool UseStandardPrinter() const { return settings_->UseStandardPrinter(); }
    void SetUseStandardPrinter(bool value) { settings_->SetUseStandardPrinter(value); }
    bool PrintMetafile() const { return settings_->PrintMetafile(); }
    void SetPrintMetafile(bool value) { settings_->SetPrintMetafile(value); }
    bool UseCustomBinCode() const { return settings_->UseCustomBinCode(); }
    void SetUseCustomBinCode(bool value) { settings_->SetUseCustomBinCode(value); }
    int CustomBinCode() const { return settings_->CustomBinCode(); }
    void SetCustomBinCode(int value) { settings_->SetCustomBinCode(value); }
    bool UseCustomPaperCode() const { return settings_->UseCustomPaperCode(); }
    void SetUseCustomPaperCode(bool value) { settings_->SetUseCustomPaperCode(value); }
    int CustomPaperCode() const { return settings_->CustomPaperCode(); }
    void SetCustomPaperCode(int value) { settings_->SetCustomPaperCode(value); }
    bool UseExtendedDuplex() const { return settings_->UseExtendedDuplex(); }
    void SetUseExtendedDuplex(bool value) { settings_->SetUseExtendedDuplex(value); }
    int ExtendedDuplex() const { return settings_->ExtendedDuplex(); }
    void SetExtendedDuplex(int value) { settings_->SetExtendedDuplex(value); }
    int PrintQuality() const { return settings_->PrintQuality(); }
    void SetPrintQuality(int value) { settings_->SetPrintQuality(value); }
    int Collate() const { return settings_->Collate(); }
    void SetCollate(int value) { settings_->SetCollate(value); }
    int ColorOption() const { return settings_->ColorOption(); }
    void SetColorOption(int value) { settings_->SetColorOption(value); }
    const TQRPrinterSettingsEvent& OnApplyPrinterSettings() const {
        return settings_->OnApplyPrinterSettings;
    }
    void SetOnApplyPrinterSettings(TQRPrinterSettingsEvent event) {
        settings_->OnApplyPrinterSettings = std::move(event);
    }
    const TQRPrinterSettingsEvent& OnGetPrinterSettings() const { return settings_->OnGetPrinterSettings; }
    void SetOnGetPrinterSettings(TQRPrinterSettingsEvent event) {
        settings_->OnGetPrinterSettings = std::move(event);
    }
    // The printer list of the system printer, and its selected index (-1: the default printer).
    const QStringList& Printers() const;
    int PrinterIndex() const;
    // Selects a printer on the private printer object and reads its settings anew; only with
    // printers present and UseStandardPrinter off.
    void SetPrinterIndex(int index);

    // The printer drawn on: the shared printer object or the page store's own.
    TPrinter& SystemPrinter() noexcept { return *systemPrinter_; }
    // At least one printer was listed when the page store was made or last looked for them.
    bool PrintersPresent() const noexcept { return printersPresent_; }
    // Every print asks the print system for its printers anew, so that a queue added while the
    // program runs is printed on, and raises EPrinter "No printer is installed" when there is none:
    // a print never ends without a job and without a word.
    void RequirePrinters();

    TQRPageList& PageList() noexcept { return pageList_; }

    // Who hears of the page store. The preview control (a TQRPreview or a progress window) receives
    // CM_QRPROGRESSUPDATE and CM_QRPAGEAVAILABLE; the owner window receives CM_QRPRINT and
    // CM_QRPREVIEWCLOSE. Both are kept as guarded pointers: a destroyed receiver is simply gone.
    TQRPrinterOwner* ParentReport() const noexcept { return owner_; }
    QObject* PreviewControl() const noexcept { return previewControl_; }
    void SetPreviewControl(QObject* control) noexcept { previewControl_ = control; }
    QObject* OwnerWindow() const noexcept { return ownerWindow_; }
    // The window the preview interface opened on Preview, while it is there.
    QObject* PreviewWindow() const noexcept { return previewWindow_; }
    void SetOwnerWindow(QObject* window) noexcept { ownerWindow_ = window; }
    // Set when the report made the stored pages on its own (and by Load); printing then prints
    // them instead of asking the report to print itself anew.
    bool PagesGenerated() const noexcept { return pagesGenerated_.load(); }
    void SetPagesGenerated(bool value) noexcept { pagesGenerated_.store(value); }

    // Hooks the report installs. OnPreview replaces the standard preview window.
    std::function<void(TQRPrinter&)> OnPreview;
    std::function<void()> OnPrintSetup;
    std::function<void(TQRExportFilter&)> OnExportToFilter;
    // Called when a direct-printing document ends (the report fires AfterPrint).
    std::function<void()> OnPrintFinished;
    // Called when the preview stops showing this page store (the report fires AfterPreview).
    std::function<void()> OnPreviewFinished;
    // Called as the page store goes, so that a preview showing it lets go of it.
    std::function<void(TQRPrinter&)> OnDestroy;

    // Set by Load and by a print job's preview: the preview's print button prints the pages this page
    // store holds instead of having the report print itself anew. It belongs to the page store, so
    // that a file loaded into one preview does not change how the next report prints.
    bool PrintMetafileFromPreview() const noexcept { return printMetafileFromPreview_; }
    void SetPrintMetafileFromPreview(bool value) noexcept { printMetafileFromPreview_ = value; }

private:
    TQRPrinter(TQRPrinterOwner* owner, TPrinter* given);
    void SetAvailablePages(int pages);
    void UseScreenFactors();
    void UsePrinterFactors();
    bool CurrentPageOK() const;
    void CreateMetafileCanvas();
    void CreatePrinterCanvas();
    void EndPrinterCanvas();
    void ClosePicture(bool store);
    void Post(QEvent::Type type, int first);
    void DetectPaper(const TMetafile& firstPage);
    void PrintStoredPages();
    // Binds the settings to the printer drawn on, which starts on the printer the shared one has
    // selected.
    void BindPrinter();

    TQRPrinterOwner* owner_;
    TQRPrinterDestination destination_ = TQRPrinterDestination::qrdMetafile;
    std::atomic<TQRPrinterStatus> status_ = TQRPrinterStatus::mpReady;
    std::atomic<int> pageNumber_ = 0;
    std::atomic<int> pageCount_ = 0;
    std::atomic<int> availablePages_ = 0;
    std::atomic<int> progress_ = 0;
    std::atomic<bool> cancelRequested_ = false;
    QString title_;
    int firstPage_ = 0;
    int lastPage_ = 0;
    double xFactor_;
    double yFactor_;
    int leftWaste_ = 0;
    int topWaste_ = 0;

    std::unique_ptr<TMetafile> picture_;
    std::unique_ptr<TMetafileCanvas> pictureCanvas_;
    // The drawing surface of an export, which keeps no picture.
    std::unique_ptr<TCanvas> exportSurface_;
    TCanvas* printerCanvas_ = nullptr;
    std::vector<THyperlink> hyperlinks_;

    TQRPageList pageList_;
    std::shared_ptr<TQRStream> stream_;
    std::unique_ptr<TPrinterSettings> settings_;
    std::unique_ptr<TPrinter> ownPrinter_; // the private printer object the page store made
    TPrinter* privatePrinter_ = nullptr;   // that one or the one it was given; none with the shared one
    TPrinter* systemPrinter_ = nullptr;    // the printer drawn on
    bool printersPresent_ = false;
    // Made on a printer its caller gave, rather than on the process's shared one.
    bool givenPrinter_ = false;
    bool showingPreview_ = false;
    bool printMetafileFromPreview_ = false;
    // Written by the report's worker thread, read by the window that prints.
    std::atomic<bool> pagesGenerated_ = false;
    QPointer<QObject> previewControl_;
    QPointer<QObject> ownerWindow_;
    QPointer<QObject> previewWindow_; // the window Preview opened
};

// The process-wide page store, made on first use and kept until the application object goes.
TQRPrinter& QRPrinter();

} // namespace quorvel
