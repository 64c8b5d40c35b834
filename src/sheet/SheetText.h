#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>

namespace quorvel {

// Text rules the sheet readers and writers share.

// The spreadsheet's name of a column: 0 is "A", 25 "Z", 26 "AA", 16383 "XFD".
QString ColumnName(int column);
// The column of a cell reference ("B7" → 1, "$AA$3" → 26), or -1 when the text does not start with
// letters naming a column up to `maxColumns`. `row` receives the row number after the letters, or 0
// when there is none.
int ColumnOfReference(QStringView reference, int maxColumns, int& row);

// A number as an XML file carries it: the shortest text that reads back to the same double, with
// "." as decimal point and no grouping ("12.5", "1e-05").
QString NumberForFile(double value);
// A number as a person reads it: `decimals` places (or the shortest form when -1), the given
// decimal separator, no grouping ("12,5000").
QString NumberForDisplay(double value, int decimals, QChar decimalSeparator);

// A text a spreadsheet opening a CSV file would take for a formula (=, +, -, @, a tab or a carriage
// return at its start, after any apostrophes) gets an apostrophe in front, which keeps it a text;
// reading takes that apostrophe away again.
bool NeedsFormulaGuard(QStringView text) noexcept;
QString WithFormulaGuard(const QString& text);
QString WithoutFormulaGuard(const QString& text);

// A cell text made fit for a file: line ends become one line feed, and control characters other
// than tab and line feed are left out (no XML file may hold them).
QString CellTextForFile(const QString& text);

// 1048576 → "1.048.576", for messages.
QString GroupedCount(std::size_t count);

} // namespace quorvel
