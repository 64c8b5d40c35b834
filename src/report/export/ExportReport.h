#pragma once

#include "report/pagestore/QrprntrFilter.h"

namespace quorvel {

// The report page an export filter writes: lengths in tenths of a millimetre, orientation applied.
struct TExportPageSetup {
    bool FromReport = false; // false: no report attached, the values are the defaults below
    double Width = 2100;
    double Length = 2970;
    double TopMargin = 0;
    double BottomMargin = 0;
    double LeftMargin = 0;
    double RightMargin = 0;
    bool Landscape = false;
    int PaperSizeCode = 0; // the paper size's driver code; 0 = none
};

// What the filters read of the report that runs them and of its page store. Without a report (a
// filter driven directly) the page is the one given to Start, with no margins, and page pictures are
// at the export resolution of 96 pixels per inch.
TExportPageSetup ExportPageSetupOf(const TQRExportFilter& filter, int paperWidth, int paperLength);

// Page-picture pixels per inch while exporting.
int ExportPixelsPerInch(const TQRExportFilter& filter);
// A position in tenths of a millimetre as page-picture pixels, rounded (the page store's XPos / YPos).
int ExportXPos(const TQRExportFilter& filter, double x);
int ExportYPos(const TQRExportFilter& filter, double y);

// True when the data set of the filter's report is at its end (false without a report or data set).
bool ExportDataSetAtEnd(const TQRExportFilter& filter);

} // namespace quorvel
