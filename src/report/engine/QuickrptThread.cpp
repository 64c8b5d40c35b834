#include "report/engine/QuickrptThread.h"

#include "platform/ErrorDisplay.h"
#include "report/engine/QuickrptReport.h"

#include <QMetaObject>

namespace quorvel {

TQRCreateReportThread::TQRCreateReportThread(TCustomQuickRep& report)
    : report_(report) {}

TQRCreateReportThread::~TQRCreateReportThread() {
    wait();
}

void TQRCreateReportThread::run() {
    QObject& window = report_.MessageWindow();
    TCustomQuickRep* report = &report_;
    try {
        report_.CreateReport(false);
    } catch (const Exception& e) {
        const Exception copy = e;
        QMetaObject::invokeMethod(
            &window, [copy] { ShowException(copy); }, Qt::QueuedConnection);
    } catch (const std::exception& e) {
        const Exception copy(QString::fromUtf8(e.what()));
        QMetaObject::invokeMethod(
            &window, [copy] { ShowException(copy); }, Qt::QueuedConnection);
    }
    if (report_.CancelRequested())
        QMetaObject::invokeMethod(
            &window, [report] { report->FreeQRPrinter(); }, Qt::QueuedConnection);
    else if (TQRPrinter* store = report_.QRPrinter())
        store->SetPagesGenerated(false);
}

} // namespace quorvel
