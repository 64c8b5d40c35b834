#pragma once

#include <QString>

namespace quorvel {

class TQuickRep;
struct ReportFormat;

// How a PDF carries its fonts: named only, for the reader to take from its machine, or embedded as
// subsets of the glyphs shown.
enum class PdfFonts { Named, EmbeddedSubsets };

// Runs the layout into `output` in the given format and returns the number of pages. Pictures go to
// one file per page, named after `output` with -001, -002 … before its extension, at `dpi`;
// metafiles to one file per page named as the metafile filter names them ("out.wmf" → out001.wmf,
// out002.wmf …); a PDF carries its fonts as `pdfFonts` says. On any failure no output file of this
// run is left behind, files of the same names from earlier runs are left as they were, and the
// error passes on.
int WriteReport(TQuickRep& layout, const ReportFormat& format, const QString& output, int dpi,
                PdfFonts pdfFonts = PdfFonts::Named);

// The name of page `page`'s file in a format that writes one file per page ("out.png" →
// "out-001.png", "out.wmf" → "out001.wmf", "out.emf" → "out001.emf").
QString PageFileName(const ReportFormat& format, const QString& output, int page);

// Whether a run writing `output` in the format could replace `file`: the output itself or, for the
// formats with one file per page, any page file of its name.
bool WouldReplace(const ReportFormat& format, const QString& output, const QString& file);

// Prints the layout on the named CUPS queue (the default one when empty) and returns the number of
// pages sent. Throws Exception when the queue does not exist or no printer is installed.
int PrintReport(TQuickRep& layout, const QString& printerName);

} // namespace quorvel
