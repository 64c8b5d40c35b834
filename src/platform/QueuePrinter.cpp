#include "platform/QueuePrinter.h"

#include "platform/CanvasPainter.h"
#include "platform/Files.h"
#include "platform/Rounding.h"

#include <QCoreApplication>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>

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

int PaperCode(const QPageSize& size) {
    if (!size.isValid()) return 0;
    if (size.id() == QPageSize::Custom) return DMPAPER_USER;
    return size.windowsId();
}

int TenthsOfMillimetre(qreal millimetres) {
    return RoundHalfEven(millimetres * 10.0);
}

std::unique_ptr<TQueuePrinter>& SharedPrinter() {
    static std::unique_ptr<TQueuePrinter> printer;
    return printer;
}

} // namespace

TQueuePrinter::TQueuePrinter() {
    Refresh();
}

TQueuePrinter::~TQueuePrinter() {
    if (Printing()) Abort();
}

void TQueuePrinter::Refresh() {
    const QString selected = DeviceName();
    printers_ = QPrinterInfo::availablePrinterNames();
    const int kept = printers_.indexOf(selected);
    if (kept >= 0 && printer_) {
        index_ = kept;
        ReadCapabilities();
    } else {
        Select(-1);
    }
}

void TQueuePrinter::SetPrinterIndex(int index) {
    if (Printing()) throw EPrinter(QStringLiteral("Printing in progress"));
    Select(index);
}

