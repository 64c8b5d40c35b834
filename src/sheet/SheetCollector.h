#pragma once

#include "sheet/Sheet.h"
#include "sheet/SheetLimits.h"

#include <QString>

#include <cstddef>

namespace quorvel {

// Builds the sheet a reader finds, holding it to the readers' limits: rows in ascending order up to
// the last row a spreadsheet has, columns up to its last column, cells and characters within their
// budgets. Empty rows and cells are never stored. Every refusal is an ESheetError that names the
// row and column.
class SheetCollector {
public:
    explicit SheetCollector(const SheetLimits& limits);

    // Starts row `number` (1-based); rows must come in ascending order.
    void BeginRow(int number);
    // Adds a cell to the row begun; columns must grow. An empty text adds nothing.
    void AddText(int column, const QString& text);
    void AddNumber(int column, double value);
    // Ends the row begun; a row without cells is not kept.
    void EndRow();
    // Adds `count` more rows after the last one ended, each a copy of it (a repeated row).
    void RepeatLastRow(int count);

    // Counts characters of texts kept outside the sheet (shared strings) against the budget; `where`
    // makes the text that names them, only when they are refused.
    template <class Where> void ChargeText(std::size_t chars, Where&& where) {
        chars_ += chars;
        if (chars_ > limits_.maxTextChars) RefuseText(where());
    }
    // Refuses a cell text longer than a cell holds; `where` makes the text that names the cell.
    template <class Where> void CheckCellLength(qsizetype chars, Where&& where) const {
        if (chars > limits_.maxCellChars) RefuseCell(where());
    }
    // Appends text to a cell being read, within a cell's limit; `where` names the cell when it is refused.
    template <class Where> void AppendText(QString& text, QStringView more, Where&& where) const {
        CheckCellLength(text.size() + more.size(), where);
        text += more;
    }
    // Takes over the rows `later` collected from the part of a file after this one's, as if they had
    // been collected here: its first row must come after this one's last, and the cells and
    // characters of both must keep within the budgets. Throws before anything changes; `later` is
    // left empty.
    void Append(SheetCollector&& later);
    // "linha 7, coluna C", for messages.
    static QString Place(int row, int column);

    const SheetLimits& Limits() const noexcept { return limits_; }
    int CurrentRow() const noexcept { return row_.number; }
    Sheet Take();

private:
    [[noreturn]] void RefuseText(const QString& where) const;
    [[noreturn]] void RefuseCell(const QString& where) const;
    void CheckColumn(int column);
    void CountCell();

    const SheetLimits& limits_;
    Sheet sheet_;
    SheetRow row_;
    bool inRow_ = false;
    int firstRow_ = 0; // the first row begun, 0 before any
    int lastRow_ = 0;
    std::size_t cells_ = 0;
    std::size_t chars_ = 0;
};

} // namespace quorvel
