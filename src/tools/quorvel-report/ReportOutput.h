#pragma once

#include <QString>

namespace quorvel {

class TQuickRep;
struct ReportFormat;

// Runs the layout into `output` in the given format and returns the number of pages. Pictures go to
// one file per page, named after `output` with -001, -002 … before its extension, at `dpi`. On any
// failure no output file of this run is left behind and the error passes on.
int WriteReport(TQuickRep& layout, const ReportFormat& format, const QString& output, int dpi);

// The name of page `page`'s picture: "out.png" → "out-001.png".
QString PicturePageName(const QString& output, int page);

// Prints the layout on the named CUPS queue (the default one when empty) and returns the number of
// pages sent. Throws Exception when the queue does not exist or no printer is installed.
int PrintReport(TQuickRep& layout, const QString& printerName);

} // namespace quorvel
