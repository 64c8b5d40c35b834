#pragma once

#include "report/export/QrexportWmf.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace quorvel {

struct TQRExportFilterClass;

// How a report reaches its output file.
enum class OutputKind {
    Filter,      // one run of the report through an export filter
    SavedReport, // the generated pages as a saved-report file
    Pictures,    // one PNG picture per generated page
    Metafiles,   // one metafile per generated page, named as the metafile filter names them
};

// One output format of the tool: the names it is asked for by (the first is the one --format takes
// and the others are accepted extensions as well), and how it is written.
struct ReportFormat {
    QStringList names;
    OutputKind kind = OutputKind::Filter;
    const TQRExportFilterClass* filterClass = nullptr;        // for OutputKind::Filter
    TQRMetafileFormat metafiles = TQRMetafileFormat::Windows; // for OutputKind::Metafiles
};

// Every format, in the order the usage text lists them. A new export filter is one more entry.
const std::vector<ReportFormat>& ReportFormats();

// The format named (without regard to case), or nullptr.
const ReportFormat* FindReportFormat(const QString& name);

// The format names for messages: "pdf, html, rtf, txt, csv, xls, wmf, emf, qrp, png".
QString ReportFormatNames();

} // namespace quorvel
