#pragma once

// What every sheet a reader accepts must be, whatever the input: rows in ascending order within the
// last row, cells in ascending columns within the last column, no empty cell, no text longer than a
// cell holds. Shared by the sheet readers' fuzz targets.
#include "sheet/Sheet.h"
#include "sheet/SheetLimits.h"
#include "sheet/SheetText.h"

#include <cstdio>
#include <cstdlib>

namespace quorvel::fuzzing {

inline void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void CheckShape(const Sheet& sheet, const SheetLimits& limits) {
    int lastRow = 0;
    std::size_t cells = 0;
    for (const SheetRow& row : sheet.rows) {
        Check(row.number > lastRow && row.number <= limits.maxRows, "rows ascend within the last row");
        Check(!row.cells.empty(), "no row without cells is kept");
        lastRow = row.number;
        int lastColumn = -1;
        for (const SheetCell& cell : row.cells) {
            Check(cell.column > lastColumn && cell.column < limits.maxColumns,
                  "cells ascend within the last column");
            Check(!cell.IsEmpty(), "no empty cell is kept");
            Check(cell.kind != SheetCell::Kind::Text ||
                      (!cell.text.isEmpty() && cell.text.size() <= limits.maxCellChars),
                  "texts are not empty and fit a cell");
            lastColumn = cell.column;
            ++cells;
        }
    }
    Check(cells <= limits.maxCells, "cells within the limit");
}

// The sheet a writer is expected to give back: texts as a file keeps them, cells and rows left empty
// by that dropped.
inline Sheet AsWritten(const Sheet& sheet) {
    Sheet written;
    for (const SheetRow& row : sheet.rows) {
        SheetRow copy;
        copy.number = row.number;
        for (SheetCell cell : row.cells) {
            if (cell.kind == SheetCell::Kind::Text) cell.text = CellTextForFile(cell.text);
            if (cell.kind != SheetCell::Kind::Text || !cell.text.isEmpty()) copy.cells.push_back(cell);
        }
        if (!copy.cells.empty()) written.rows.push_back(copy);
    }
    return written;
}

inline bool SameCells(const Sheet& a, const Sheet& b) {
    if (a.rows.size() != b.rows.size()) return false;
    for (std::size_t r = 0; r < a.rows.size(); ++r)
        if (a.rows[r].number != b.rows[r].number || a.rows[r].cells != b.rows[r].cells) return false;
    return true;
}

// Small enough inputs run quickly: a zip bomb is stopped at a fraction of the program's allowance.
inline SheetLimits FuzzLimits() {
    SheetLimits limits;
    limits.maxInflatedBytes = std::size_t{32} << 20;
    return limits;
}

} // namespace quorvel::fuzzing
