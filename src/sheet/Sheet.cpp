#include "sheet/Sheet.h"

#include <algorithm>

namespace quorvel {

const SheetCell* SheetRow::Cell(int column) const noexcept {
    const auto at = std::lower_bound(cells.begin(), cells.end(), column,
                                     [](const SheetCell& cell, int c) { return cell.column < c; });
    return at != cells.end() && at->column == column ? &*at : nullptr;
}

void SheetRow::AddText(int column, const QString& text) {
    if (text.isEmpty()) return;
    SheetCell& cell = cells.emplace_back();
    cell.column = column;
    cell.kind = SheetCell::Kind::Text;
    cell.text = text;
}

void SheetRow::AddNumber(int column, double value, int decimals) {
    SheetCell& cell = cells.emplace_back();
    cell.column = column;
    cell.kind = SheetCell::Kind::Number;
    cell.number = value;
    cell.decimals = decimals;
}

SheetRow& Sheet::AddRow() {
    const int number = LastRowNumber() + 1;
    SheetRow& row = rows.emplace_back();
    row.number = number;
    return row;
}

int Sheet::ColumnCount() const noexcept {
    int count = 0;
    for (const SheetRow& row : rows)
        if (!row.cells.empty()) count = std::max(count, row.cells.back().column + 1);
    return count;
}

// Cells compare by what a reader gives back: place, kind and value; the decimals shown are the
// writer's business.
bool operator==(const SheetCell& a, const SheetCell& b) noexcept {
    if (a.column != b.column || a.kind != b.kind) return false;
    switch (a.kind) {
    case SheetCell::Kind::Empty:
        return true;
    case SheetCell::Kind::Number:
        return a.number == b.number;
    case SheetCell::Kind::Text:
        return a.text == b.text;
    }
    return false;
}

} // namespace quorvel
