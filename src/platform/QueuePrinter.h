#pragma once

#include "platform/Printer.h"

#include <memory>

class QPainter;
class QPrinter;

namespace quorvel {

// The printer over Qt's printing (QPrinter, QPrinterInfo), which on Linux goes to CUPS. A job is
// drawn by Qt into a PDF spool file laid out like the queue's paper and handed to the queue with
// CUPS's `lp` when it ends, with the copies, collation, sides, paper and colour as job options.
class TQueuePrinter final : public TPrinter {
public:
    TQueuePrinter();
    ~TQueuePrinter() override;

    const QStringList& Printers() const override { return printers_; }
    void Refresh() override;
    int PrinterIndex() const override { return index_; }
    void SetPrinterIndex(int index) override;
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
    bool BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override { return painter_ != nullptr; }
    bool Aborted() const override { return aborted_; }
    int PageNumber() const override { return pageNumber_; }
    TCanvas& Canvas() override;

private:
    void Select(int index);
    void ReadCapabilities();
    QString EndJob();
    void Submit(const QString& spool);

    QStringList printers_;
    int index_ = -1;
    std::unique_ptr<QPrinter> printer_; // the selected queue and its settings
    std::unique_ptr<QPrinter> job_;     // the running job, drawn into a spool file
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<TCanvas> canvas_;
    std::uint32_t capabilities_ = 0;
    int pageNumber_ = 0;
    bool aborted_ = false;
};

} // namespace quorvel
