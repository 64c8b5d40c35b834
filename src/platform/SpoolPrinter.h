#pragma once

#include "platform/Printer.h"

#include <QPageSize>
#include <QString>

#include <memory>

class QPagedPaintDevice;
class QPainter;

namespace quorvel {

// What a print job asks of its queue besides its pages.
struct SpoolJobOptions {
    QString queue;
    QString title;
    int copies = 1;
    bool collate = true;
    int duplex = DMDUP_SIMPLEX;
    QPageSize paper;
    bool monochrome = false;
};

// A printer whose jobs are drawn into a PDF spool file of their own and handed to the queue with
// CUPS's `lp` when they end, with the copies, collation, sides, paper and colour as job options, so
// that an aborted job never reaches the printer. The printers over Qt's printing and over CUPS differ
// only in how they learn about the queues and make the spool file's paint device.
class TSpoolPrinter : public TPrinter {
public:
    ~TSpoolPrinter() override;

    // Starts a job on the selected queue; false without one.
    bool BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override { return painter_ != nullptr; }
    bool Aborted() const override { return aborted_; }
    int PageNumber() const override { return pageNumber_; }
    TCanvas& Canvas() override;

protected:
    TSpoolPrinter();
    // A PDF paint device writing to `spool`, laid out like the queue's paper at the job's resolution.
    virtual std::unique_ptr<QPagedPaintDevice> NewSpoolDevice(const QString& spool) const = 0;
    virtual SpoolJobOptions JobOptions() const = 0;

private:
    QString EndJob();

    QString spool_;
    std::unique_ptr<QPagedPaintDevice> job_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<TCanvas> canvas_;
    int pageNumber_ = 0;
    bool aborted_ = false;
};

} // namespace quorvel