void TQueuePrinter::Select(int index) {
    printer_.reset();
    capabilities_ = 0;
    index_ = -1;
    if (printers_.isEmpty()) return;
    if (index < 0 || index >= printers_.size()) {
        index = printers_.indexOf(QPrinterInfo::defaultPrinterName());
        if (index < 0) index = 0;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(printers_.at(index));
    if (info.isNull()) return;
    index_ = index;
    printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer_->setFullPage(false);
    printer_->setPageMargins(printer_->pageLayout().minimumMargins());
    ReadCapabilities();
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
    mode.PaperSize = PaperCode(layout.pageSize());
    const QSizeF paper = layout.pageSize().size(QPageSize::Millimeter);
    mode.PaperWidth = TenthsOfMillimetre(paper.width());
    mode.PaperLength = TenthsOfMillimetre(paper.height());
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
    // A listed paper code wins over the length and width, as a driver takes them.
    std::optional<QPageSize> paper;
    if (marked(DM_PAPERSIZE) && mode.PaperSize > 0 && mode.PaperSize != DMPAPER_USER) {
        const QPageSize::PageSizeId id = QPageSize::id(mode.PaperSize);
        if (id != QPageSize::Custom) paper = QPageSize(id);
    }
    if (!paper && marked(DM_PAPERLENGTH | DM_PAPERWIDTH) && mode.PaperWidth > 0 && mode.PaperLength > 0)
        paper = QPageSize(QSizeF(mode.PaperWidth / 10.0, mode.PaperLength / 10.0), QPageSize::Millimeter);
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

bool TQueuePrinter::BeginDoc() {
    if (Printing()) throw EPrinter(QStringLiteral("Printing in progress"));
    if (!printer_) return false;
    aborted_ = false;
    pageNumber_ = 0;
    // The job is drawn into a spool file of its own and handed to the queue when it ends, so that
    // an aborted job never reaches the printer (Qt's print engine cannot take back a job).
    auto job = std::make_unique<QPrinter>(QPrinter::HighResolution);
    job->setOutputFormat(QPrinter::PdfFormat);
    job->setOutputFileName(TemporaryFileName({}, QStringLiteral("qvprint")));
    job->setResolution(printer_->resolution());
    job->setFullPage(false);
    job->setPageLayout(printer_->pageLayout());
    job->setColorMode(printer_->colorMode());
    job->setDocName(Title());
    job->setCreator(QCoreApplication::applicationName());
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(job.get())) {
        QFile::remove(job->outputFileName());
        throw EPrinter(
            QStringLiteral("Printing on \"%1\" could not be started").arg(printer_->printerName()));
    }
    job_ = std::move(job);
    painter_ = std::move(painter);
    canvas_ = std::make_unique<TPainterCanvas>(*painter_, job_->resolution());
    pageNumber_ = 1;
    return true;
}

void TQueuePrinter::NewPage() {
    if (!Printing()) throw EPrinter(QStringLiteral("Printer is not printing"));
    if (!job_->newPage()) throw EPrinter(QStringLiteral("The printer could not start a new page"));
    ++pageNumber_;
}

void TQueuePrinter::EndDoc() {
    if (!Printing()) throw EPrinter(QStringLiteral("Printer is not printing"));
    const QString spool = EndJob();
    struct RemoveSpool {
        const QString& name;
        ~RemoveSpool() { QFile::remove(name); }
    } removeSpool{spool};
    Submit(spool);
}

void TQueuePrinter::Abort() {
    if (!Printing()) return;
    aborted_ = true;
    QFile::remove(EndJob());
}

QString TQueuePrinter::EndJob() {
    canvas_.reset();
    std::unique_ptr<QPainter> painter = std::move(painter_);
    if (painter->isActive()) painter->end();
    std::unique_ptr<QPrinter> job = std::move(job_);
    return job->outputFileName();
}

// Hands a finished spool file to the queue with the job's options, through the print system's
// own submission command.
void TQueuePrinter::Submit(const QString& spool) {
    QStringList arguments{QStringLiteral("-d"), printer_->printerName(), QStringLiteral("-s")};
    if (!Title().isEmpty()) arguments << QStringLiteral("-t") << Title();
    arguments << QStringLiteral("-n") << QString::number(std::max(1, printer_->copyCount()));
    const auto option = [&arguments](const QString& value) { arguments << QStringLiteral("-o") << value; };
    option(QStringLiteral("collate=%1").arg(printer_->collateCopies() ? u"true" : u"false"));
    switch (printer_->duplex()) {
    case QPrinter::DuplexLongSide:
    case QPrinter::DuplexAuto:
        option(QStringLiteral("sides=two-sided-long-edge"));
        break;
    case QPrinter::DuplexShortSide:
        option(QStringLiteral("sides=two-sided-short-edge"));
        break;
    case QPrinter::DuplexNone:
        option(QStringLiteral("sides=one-sided"));
        break;
    }
    const QPageSize paper = printer_->pageLayout().pageSize();
    if (paper.id() == QPageSize::Custom) {
        const QSizeF size = paper.size(QPageSize::Millimeter);
        option(QStringLiteral("media=Custom.%1x%2mm").arg(qRound(size.width())).arg(qRound(size.height())));
    } else {
        option(QStringLiteral("media=%1").arg(paper.key()));
    }
    if (printer_->colorMode() == QPrinter::GrayScale) option(QStringLiteral("print-color-mode=monochrome"));
    arguments << QStringLiteral("--") << spool;

    QProcess lp;
    lp.setProcessChannelMode(QProcess::MergedChannels);
    lp.start(QStringLiteral("lp"), arguments);
    if (!lp.waitForStarted(10000))
        throw EPrinter(
            QStringLiteral("The print system could not be reached (lp: %1)").arg(lp.errorString()));
    lp.closeWriteChannel();
    if (!lp.waitForFinished(60000) || lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0) {
        const QString reason = QString::fromLocal8Bit(lp.readAll()).trimmed();
        throw EPrinter(
            QStringLiteral("The print job was refused by \"%1\": %2").arg(printer_->printerName(), reason));
    }
}

TCanvas& TQueuePrinter::Canvas() {
    if (!canvas_) throw EPrinter(QStringLiteral("Printer is not printing"));
    return *canvas_;
}

TPrinter& Printer() {
    std::unique_ptr<TQueuePrinter>& printer = SharedPrinter();
    if (!printer) {
        printer = std::make_unique<TQueuePrinter>();
        qAddPostRoutine([] { SharedPrinter().reset(); });
    }
    return *printer;
}

} // namespace quorvel
