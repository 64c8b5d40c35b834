#include "report/output/QrexportCells.h"

#include "report/expr/QrexprText.h"
#include "report/output/QrexportGrid.h"

#include <algorithm>

namespace quorvel {

TPageCells::TPageCells(const TQRAbstractExportFilter& filter) {
    const std::vector<TTextEntry>& entries = filter.Entries();
    cells_.reserve(entries.size());
    for (const TTextEntry& entry : entries) {
        const int line = static_cast<int>(entry.Y);
        const int column = static_cast<int>(entry.X);
        if (line >= 1 && column >= 1) cells_.push_back({line, column, &entry});
    }
    // Stable: of several texts in one cell the first to arrive stays first and is kept.
    std::stable_sort(cells_.begin(), cells_.end(), [](const TPageCell& a, const TPageCell& b) {
        return a.Line != b.Line ? a.Line < b.Line : a.Column < b.Column;
    });
    cells_.erase(std::unique(cells_.begin(), cells_.end(),
                             [](const TPageCell& a, const TPageCell& b) {
                                 return a.Line == b.Line && a.Column == b.Column;
                             }),
                 cells_.end());
}

const QString& TPageCells::TextOf(const TPageCell& cell) {
    return cell.Entry->Text;
}

std::optional<QString> NumberCellText(const QString& text, QChar thousandsSeparator) {
    QString plain = text;
    plain.remove(thousandsSeparator);
    double number = 0;
    if (!qrexpr_text::TextToFloat(plain, number)) return std::nullopt;
    return plain;
}

} // namespace quorvel
