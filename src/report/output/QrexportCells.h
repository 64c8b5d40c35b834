#pragma once

#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace quorvel {

class TQRAbstractExportFilter;
struct TTextEntry;

// One filled cell of a processed page: its line and column (from 1) and the first text that arrived
// there, which is the one GetText finds.
struct TPageCell {
    int Line = 0;
    int Column = 0;
    const TTextEntry* Entry = nullptr;
};

// The filled cells of the page a text-grid filter has just processed, in line and column order, so
// that a page is written in one pass however many texts it holds. Texts whose position matched no
// numbered line or column are left out, as a walk over the grid skips them.
class TPageCells {
public:
    explicit TPageCells(const TQRAbstractExportFilter& filter);

    std::span<const TPageCell> Cells() const noexcept { return cells_; }

    // Walks lines 1 … lineCount and columns 1 … columnCount and calls cell (line, column, text) for
    // every position, with an empty text where no text is.
    template <class Visit> void ForEachPosition(int lineCount, int columnCount, Visit&& cell) const {
        std::size_t next = 0;
        for (int line = 1; line <= lineCount; ++line) {
            for (int column = 1; column <= columnCount; ++column) {
                while (next < cells_.size() && Before(cells_[next], line, column))
                    ++next;
                if (next < cells_.size() && cells_[next].Line == line && cells_[next].Column == column)
                    cell(line, column, TextOf(cells_[next]));
                else
                    cell(line, column, QString());
            }
        }
    }

    static const QString& TextOf(const TPageCell& cell);

private:
    static bool Before(const TPageCell& cell, int line, int column) noexcept {
        return cell.Line < line || (cell.Line == line && cell.Column < column);
    }

    std::vector<TPageCell> cells_;
};

// A cell text as a number cell takes it: with the user's thousands separator removed, when the rest
// reads as a number in the user's format ("1.234,56" → "1234,56"); nothing for any other text.
std::optional<QString> NumberCellText(const QString& text, QChar thousandsSeparator);

} // namespace quorvel
