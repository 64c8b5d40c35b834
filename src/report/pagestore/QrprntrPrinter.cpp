#include "report/pagestore/QrprntrPrinter.h"

#include "platform/Canvas.h"
#include "platform/EventLoop.h"
#include "platform/MeasuringCanvas.h"
#include "platform/MetafileCanvas.h"
#include "platform/Rounding.h"
#include "report/pagestore/QrprntrMessages.h"
#include "report/pagestore/QuickrptPreview.h"

#include <QCoreApplication>

namespace quorvel {

namespace {

constexpr double kMinimumFactor = 0.1;
constexpr double kFallbackFactor = 96.0 / 254.0;

std::unique_ptr<TQRPrinter>& ProcessPageStore() {
    static std::unique_ptr<TQRPrinter> pageStore;
    return pageStore;
}

} // namespace

TQRPrinter::TQRPrinter(TQRPrinterOwner* owner)
    : TQRPrinter(owner, nullptr) {}

TQRPrinter::TQRPrinter(TQRPrinterOwner* owner, TPrinter& printer)
    : TQRPrinter(owner, &printer) {}

TQRPrinter::TQRPrinter(TQRPrinterOwner* owner, TPrinter* given)
    : owner_(owner)
    , xFactor_(kFallbackFactor)
    , yFactor_(kFallbackFactor)
    , settings_(std::make_unique<TPrinterSettings>()) {
    ReservePageStoreMessages();
    if (owner_) {
        settings_->SetUseStandardPrinter(owner_->UseStandardPrinterSetting());
        settings_->SetMemoryLimit(owner_->MemoryLimitSetting());
    }
    if (given) {
        givenPrinter_ = true;
        privatePrinter_ = systemPrinter_ = given;
        printersPresent_ = !given->Printers().isEmpty();
        if (printersPresent_) settings_->SetPrinter(systemPrinter_);
        return;
    }
    TPrinter& shared = Printer();
    printersPresent_ = !shared.Printers().isEmpty();
    if (settings_->UseStandardPrinter()) {
        systemPrinter_ = &shared;
    } else {
        ownPrinter_ = NewPrinter();
        privatePrinter_ = systemPrinter_ = ownPrinter_.get();
    }
    if (printersPresent_) BindPrinter();
}

void TQRPrinter::BindPrinter() {
    // The private printer starts on the printer the shared one has selected, and the settings are
    // read from the printer actually selected.
    const TPrinter& shared = Printer();
    if (privatePrinter_ && shared.PrinterIndex() >= 0 &&
        shared.PrinterIndex() < privatePrinter_->Printers().size())
        privatePrinter_->SetPrinterIndex(shared.PrinterIndex());
    settings_->SetPrinter(systemPrinter_);
}

void TQRPrinter::RequirePrinters() {
    if (givenPrinter_) {
        // A page store made on a printer of its caller's prints there and nowhere else.
        if (!systemPrinter_->Printing()) systemPrinter_->Refresh();
        const bool found = !printersPresent_ && !systemPrinter_->Printers().isEmpty();
        printersPresent_ = !systemPrinter_->Printers().isEmpty();
        if (found) settings_->SetPrinter(systemPrinter_);
        if (!printersPresent_) throw EPrinter(QStringLiteral("No printer is installed"));
        return;
    }
    TPrinter& shared = Printer();
    if (!shared.Printing()) shared.Refresh();
    if (privatePrinter_ && !privatePrinter_->Printing()) privatePrinter_->Refresh();
    const bool found = !printersPresent_ && !shared.Printers().isEmpty();
    printersPresent_ = !shared.Printers().isEmpty();
    if (found) BindPrinter();
    if (!printersPresent_) throw EPrinter(QStringLiteral("No printer is installed"));
}

TQRPrinter::~TQRPrinter() {
    if (OnDestroy) OnDestroy(*this);
    if (status_ != TQRPrinterStatus::mpReady) Cleanup();
    if (systemPrinter_ && systemPrinter_->Printing()) systemPrinter_->Abort();
}

bool TQRPrinter::Compression() {
    return pageList_.Compression();
}

void TQRPrinter::SetCompression(bool value) {
    pageList_.SetCompression(value);
}

void TQRPrinter::UseScreenFactors() {
    xFactor_ = yFactor_ = ScreenPixelsPerInch() / 254.0;
}

void TQRPrinter::UsePrinterFactors() {
    xFactor_ = systemPrinter_->XDpi() / 254.0;
    yFactor_ = systemPrinter_->YDpi() / 254.0;
    if (xFactor_ < kMinimumFactor) xFactor_ = kFallbackFactor;
    if (yFactor_ < kMinimumFactor) yFactor_ = kFallbackFactor;
}

int TQRPrinter::XPos(double x) const {
    return RoundHalfEven((x - leftWaste_) * xFactor_);
}

int TQRPrinter::YPos(double y) const {
    return RoundHalfEven((y - topWaste_) * yFactor_);
}

int TQRPrinter::XSize(double x) const {
    return RoundHalfEven(x * xFactor_);
}

int TQRPrinter::YSize(double y) const {
    return RoundHalfEven(y * yFactor_);
}

int TQRPrinter::PaperWidthValue() const {
    const TQRPaperSize size = settings_->PaperSize();
    const bool ownSize = size == TQRPaperSize::Custom || size == TQRPaperSize::Default;
    if (settings_->Orientation() == TPrinterOrientation::poLandscape)
        return ownSize ? settings_->PaperLength() : QRPaperTableLength(size);
    return ownSize ? settings_->PaperWidth() : QRPaperTableWidth(size);
}

int TQRPrinter::PaperLengthValue() const {
    const TQRPaperSize size = settings_->PaperSize();
    const bool ownSize = size == TQRPaperSize::Custom || size == TQRPaperSize::Default;
    if (settings_->Orientation() == TPrinterOrientation::poLandscape)
        return ownSize ? settings_->PaperWidth() : QRPaperTableWidth(size);
    return ownSize ? settings_->PaperLength() : QRPaperTableLength(size);
}

void TQRPrinter::Post(QEvent::Type type, int first) {
    QObject* receiver = previewControl_.data();
    if (receiver == nullptr) return;
    // The event queue takes ownership of the posted event.
    QCoreApplication::postEvent(receiver, std::make_unique<PageStoreMessage>(type, first, this).release());
}

void TQRPrinter::SetProgress(int percent) {
    progress_ = percent;
    Post(CM_QRPROGRESSUPDATE, percent);
}

void TQRPrinter::SetAvailablePages(int pages) {
    availablePages_ = pages;
    Post(CM_QRPAGEAVAILABLE, pages);
}

bool TQRPrinter::CurrentPageOK() const {
    const int count = pageCount_;
    return (firstPage_ < 1 || count >= firstPage_) && (lastPage_ < 1 || count <= lastPage_);
}

void TQRPrinter::BeginDoc() {
    if (status_ != TQRPrinterStatus::mpReady) throw EQRError(QStringLiteral("QRPrinter not ready"));
    ClosePicture(false);
    hyperlinks_.clear();
    availablePages_ = 0;
    cancelRequested_ = false;
    const bool direct = destination_ == TQRPrinterDestination::qrdPrinter;
    if (direct) settings_->ApplySettings();
    leftWaste_ = direct ? settings_->LeftOffset() : 0;
    topWaste_ = direct ? settings_->TopOffset() : 0;
    pageNumber_ = 0;
    pageCount_ = 0;
    progress_ = 0;
    if (direct) {
        stream_.reset();
        pageList_.SetStream(nullptr);
        UsePrinterFactors();
    } else {
        stream_ = std::make_shared<TQRStream>(settings_->MemoryLimit());
        pageList_.SetStream(stream_);
        UseScreenFactors();
    }
    status_ = TQRPrinterStatus::mpBusy;
}

void TQRPrinter::NewPage() {
    if (status_ != TQRPrinterStatus::mpBusy) throw EQRError(QStringLiteral("Illegal call to NewPage"));
    const bool direct = destination_ == TQRPrinterDestination::qrdPrinter;
    if (pageNumber_ > 0) {
        // Under direct printing a page inside the range is on the printer; moving to a new sheet
        // happens when the next page inside the range opens, so the range's last page is followed
        // by none.
        ClosePicture(!direct);
        printerCanvas_ = nullptr;
        hyperlinks_.clear();
        SetAvailablePages(availablePages_ + 1);
    }
    ++pageCount_;
    ++pageNumber_;
    if (!direct)
        CreateMetafileCanvas();
    else if (CurrentPageOK())
        CreatePrinterCanvas();
    else
        CreateMetafileCanvas();
}

void TQRPrinter::CreateMetafileCanvas() {
    UseScreenFactors();
    picture_ = std::make_unique<TMetafile>();
    picture_->SetPixelsPerInch(ScreenPixelsPerInch());
    picture_->SetWidth(XSize(PaperWidthValue()));
    picture_->SetHeight(YSize(PaperLengthValue()));
    // An export's controls hand their output to the filter, and the export's one drawing surface
    // would otherwise record every page of the report: what they draw is only measured, and the
    // picture stays blank.
    if (owner_ != nullptr && owner_->IsExporting())
        exportSurface_ = std::make_unique<TMeasuringCanvas>(ScreenPixelsPerInch());
    else
        pictureCanvas_ = std::make_unique<TMetafileCanvas>(*picture_);
    hyperlinks_.clear();
}

void TQRPrinter::CreatePrinterCanvas() {
    TPrinter& printer = *systemPrinter_;
    if (printer.Printing()) {
        printer.NewPage();
    } else {
        printer.SetTitle(title_);
        // Without a printer no job starts: the page goes into a throw-away picture.
        if (!printersPresent_ || !printer.BeginDoc()) {
            CreateMetafileCanvas();
            return;
        }
    }
    printerCanvas_ = &printer.Canvas();
    UsePrinterFactors();
    hyperlinks_.clear();
}

void TQRPrinter::ClosePicture(bool store) {
    exportSurface_.reset();
    if (!picture_) return;
    std::unique_ptr<TMetafile> picture = std::move(picture_);
    std::unique_ptr<TMetafileCanvas> canvas = std::move(pictureCanvas_);
    if (!canvas) canvas = std::make_unique<TMetafileCanvas>(*picture); // an export's blank picture
    canvas->Finish();
    canvas.reset();
    if (store) pageList_.AddPage(*picture);
}

TCanvas& TQRPrinter::Canvas() {
    if (pictureCanvas_) return *pictureCanvas_;
    if (printerCanvas_) return *printerCanvas_;
    if (exportSurface_) return *exportSurface_;
    throw EQRError(QStringLiteral("No page is open"));
}

bool TQRPrinter::HasCanvas() const noexcept {
    return pictureCanvas_ != nullptr || printerCanvas_ != nullptr || exportSurface_ != nullptr;
}

void TQRPrinter::EndDoc() {
    if (status_ != TQRPrinterStatus::mpBusy) return;
    const bool direct = destination_ == TQRPrinterDestination::qrdPrinter;
    if (direct) {
        ClosePicture(false);
        printerCanvas_ = nullptr;
        if (systemPrinter_->Printing()) systemPrinter_->EndDoc();
    } else if (pageCount_ > 0) {
        ClosePicture(true);
    }
    hyperlinks_.clear();
    status_ = TQRPrinterStatus::mpFinished;
    SetAvailablePages(availablePages_ + 1);
    ProcessPendingMessages();
    if (!direct)
        pageList_.Finish();
    else if (OnPrintFinished)
        OnPrintFinished();
}

void TQRPrinter::AbortDoc() {
    if (status_ != TQRPrinterStatus::mpBusy) return;
    if (destination_ == TQRPrinterDestination::qrdPrinter) {
        ClosePicture(false);
        printerCanvas_ = nullptr;
        systemPrinter_->Abort();
    } else {
        const bool exporting = owner_ != nullptr && owner_->IsExporting();
        // The abandoned page is kept, so a cancelled preview still shows what was made of it.
        ClosePicture(!exporting);
    }
    hyperlinks_.clear();
    status_ = TQRPrinterStatus::mpFinished;
}

void TQRPrinter::AddHyperlink(const QRect& rect, const QString& link) {
    if (HasCanvas()) hyperlinks_.push_back(THyperlink{rect, link});
}

void TQRPrinter::AddOutline(int level, const QString& text, const QRect& rect) {
    if (status_ == TQRPrinterStatus::mpBusy) pageList_.AddOutline(level, text, pageNumber_, rect);
}

void TQRPrinter::SetOutline(TQROutlineNodes* nodes) {
    pageList_.Outline().SetTreeNodes(nodes);
}

std::unique_ptr<TMetafile> TQRPrinter::GetPage(int n) {
    const TQRPrinterStatus status = status_;
    if (status != TQRPrinterStatus::mpBusy && status != TQRPrinterStatus::mpFinished) return nullptr;
    if (n < 1 || n > pageCount_ || !pageList_.Stream()) return nullptr;
    return pageList_.GetPage(n);
}

void TQRPrinter::SetPageNumber(int n) {
    if (n > 0 && n <= pageCount_) pageNumber_ = n;
}

void TQRPrinter::SetShowingPreview(bool showing) {
    if (showingPreview_ && !showing) {
        if (status_ == TQRPrinterStatus::mpBusy) Cancel();
        showingPreview_ = false;
        if (OnPreviewFinished) OnPreviewFinished();
    }
    showingPreview_ = showing;
}

void TQRPrinter::ClosePreview(QObject* window) {
    (void)window;
    showingPreview_ = false;
    if (QObject* owner = ownerWindow_.data()) {
        // The owner may free this page store while it handles the message: nothing follows.
        PageStoreMessage message(CM_QRPREVIEWCLOSE, 0, this);
        QCoreApplication::sendEvent(owner, &message);
    }
}

void TQRPrinter::Preview() {
    if (OnPreview) {
        OnPreview(*this);
        return;
    }
    previewWindow_ = CreatePreviewInterface()->Show(*this);
}

void TQRPrinter::PreviewModal() {
    if (OnPreview) {
        OnPreview(*this);
        return;
    }
    CreatePreviewInterface()->ShowModal(*this);
}

void TQRPrinter::PrintSetup() {
    if (OnPrintSetup) OnPrintSetup();
}

void TQRPrinter::ExportToFilter(TQRExportFilter& filter) {
    if (OnExportToFilter) OnExportToFilter(filter);
}

void TQRPrinter::Cleanup() {
    if (status_ == TQRPrinterStatus::mpBusy) Cancel();
    ClosePicture(false);
    printerCanvas_ = nullptr;
    hyperlinks_.clear();
    stream_.reset();
    pageList_.Clear();
    pageList_.SetStream(nullptr);
    pageCount_ = 0;
    pageNumber_ = 0;
    availablePages_ = 0;
    status_ = TQRPrinterStatus::mpReady;
}

const QStringList& TQRPrinter::Printers() const {
    return systemPrinter_->Printers();
}

int TQRPrinter::PrinterIndex() const {
    return systemPrinter_->PrinterIndex();
}

void TQRPrinter::SetPrinterIndex(int index) {
    if (!printersPresent_ || settings_->UseStandardPrinter() || !privatePrinter_) return;
    privatePrinter_->SetPrinterIndex(index);
    settings_->GetPrinterSettings();
}

TQRPrinter& QRPrinter() {
    std::unique_ptr<TQRPrinter>& pageStore = ProcessPageStore();
    if (!pageStore) {
        pageStore = std::make_unique<TQRPrinter>();
        qAddPostRoutine([] { ProcessPageStore().reset(); });
    }
    return *pageStore;
}

} // namespace quorvel
