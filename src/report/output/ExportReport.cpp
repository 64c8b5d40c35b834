#include "report/output/ExportReport.h"

#include "platform/Rounding.h"

#include <QEvent> // the page store header uses QEvent::Type without including it

#include "report/QrprntrPrinter.h"

namespace quorvel {

TExportPageSetup ExportPageSetupOf(const TQRExportFilter& filter, int paperWidth, int paperLength) {
    (void)filter;
    TExportPageSetup setup;
    setup.Width = paperWidth;
    setup.Length = paperLength;
    return setup;
}

int ExportPixelsPerInch(const TQRExportFilter& filter) {
    if (const TQRPrinter* printer = filter.ReportQRPrinter()) return RoundHalfEven(printer->XFactor() * 254);
    return 96;
}

// As the page store converts: (x − unprintable offset) × pixels per tenth of a millimetre.
int ExportXPos(const TQRExportFilter& filter, double x) {
    if (const TQRPrinter* printer = filter.ReportQRPrinter())
        return RoundHalfEven((x - printer->LeftWaste()) * printer->XFactor());
    return RoundHalfEven(x * 96 / 254.0);
}

int ExportYPos(const TQRExportFilter& filter, double y) {
    if (const TQRPrinter* printer = filter.ReportQRPrinter())
        return RoundHalfEven((y - printer->TopWaste()) * printer->YFactor());
    return RoundHalfEven(y * 96 / 254.0);
}

bool ExportDataSetAtEnd(const TQRExportFilter& filter) {
    (void)filter;
    return false;
}

} // namespace quorvel
