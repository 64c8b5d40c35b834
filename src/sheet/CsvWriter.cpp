#include "sheet/SheetText.h"
#include "sheet/SheetWriters.h"

namespace quorvel {
namespace {

constexpr char kSeparator = ';';

void AppendText(QString& line, const QString& text) {
    const QString clean = WithFormulaGuard(CellTextForFile(text));
    // A comma is quoted too, so that no reader takes the file for comma-separated.
    const bool quoted = clean.contains(QLatin1Char(kSeparator)) || clean.contains(QLatin1Char(',')) ||
                        clean.contains(QLatin1Char('"')) || clean.contains(QLatin1Char('\n'));
    if (!quoted) {
        line += clean;
        return;
    }
    line += QLatin1Char('"');
    line += QString(clean).replace(QLatin1Char('"'), QLatin1String("\"\""));
    line += QLatin1Char('"');
}

} // namespace

std::string WriteCsv(const Sheet& sheet) {
    const int columns = sheet.ColumnCount();
    QString text;
    int next = 1;
    for (const SheetRow& row : sheet.rows) {
        for (; next < row.number; ++next)
            text += QString(std::max(columns - 1, 0), QLatin1Char(kSeparator)) + QLatin1String("\r\n");
        int column = 0;
        for (const SheetCell& cell : row.cells) {
            for (; column < cell.column; ++column)
                if (column > 0) text += QLatin1Char(kSeparator);
            if (column > 0) text += QLatin1Char(kSeparator);
            if (cell.kind == SheetCell::Kind::Number)
                text += NumberForDisplay(cell.number, cell.decimals, QLatin1Char(','));
            else if (cell.kind == SheetCell::Kind::Text)
                AppendText(text, cell.text);
            column = cell.column + 1;
        }
        for (; column < columns; ++column)
            if (column > 0) text += QLatin1Char(kSeparator);
        text += QLatin1String("\r\n");
        next = row.number + 1;
    }
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace quorvel
