#include "report/export/QrexportCsv.h"

#include "platform/AsciiText.h"
#include "platform/FormatSettings.h"
#include "report/export/QrexportCells.h"

namespace quorvel {

namespace {

// A text that begins like a formula is written with the leading apostrophe that makes a spreadsheet
// show it as text. A number stays a number, a negative one too.
bool LooksLikeFormula(const QString& text, QChar thousands) {
    return !text.isEmpty() && StartsFormula(text.front().unicode()) &&
           !NumberCellText(text, thousands).has_value();
}

} // namespace

TQRCommaSeparatedFilter::TQRCommaSeparatedFilter(const QString& fileName)
    : TQRAbstractExportFilter(fileName) {
    SetColumnTolerance(1.0);
}

QString TQRCommaSeparatedFilter::GetDescription() const {
    return QStringLiteral("Comma separated text file");
}
QString TQRCommaSeparatedFilter::GetExtension() const {
    return QStringLiteral("CSV");
}
QString TQRCommaSeparatedFilter::GetFilterName() const {
    return QStringLiteral("Comma Separated");
}

void TQRCommaSeparatedFilter::StorePage() {
    const TPageCells cells(*this);
    const int columns = ColCount();
    const QChar quote = QLatin1Char('"');
    const QString doubled = QStringLiteral("\"\"");
    const QString fieldEnd = QString(quote) + Separator();
    const QString lineEnd = QString(quote) + QStringLiteral("\r\n");
    const QChar thousands = QLatin1Char(FormatSettings::Current().ThousandSeparator);
    QString line;
    cells.ForEachPosition(GetLinecount(), columns, [&](int, int column, const QString& text) {
        line += quote;
        if (LooksLikeFormula(text, thousands)) line += QLatin1Char('\'');
        if (text.contains(quote))
            line += QString(text).replace(quote, doubled);
        else
            line += text;
        line += column < columns ? fieldEnd : lineEnd;
        if (column == columns) {
            WriteToStream(line);
            line.resize(0); // keeps the room the line took, where clear() would give it back
        }
    });
}

TQRCSVFilter::TQRCSVFilter(TComponent* owner)
    : TQRExportFilterComponent(owner, ExportFilterClass<TQRCommaSeparatedFilter>()) {}

void TQRCSVFilter::Configure(TQRExportFilter& filter) const {
    if (auto* csv = dynamic_cast<TQRCommaSeparatedFilter*>(&filter)) csv->SetSeparator(separator_);
}

} // namespace quorvel
