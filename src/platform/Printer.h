#pragma once

#include "platform/Exceptions.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace quorvel {

class TCanvas;

enum class TPrinterOrientation : std::uint8_t { poPortrait, poLandscape };

// Field flags of a device-mode record: which settings the selected printer supports (as read) or
// which ones are to be changed (as written).
inline constexpr std::uint32_t DM_ORIENTATION = 0x1;
inline constexpr std::uint32_t DM_PAPERSIZE = 0x2;
inline constexpr std::uint32_t DM_PAPERLENGTH = 0x4;
inline constexpr std::uint32_t DM_PAPERWIDTH = 0x8;
inline constexpr std::uint32_t DM_COPIES = 0x100;
inline constexpr std::uint32_t DM_DEFAULTSOURCE = 0x200;
inline constexpr std::uint32_t DM_PRINTQUALITY = 0x400;
inline constexpr std::uint32_t DM_COLOR = 0x800;
inline constexpr std::uint32_t DM_DUPLEX = 0x1000;
inline constexpr std::uint32_t DM_COLLATE = 0x8000;

// Codes of a device-mode record.
inline constexpr int DMORIENT_PORTRAIT = 1;
inline constexpr int DMORIENT_LANDSCAPE = 2;
inline constexpr int DMDUP_SIMPLEX = 1;
inline constexpr int DMDUP_VERTICAL = 2;   // long edge
inline constexpr int DMDUP_HORIZONTAL = 3; // short edge
inline constexpr int DMCOLOR_MONOCHROME = 1;
inline constexpr int DMCOLOR_COLOR = 2;
inline constexpr int DMPAPER_USER = 256;

// The settings of the selected printer in the shape the report engine reads and writes them.
//
// Qt and CUPS keep no such record; TPrinter builds it from the QPrinter of the selected queue and
// from what QPrinterInfo reports of the queue (its PPD or IPP attributes), and writes it back into
// the QPrinter field by field. Read, Fields holds the bits of the settings the queue supports:
//   DM_ORIENTATION  always: Qt lays every page out in either orientation itself;
//   DM_PAPERSIZE    the queue lists at least one page size;
//   DM_PAPERLENGTH, DM_PAPERWIDTH  the queue accepts custom page sizes;
//   DM_COPIES, DM_COLLATE  always: Qt hands copies and collation to CUPS, or repeats the pages
//                   itself when the queue cannot make copies;
//   DM_DEFAULTSOURCE  never: Qt does not tell the paper sources (input slots) of a CUPS queue,
//                   nor hand a chosen one to it, so the queue's default source is always used;
//   DM_PRINTQUALITY  the queue lists resolutions;
//   DM_COLOR        the queue prints in colour;
//   DM_DUPLEX       the queue prints on both sides.
// Written, Fields names the settings to change; the others keep their current value.
struct TDeviceMode {
    std::uint32_t Fields = 0;
    int Orientation = DMORIENT_PORTRAIT;
    // The paper's driver code: the classic paper numbering as Qt's page sizes carry it
    // (QPageSize::windowsId), DMPAPER_USER for a custom size, 0 for a size with no code.
    int PaperSize = 0;
    int PaperLength = 0; // tenths of a millimetre, portrait
    int PaperWidth = 0;
    int Copies = 1;
    // The paper source as a bin code: Qt's paper sources in their order from 1 (upper, lower,
    // middle, manual, envelope, manual envelope, auto, tractor, small format, large format, large
    // capacity), then 14 for the cassette and 15 for a form source. Read only.
    int DefaultSource = 7;
    int PrintQuality = 0; // dots per inch
    int Color = DMCOLOR_COLOR;
    int Duplex = DMDUP_SIMPLEX;
    int Collate = 0; // 1: collated copies
};

// A failure of the print system that the caller must hear of (a job that cannot be started).
class EPrinter : public Exception {
public:
    using Exception::Exception;
};

