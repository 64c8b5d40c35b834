#pragma once

#include "platform/Canvas.h"
#include "platform/Printer.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <memory>
#include <vector>

namespace quorvel::testing {

// A text as it landed on a sheet, in the sheet's device pixels: drawn on the sheet itself, or drawn
// in a page picture that was stretched onto the sheet (placed where the stretch put it).
struct SheetText {
    QString Text;
    QPoint At;
};

// One sheet of a job: its texts in drawing order and the rectangles page pictures were stretched into.
struct RecordedSheet {
    std::vector<SheetText> Texts;
    std::vector<QRect> Pictures;
    // Only the texts.
    QStringList TextList() const;
};

struct RecordedJob {
    QString Title;
    std::vector<RecordedSheet> Sheets;
    bool Ended = false;   // handed to the queue
    bool Aborted = false; // dropped
};

// A printer with one queue that keeps every job drawn on it, sheet by sheet, instead of handing it
// to a print system: so a test sees which pages reached the printer, in which order, where, and how
// the job ended. It reports the resolution, printable offset and paper (A4 portrait) it was made
// with and takes any settings it is given.
class RecordingPrinter : public TPrinter {
public:
    explicit RecordingPrinter(int dpi = 300, QPoint offset = QPoint(50, 60));
    ~RecordingPrinter() override;

    const QStringList& Printers() const override { return queues_; }
    void Refresh() override {}
    int PrinterIndex() const override { return 0; }
    void SetPrinterIndex(int) override {}
    QString DeviceName() const override { return queues_.front(); }
    QString DriverName() const override { return QStringLiteral("Recorder"); }
    QString Port() const override { return QString(); }
    TDeviceMode DeviceMode() const override { return mode_; }
    void SetDeviceMode(const TDeviceMode& mode) override;
    QList<int> PaperCodes() const override { return {9, 1}; }
    int XDpi() const override { return dpi_; }
    int YDpi() const override { return dpi_; }
    QPoint PhysicalOffset() const override { return offset_; }
    QSize PhysicalSize() const override;
    bool BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override { return canvas_ != nullptr; }
    bool Aborted() const override { return !jobs.empty() && jobs.back().Aborted; }
    int PageNumber() const override { return Printing() ? static_cast<int>(jobs.back().Sheets.size()) : 0; }
    TCanvas& Canvas() override;

    std::vector<RecordedJob> jobs;

private:
    class SheetCanvas;

    QStringList queues_{QStringLiteral("recorder")};
    int dpi_;
    QPoint offset_;
    TDeviceMode mode_;
    std::unique_ptr<SheetCanvas> canvas_;
};

} // namespace quorvel::testing
