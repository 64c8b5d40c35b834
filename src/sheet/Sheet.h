#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace quorvel {

// One cell of a sheet: empty, a number or a text. A number carries the decimal places a writer shows
// it with (-1: as the spreadsheet shows a plain number); readers leave it at -1.
struct SheetCell {
    enum class Kind : std::uint8_t { Empty, Number, Text };

    int column = 0; // 0 for A
    Kind kind = Kind::Empty;
    double number = 0;
    int decimals = -1;
    QString text;

    bool IsEmpty() const noexcept { return kind == Kind::Empty; }
};

// A row of a sheet: its number as the spreadsheet shows it (1 for the first) and its cells that are
// not empty, in column order.
struct SheetRow {
    int number = 1;
    bool heading = false; // shown in bold by the writers
    std::vector<SheetCell> cells;

    // The cell in `column`, or nullptr when it is empty.
    const SheetCell* Cell(int column) const noexcept;
    // Appends a cell after the last one (columns must grow); an empty text adds nothing.
    void AddText(int column, const QString& text);
    void AddNumber(int column, double value, int decimals = -1);
};

// How a writer presents a column: its width in characters (0: the spreadsheet's own) and what a
// value typed into it later becomes: a text, or a number shown with `decimals` places.
struct SheetColumn {
    enum class Entry : std::uint8_t { Any, Text, Number };
    double width = 0;
    Entry entry = Entry::Any;
    int decimals = -1;
};

// A spreadsheet's first table, format-neutral: the rows that hold anything, in ascending order of
// their numbers, so that a sheet with a million empty rows costs nothing for them. Writers also take
// the columns' presentation and how many rows at the top stay in view while scrolling; readers
// leave both empty.
struct Sheet {
    QString name;
    std::vector<SheetRow> rows;
    std::vector<SheetColumn> columns;
    int frozenRows = 0;
    // Printed in landscape, scaled to one page's width.
    bool fitToPageWidth = false;

    // Appends a row numbered after the last one.
    SheetRow& AddRow();
    // Number of columns up to the last cell of any row.
    int ColumnCount() const noexcept;
    // Number of the last row, 0 when there is none.
    int LastRowNumber() const noexcept { return rows.empty() ? 0 : rows.back().number; }
};

bool operator==(const SheetCell& a, const SheetCell& b) noexcept;

} // namespace quorvel