// The printer boundary: the list of print queues, the selected queue with its settings
// (TDeviceMode), its resolution and printable area, and print jobs drawn page by page through a
// canvas. The program prints through TQueuePrinter (qtprint/QueuePrinter.h), the headless report tool
// through TCupsPrinter (cups/CupsPrinter.h), both over the system's print queues; tests draw on a
// recording printer instead.
//
// With no queue installed the printer lists nothing, selects nothing and starts no job: BeginDoc
// returns false and drawing has nowhere to go, which is how the report engine knows to print
// nothing.
class TPrinter {
public:
    TPrinter() = default;
    virtual ~TPrinter() = default;
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // The queues as listed when the printer was made or last refreshed.
    virtual const QStringList& Printers() const = 0;
    // Reads the queue list anew; the selection stays on the same queue when it is still there.
    virtual void Refresh() = 0;
    // Index of the selected queue in Printers, -1 for none. Selecting -1 (or any index outside the
    // list) picks the system's default queue, or the first one when there is no default.
    virtual int PrinterIndex() const = 0;
    // Selects a queue with the settings its driver starts with; raises EPrinter while printing.
    virtual void SetPrinterIndex(int index) = 0;
    bool HasPrinter() const { return PrinterIndex() >= 0; }

    // Names of the selected queue, empty without one. The driver is the queue's make and model
    // (what its PPD names), the port its location text.
    virtual QString DeviceName() const = 0;
    virtual QString DriverName() const = 0;
    virtual QString Port() const = 0;

    // The selected queue's settings; Fields empty without a queue.
    virtual TDeviceMode DeviceMode() const = 0;
    // Applies the fields named in mode.Fields to the selected queue's settings.
    virtual void SetDeviceMode(const TDeviceMode& mode) = 0;
    // Driver codes of the paper sizes the queue offers (each listed once, in the queue's order),
    // DMPAPER_USER last when it takes custom sizes.
    virtual QList<int> PaperCodes() const = 0;

    // Device resolution (dots per inch), printable offset and full paper size in device pixels, for
    // the current paper and orientation. Without a queue: 0, (0, 0) and an empty size.
    virtual int XDpi() const = 0;
    virtual int YDpi() const = 0;
    virtual QPoint PhysicalOffset() const = 0;
    virtual QSize PhysicalSize() const = 0;

    // Job title for the spooler.
    QString Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }

    // Starts a job on the selected queue and opens its first page. False without a queue; raises
    // EPrinter when the print system refuses the job.
    virtual bool BeginDoc() = 0;
    // Ends the page and opens the next one.
    virtual void NewPage() = 0;
    // Ends the job and hands it to the queue; raises EPrinter when the print system refuses it.
    virtual void EndDoc() = 0;
    // Drops the job: nothing of it reaches the queue.
    virtual void Abort() = 0;
    virtual bool Printing() const = 0;
    virtual bool Aborted() const = 0;
    // Pages opened in the running or last job.
    virtual int PageNumber() const = 0;

    // The surface of the open page, in device pixels with the origin at the printable area's top
    // left corner. Raises EPrinter while no job runs.
    virtual TCanvas& Canvas() = 0;

private:
    QString title_;
};

// How the process makes its printer objects: the program uses the printers over Qt's printing
// (platform/qtprint), the headless report tool the ones over CUPS's own interface (platform/cups), so
// that it links no window-system library. Which kind a process prints through is a choice of the
// whole process, made once at start-up; until one is made the process has no printer (every printer
// lists no queue and starts no job).
using PrinterMaker = std::unique_ptr<TPrinter> (*)();
void SetPrinterMaker(PrinterMaker maker);
template <class P> void UsePrinters() {
    SetPrinterMaker([]() -> std::unique_ptr<TPrinter> { return std::make_unique<P>(); });
}

// A new printer object of the process's kind: a page store's private printer.
std::unique_ptr<TPrinter> NewPrinter();

// The program's shared printer object, made on first use and kept until the application object
// goes. The print dialogs work on it; a page store prints through it when asked to.
TPrinter& Printer();

} // namespace quorvel
