#include "platform/qtprint/QueuePrinter.h"

#include "platform/DevicePaper.h"
#include "platform/Rounding.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <array>
#include <optional>

namespace quorvel {

namespace {

// Bin codes of Qt's paper sources, in the order of QPrinter::PaperSource (OnlyOne … FormSource).
constexpr std::array<int, 13> BinCodes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15};

int BinCode(QPrinter::PaperSource source) {
    const auto index = static_cast<std::size_t>(source);
    return index < BinCodes.size() ? BinCodes[index] : BinCodes[QPrinter::Auto];
}

int DuplexCode(QPrinter::DuplexMode mode) {
    switch (mode) {
    case QPrinter::DuplexNone:
        return DMDUP_SIMPLEX;
    case QPrinter::DuplexShortSide:
        return DMDUP_HORIZONTAL;
    case QPrinter::DuplexAuto:
    case QPrinter::DuplexLongSide:
        break;
    }
    return DMDUP_VERTICAL;
}

QPrinter::DuplexMode DuplexMode(int code) {
    switch (code) {
    case DMDUP_VERTICAL:
        return QPrinter::DuplexLongSide;
    case DMDUP_HORIZONTAL:
        return QPrinter::DuplexShortSide;
    default:
        return QPrinter::DuplexNone;
    }
}

} // namespace

TQueuePrinter::TQueuePrinter() {
    Refresh();
}

TQueuePrinter::~TQueuePrinter() = default;

QStringList TQueuePrinter::ListQueues() {
    return QPrinterInfo::availablePrinterNames();
}

QString TQueuePrinter::DefaultQueue() const {
    return QPrinterInfo::defaultPrinterName();
}

void TQueuePrinter::CloseQueue() {
    printer_.reset();
    capabilities_ = 0;
}

bool TQueuePrinter::OpenQueue(const QString& name) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull()) return false;
    printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer_->setFullPage(false);
    printer_->setPageMargins(printer_->pageLayout().minimumMargins());
    ReadCapabilities();
    return true;
}

void TQueuePrinter::ReadCapabilities() {
    capabilities_ = 0;
    if (!printer_) return;
    const QPrinterInfo info(*printer_);
    capabilities_ = DM_ORIENTATION | DM_COPIES | DM_COLLATE;
    if (!info.supportedPageSizes().isEmpty()) capabilities_ |= DM_PAPERSIZE;
    if (info.supportsCustomPageSizes()) capabilities_ |= DM_PAPERLENGTH | DM_PAPERWIDTH;
    if (!info.supportedResolutions().isEmpty()) capabilities_ |= DM_PRINTQUALITY;
    if (info.supportedColorModes().contains(QPrinter::Color)) capabilities_ |= DM_COLOR;
    for (const QPrinter::DuplexMode mode : info.supportedDuplexModes())
        if (mode != QPrinter::DuplexNone) capabilities_ |= DM_DUPLEX;
}

QString TQueuePrinter::DeviceName() const {
    return printer_ ? printer_->printerName() : QString();
}

QString TQueuePrinter::DriverName() const {
    return printer_ ? QPrinterInfo(*printer_).makeAndModel().left(63) : QString();
}

QString TQueuePrinter::Port() const {
    return printer_ ? QPrinterInfo(*printer_).location() : QString();
}

TDeviceMode TQueuePrinter::DeviceMode() const {
    TDeviceMode mode;
    if (!printer_) return mode;
    const QPageLayout layout = printer_->pageLayout();
    mode.Fields = capabilities_;
    mode.Orientation =
        layout.orientation() == QPageLayout::Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    DescribePaper(layout.pageSize(), mode);
    mode.Copies = printer_->copyCount();
    mode.DefaultSource = BinCode(printer_->paperSource());
    mode.PrintQuality = printer_->resolution();
    mode.Color = printer_->colorMode() == QPrinter::Color ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
    mode.Duplex = DuplexCode(printer_->duplex());
    mode.Collate = printer_->collateCopies() ? 1 : 0;
    return mode;
}

void TQueuePrinter::SetDeviceMode(const TDeviceMode& mode) {
    if (!printer_) return;
    const auto marked = [&mode](std::uint32_t flag) { return (mode.Fields & flag) == flag; };
    const std::optional<QPageSize> paper = RequestedPaper(mode);
    if (paper) printer_->setPageSize(*paper);
    if (marked(DM_ORIENTATION))
        printer_->setPageOrientation(mode.Orientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape
                                                                            : QPageLayout::Portrait);
    if (paper || marked(DM_ORIENTATION)) printer_->setPageMargins(printer_->pageLayout().minimumMargins());
    if (marked(DM_COPIES)) printer_->setCopyCount(std::max(1, mode.Copies));
    if (marked(DM_PRINTQUALITY) && mode.PrintQuality > 0) printer_->setResolution(mode.PrintQuality);
    if (marked(DM_COLOR))
        printer_->setColorMode(mode.Color == DMCOLOR_MONOCHROME ? QPrinter::GrayScale : QPrinter::Color);
    if (marked(DM_DUPLEX)) printer_->setDuplex(DuplexMode(mode.Duplex));
    if (marked(DM_COLLATE)) printer_->setCollateCopies(mode.Collate != 0);
}

QList<int> TQueuePrinter::PaperCodes() const {
    QList<int> codes;
    if (!printer_) return codes;
    const QPrinterInfo info(*printer_);
    for (const QPageSize& size : info.supportedPageSizes()) {
        const int code = PaperCode(size);
        if (code > 0 && code != DMPAPER_USER && !codes.contains(code)) codes.append(code);
    }
    // A queue that takes any size offers the custom one too.
    if (info.supportsCustomPageSizes()) codes.append(DMPAPER_USER);
    return codes;
}

int TQueuePrinter::XDpi() const {
    return printer_ ? printer_->logicalDpiX() : 0;
}

int TQueuePrinter::YDpi() const {
    return printer_ ? printer_->logicalDpiY() : 0;
}

QPoint TQueuePrinter::PhysicalOffset() const {
    if (!printer_) return {};
    const QRectF paint = printer_->pageRect(QPrinter::DevicePixel);
    const QRectF paper = printer_->paperRect(QPrinter::DevicePixel);
    return QPoint(RoundHalfEven(paint.left() - paper.left()), RoundHalfEven(paint.top() - paper.top()));
}

QSize TQueuePrinter::PhysicalSize() const {
    if (!printer_) return {};
    const QRectF paper = printer_->paperRect(QPrinter::DevicePixel);
    return QSize(RoundHalfEven(paper.width()), RoundHalfEven(paper.height()));
}

std::unique_ptr<QPagedPaintDevice> TQueuePrinter::NewSpoolDevice(const QString& spool) const {
    auto job = std::make_unique<QPrinter>(QPrinter::HighResolution);
    job->setOutputFormat(QPrinter::PdfFormat);
    job->setOutputFileName(spool);
    job->setResolution(printer_->resolution());
    job->setFullPage(false);
    job->setPageLayout(printer_->pageLayout());
    job->setColorMode(printer_->colorMode());
    job->setDocName(Title());
    job->setCreator(QCoreApplication::applicationName());
    return job;
}

SpoolJobOptions TQueuePrinter::JobOptions() const {
    return SpoolJobOptions{.queue = printer_->printerName(),
                           .title = Title(),
                           .copies = printer_->copyCount(),
                           .collate = printer_->collateCopies(),
                           .duplex = DuplexCode(printer_->duplex()),
                           .paper = printer_->pageLayout().pageSize(),
                           .monochrome = printer_->colorMode() == QPrinter::GrayScale};
}

} // namespace quorvel
