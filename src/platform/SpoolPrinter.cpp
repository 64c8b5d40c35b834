#include "platform/SpoolPrinter.h"

#include "platform/CanvasPainter.h"
#include "platform/Files.h"
#include "platform/ScopeExit.h"

#include <QFile>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QProcess>
#include <QStringList>

#include <algorithm>

namespace quorvel {

namespace {

// Hands a finished PDF spool file to a CUPS queue with the job's options, through the print system's
// own submission command. Raises EPrinter when the print system cannot be reached or refuses the job.
void SubmitSpoolFile(const QString& spool, const SpoolJobOptions& job) {
    QStringList arguments{QStringLiteral("-d"), job.queue, QStringLiteral("-s")};
    if (!job.title.isEmpty()) arguments << QStringLiteral("-t") << job.title;
    arguments << QStringLiteral("-n") << QString::number(std::max(1, job.copies));
    const auto option = [&arguments](const QString& value) { arguments << QStringLiteral("-o") << value; };
    option(QStringLiteral("collate=%1").arg(job.collate ? u"true" : u"false"));
    switch (job.duplex) {
    case DMDUP_VERTICAL:
        option(QStringLiteral("sides=two-sided-long-edge"));
        break;
    case DMDUP_HORIZONTAL:
        option(QStringLiteral("sides=two-sided-short-edge"));
        break;
    default:
        option(QStringLiteral("sides=one-sided"));
        break;
    }
    if (job.paper.id() == QPageSize::Custom) {
        const QSizeF size = job.paper.size(QPageSize::Millimeter);
        option(QStringLiteral("media=Custom.%1x%2mm").arg(qRound(size.width())).arg(qRound(size.height())));
    } else {
        option(QStringLiteral("media=%1").arg(job.paper.key()));
    }
    if (job.monochrome) option(QStringLiteral("print-color-mode=monochrome"));
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
        throw EPrinter(QStringLiteral("The print job was refused by \"%1\": %2").arg(job.queue, reason));
    }
}

} // namespace

TSpoolPrinter::TSpoolPrinter() = default;

TSpoolPrinter::~TSpoolPrinter() {
    if (Printing()) Abort();
}

void TSpoolPrinter::Refresh() {
    const QString selected = DeviceName();
    printers_ = ListQueues();
    const int kept = static_cast<int>(printers_.indexOf(selected));
    if (kept >= 0 && index_ >= 0) {
        index_ = kept;
        QueueKept();
    } else {
        Select(-1);
    }
}

void TSpoolPrinter::SetPrinterIndex(int index) {
    if (Printing()) throw EPrinter(QStringLiteral("Printing in progress"));
    Select(index);
}

void TSpoolPrinter::Select(int index) {
    index_ = -1;
    CloseQueue();
    if (printers_.isEmpty()) return;
    if (index < 0 || index >= printers_.size()) {
        index = static_cast<int>(printers_.indexOf(DefaultQueue()));
        if (index < 0) index = 0;
    }
    if (OpenQueue(printers_.at(index))) index_ = index;
}

bool TSpoolPrinter::BeginDoc() {
    if (Printing()) throw EPrinter(QStringLiteral("Printing in progress"));
    if (!HasPrinter()) return false;
    aborted_ = false;
    pageNumber_ = 0;
    const QString spool = TemporaryFileName({}, QStringLiteral("qvprint"));
    std::unique_ptr<QPagedPaintDevice> job = NewSpoolDevice(spool);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(job.get())) {
        QFile::remove(spool);
        throw EPrinter(QStringLiteral("Printing on \"%1\" could not be started").arg(DeviceName()));
    }
    spool_ = spool;
    job_ = std::move(job);
    painter_ = std::move(painter);
    canvas_ = std::make_unique<TPainterCanvas>(*painter_, job_->logicalDpiX());
    pageNumber_ = 1;
    return true;
}

void TSpoolPrinter::NewPage() {
    if (!Printing()) throw EPrinter(QStringLiteral("Printer is not printing"));
    if (!job_->newPage()) throw EPrinter(QStringLiteral("The printer could not start a new page"));
    ++pageNumber_;
}

void TSpoolPrinter::EndDoc() {
    if (!Printing()) throw EPrinter(QStringLiteral("Printer is not printing"));
    const QString spool = EndJob();
    const ScopeExit removeSpool([&spool] { QFile::remove(spool); });
    SubmitSpoolFile(spool, JobOptions());
}

void TSpoolPrinter::Abort() {
    if (!Printing()) return;
    aborted_ = true;
    QFile::remove(EndJob());
}

QString TSpoolPrinter::EndJob() {
    canvas_.reset();
    std::unique_ptr<QPainter> painter = std::move(painter_);
    if (painter->isActive()) painter->end();
    job_.reset();
    return std::exchange(spool_, QString());
}

TCanvas& TSpoolPrinter::Canvas() {
    if (!canvas_) throw EPrinter(QStringLiteral("Printer is not printing"));
    return *canvas_;
}

} // namespace quorvel
