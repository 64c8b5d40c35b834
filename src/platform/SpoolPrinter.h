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
// that an aborted job never reaches the printer. It keeps the queue list and the selection; the
// printers over Qt's printing and over CUPS differ only in how they learn about the queues and make
// the spool file's paint device.
class TSpoolPrinter : public TPrinter {
public:
    ~TSpoolPrinter() override;

    const QStringList& Printers() const override { return printers_; }
    void Refresh() override;
    int PrinterIndex() const override { return index_; }
    void SetPrinterIndex(int index) override;

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
    // The names of the print system's queues as it lists them now.
    virtual QStringList ListQueues() = 0;
    // The name of the print system's default queue; empty when it has none.
    virtual QString DefaultQueue() const = 0;
    // Forgets the selected queue: what it offers and the settings of its next job.
    virtual void CloseQueue() = 0;
    // Reads what a listed queue offers and starts the settings of its next job on the queue's own;
    // false when the queue cannot be read, which leaves nothing selected.
    virtual bool OpenQueue(const QString& name) = 0;
    // Refresh kept the selected queue: what it offers is read again. Nothing by default.
    virtual void QueueKept() {}
    // A PDF paint device writing to `spool`, laid out like the queue's paper at the job's resolution.
    virtual std::unique_ptr<QPagedPaintDevice> NewSpoolDevice(const QString& spool) const = 0;
    virtual SpoolJobOptions JobOptions() const = 0;

private:
    QString EndJob();
    // Selects the queue at `index`, or the default queue (the first one without a default) for an
    // index outside the list.
    void Select(int index);

    QStringList printers_;
    int index_ = -1;
    QString spool_;
    std::unique_ptr<QPagedPaintDevice> job_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<TCanvas> canvas_;
    int pageNumber_ = 0;
    bool aborted_ = false;
};

} // namespace quorvel
