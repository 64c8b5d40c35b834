#pragma once

#include <QString>

#include <map>

namespace quorvel {

class TQuickRep;
struct ReportFormat;

// How a PDF carries its fonts: named only, for the reader to take from its machine, or embedded as
// subsets of the glyphs shown.
enum class PdfFonts { Named, EmbeddedSubsets };

// Runs the layout into `output` in the given format and returns the number of pages. Pictures go to
// one file per page, named after `output` with -001, -002 … before its extension, at `dpi`;
// metafiles to one file per page named as the metafile filter names them ("out.wmf" → out001.wmf,
// out002.wmf …); page files of that name beyond the new count are removed with the same step. A PDF
// carries its fonts as `pdfFonts` says. A link at an output's name is replaced, never written
// through. On any failure no output file of this run is left behind, files of the same names from
// earlier runs are left as they were, and the error passes on. A report without pages writes nothing
// and returns 0.
int WriteReport(TQuickRep& layout, const ReportFormat& format, const QString& output, int dpi,
                PdfFonts pdfFonts = PdfFonts::Named);

// The name of page `page`'s file in a format that writes one file per page ("out.png" →
// "out-001.png", "out.wmf" → "out001.wmf", "out.emf" → "out001.emf").
QString PageFileName(const ReportFormat& format, const QString& output, int page);

// The page files of `output`'s name that exist now, for the formats with one file per page: page
// number → name.
std::map<int, QString> PageFiles(const ReportFormat& format, const QString& output);

// Refuses, as Exception, a run whose outputs include the proposal (the output itself or, for the
// formats with one file per page, any page file of its name that exists, compared by device and
// inode with links followed) or stand where no file can be replaced (a folder, a device, a FIFO).
void CheckOutputs(const ReportFormat& format, const QString& output, const QString& proposal);

// Prints the layout on the named CUPS queue (the default one when empty) and returns the number of
// pages sent. Throws Exception when the queue does not exist or no printer is installed.
int PrintReport(TQuickRep& layout, const QString& printerName);

} // namespace quorvel
