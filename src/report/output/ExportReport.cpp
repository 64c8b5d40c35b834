#include "report/output/ExportReport.h"

#include "platform/Rounding.h"
#include "report/DataSetComponent.h"
#include "report/QuickrptReport.h"

namespace quorvel {

namespace {

// The page store that converts the positions the controls hand over: the one the running pass
// draws through, else the report's page store when the export began.
const TQRPrinter* ConvertingStore(const TQRExportFilter& filter) {
    if (const TCustomQuickRep* report = filter.Report())
        if (const TQRPrinter* store = report->PageStore()) return store;
    return filter.ReportQRPrinter();
}

} // namespace

TExportPageSetup ExportPageSetupOf(const TQRExportFilter& filter, int paperWidth, int paperLength) {
    TExportPageSetup setup;
    const TCustomQuickRep* report = filter.Report();
    if (!report) {
        setup.Width = paperWidth;
        setup.Length = paperLength;
        return setup;
    }
    const TQRPage& page = report->Page();
    setup.FromReport = true;
    setup.Width = page.NativeValue(TQRPage::iWidth);
    setup.Length = page.NativeValue(TQRPage::iLength);
    setup.TopMargin = page.NativeValue(TQRPage::iTopMargin);
    setup.BottomMargin = page.NativeValue(TQRPage::iBottomMargin);
    setup.LeftMargin = page.NativeValue(TQRPage::iLeftMargin);
    setup.RightMargin = page.NativeValue(TQRPage::iRightMargin);
    setup.Landscape = page.Orientation() == TPrinterOrientation::poLandscape;
    setup.PaperSizeCode = static_cast<int>(page.PaperSize());
    return setup;
}

int ExportPixelsPerInch(const TQRExportFilter& filter) {
    if (const TQRPrinter* printer = ConvertingStore(filter)) return RoundHalfEven(printer->XFactor() * 254);
    return 96;
}

int ExportXPos(const TQRExportFilter& filter, double x) {
    if (const TQRPrinter* printer = ConvertingStore(filter)) return printer->XPos(x);
    return RoundHalfEven(x * 96 / 254.0);
}

int ExportYPos(const TQRExportFilter& filter, double y) {
    if (const TQRPrinter* printer = ConvertingStore(filter)) return printer->YPos(y);
    return RoundHalfEven(y * 96 / 254.0);
}

bool ExportDataSetAtEnd(const TQRExportFilter& filter) {
    const auto* report = dynamic_cast<const TQuickRep*>(filter.Report());
    if (!report || !report->DataSet()) return false;
    return report->DataSet()->Active() && report->DataSet()->Eof();
}

} // namespace quorvel
