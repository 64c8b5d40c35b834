#pragma once

#include "platform/SpoolPrinter.h"

#include <memory>

class QPrinter;

namespace quorvel {

// The printer over Qt's printing (QPrinter, QPrinterInfo), which on Linux goes to CUPS: the
// program's, whose print dialogs work on the same queues. A job is drawn by Qt's printer into a PDF
// spool file laid out like the queue's paper. Qt's printing pulls in the widget library, so the
// headless tools print through TCupsPrinter instead.
class TQueuePrinter final : public TSpoolPrinter {
public:
    TQueuePrinter();
    ~TQueuePrinter() override;

    QString DeviceName() const override;
    QString DriverName() const override;
    QString Port() const override;
    TDeviceMode DeviceMode() const override;
    void SetDeviceMode(const TDeviceMode& mode) override;
    QList<int> PaperCodes() const override;
    int XDpi() const override;
    int YDpi() const override;
    QPoint PhysicalOffset() const override;
    QSize PhysicalSize() const override;

private:
    std::unique_ptr<QPagedPaintDevice> NewSpoolDevice(const QString& spool) const override;
    SpoolJobOptions JobOptions() const override;
    QStringList ListQueues() override;
    QString DefaultQueue() const override;
    void CloseQueue() override;
    bool OpenQueue(const QString& name) override;
    void QueueKept() override { ReadCapabilities(); }
    void ReadCapabilities();

    std::unique_ptr<QPrinter> printer_; // the selected queue and its settings
    std::uint32_t capabilities_ = 0;
};

} // namespace quorvel
