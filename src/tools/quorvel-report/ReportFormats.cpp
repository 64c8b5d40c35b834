#include "ReportFormats.h"

#include "report/export/Qrexport.h"
#include "report/export/Qrpdffilt.h"
#include "report/export/Qrwebfilt.h"
#include "report/pagestore/QrprntrFilter.h"

namespace quorvel {

const std::vector<ReportFormat>& ReportFormats() {
    static const std::vector<ReportFormat> formats{
        {{QStringLiteral("pdf")}, OutputKind::Filter, &ExportFilterClass<TQRPDFDocumentFilter>()},
        {{QStringLiteral("html"), QStringLiteral("htm")},
         OutputKind::Filter,
         &ExportFilterClass<TQRGHTMLDocumentFilter>()},
        {{QStringLiteral("rtf")}, OutputKind::Filter, &ExportFilterClass<TQRRTFExportFilter>()},
        {{QStringLiteral("txt")}, OutputKind::Filter, &ExportFilterClass<TQRAsciiExportFilter>()},
        {{QStringLiteral("csv")}, OutputKind::Filter, &ExportFilterClass<TQRCommaSeparatedFilter>()},
        {{QStringLiteral("xls")}, OutputKind::Filter, &ExportFilterClass<TQRXLSFilter>()},
        {{QStringLiteral("wmf")}, OutputKind::Metafiles, nullptr, TQRMetafileFormat::Windows},
        {{QStringLiteral("emf")}, OutputKind::Metafiles, nullptr, TQRMetafileFormat::Enhanced},
        {{QStringLiteral("qrp")}, OutputKind::SavedReport, nullptr},
        {{QStringLiteral("png")}, OutputKind::Pictures, nullptr},
    };
    return formats;
}

const ReportFormat* FindReportFormat(const QString& name) {
    for (const ReportFormat& format : ReportFormats())
        if (format.names.contains(name, Qt::CaseInsensitive)) return &format;
    return nullptr;
}

QString ReportFormatNames() {
    QStringList names;
    for (const ReportFormat& format : ReportFormats())
        names << format.names.front();
    return names.join(QStringLiteral(", "));
}

} // namespace quorvel
