#include "sheet/SheetCollector.h"

#include "sheet/SheetError.h"
#include "sheet/SheetText.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace quorvel {

SheetCollector::SheetCollector(const SheetLimits& limits)
    : limits_(limits) {}

QString SheetCollector::Place(int row, int column) {
    return QStringLiteral("linha %1, coluna %2").arg(row).arg(ColumnName(column));
}

void SheetCollector::BeginRow(int number) {
    if (number > limits_.maxRows)
        throw ESheetError(QStringLiteral("a planilha passa de %1 linhas").arg(GroupedCount(limits_.maxRows)));
    if (number <= lastRow_)
        throw ESheetError(QStringLiteral("a linha %1 vem depois da linha %2").arg(number).arg(lastRow_));
    if (firstRow_ == 0) firstRow_ = number;
    // A row usually has as many cells as the row before it.
    const std::size_t cells = sheet_.rows.empty() ? 0 : sheet_.rows.back().cells.size();
    row_ = SheetRow{};
    row_.number = number;
    row_.cells.reserve(cells);
    inRow_ = true;
}

void SheetCollector::CheckColumn(int column) {
    if (column >= limits_.maxColumns)
        throw ESheetError(QStringLiteral("linha %1: a planilha passa de %2 colunas")
                              .arg(row_.number)
                              .arg(GroupedCount(limits_.maxColumns)));
    if (!row_.cells.empty() && column <= row_.cells.back().column)
        throw ESheetError(QStringLiteral("%1: a célula vem depois da coluna %2")
                              .arg(Place(row_.number, column), ColumnName(row_.cells.back().column)));
}

void SheetCollector::CountCell() {
    if (++cells_ > limits_.maxCells)
        throw ESheetError(
            QStringLiteral("a planilha passa de %1 células preenchidas").arg(GroupedCount(limits_.maxCells)));
}

void SheetCollector::RefuseCell(const QString& where) const {
    throw ESheetError(
        QStringLiteral("%1: a célula passa de %2 caracteres").arg(where, GroupedCount(limits_.maxCellChars)));
}

void SheetCollector::RefuseText(const QString& where) const {
    throw ESheetError(QStringLiteral("%1: os textos da planilha passam de %2 caracteres")
                          .arg(where, GroupedCount(limits_.maxTextChars)));
}

void SheetCollector::AddText(int column, const QString& text) {
    if (text.isEmpty()) return;
    CheckColumn(column);
    const auto where = [&] { return Place(row_.number, column); };
    CheckCellLength(text.size(), where);
    ChargeText(static_cast<std::size_t>(text.size()), where);
    CountCell();
    row_.AddText(column, text);
}

void SheetCollector::AddNumber(int column, double value) {
    CheckColumn(column);
    CountCell();
    row_.AddNumber(column, value);
}

void SheetCollector::EndRow() {
    if (!inRow_) return;
    inRow_ = false;
    lastRow_ = row_.number;
    if (!row_.cells.empty()) sheet_.rows.push_back(std::move(row_));
}

void SheetCollector::RepeatLastRow(int count) {
    if (count <= 0) return;
    if (sheet_.rows.empty() || sheet_.rows.back().number != lastRow_) {
        // The row repeated is empty: only the numbering moves on.
        lastRow_ =
            static_cast<int>(std::min<long long>(limits_.maxRows, static_cast<long long>(lastRow_) + count));
        return;
    }
    // Refused before anything is copied: rows past the last a spreadsheet has, or more cells than allowed.
    const SheetRow model = sheet_.rows.back();
    if (static_cast<long long>(lastRow_) + count > limits_.maxRows)
        throw ESheetError(QStringLiteral("a planilha passa de %1 linhas").arg(GroupedCount(limits_.maxRows)));
    if (cells_ + model.cells.size() * static_cast<std::size_t>(count) > limits_.maxCells)
        throw ESheetError(
            QStringLiteral("a planilha passa de %1 células preenchidas").arg(GroupedCount(limits_.maxCells)));
    cells_ += model.cells.size() * static_cast<std::size_t>(count);
    sheet_.rows.reserve(sheet_.rows.size() + static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        SheetRow& copy = sheet_.rows.emplace_back(model);
        copy.number = ++lastRow_;
    }
}

void SheetCollector::Append(SheetCollector&& later) {
    EndRow();
    later.EndRow();
    if (later.firstRow_ != 0 && later.firstRow_ <= lastRow_)
        throw ESheetError(
            QStringLiteral("a linha %1 vem depois da linha %2").arg(later.firstRow_).arg(lastRow_));
    if (cells_ + later.cells_ > limits_.maxCells)
        throw ESheetError(
            QStringLiteral("a planilha passa de %1 células preenchidas").arg(GroupedCount(limits_.maxCells)));
    if (chars_ + later.chars_ > limits_.maxTextChars)
        RefuseText(QStringLiteral("linha %1").arg(later.lastRow_));
    cells_ += std::exchange(later.cells_, 0);
    chars_ += std::exchange(later.chars_, 0);
    if (firstRow_ == 0) firstRow_ = later.firstRow_;
    if (later.lastRow_ != 0) lastRow_ = later.lastRow_;
    later.firstRow_ = later.lastRow_ = 0;
    std::vector<SheetRow>& rows = sheet_.rows;
    if (rows.empty()) {
        rows.swap(later.sheet_.rows);
    } else {
        rows.insert(rows.end(), std::make_move_iterator(later.sheet_.rows.begin()),
                    std::make_move_iterator(later.sheet_.rows.end()));
        later.sheet_.rows.clear();
    }
}

Sheet SheetCollector::Take() {
    EndRow();
    return std::move(sheet_);
}

} // namespace quorvel
