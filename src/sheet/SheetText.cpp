#include "sheet/SheetText.h"

#include "platform/AsciiText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace quorvel {

QString ColumnName(int column) {
    QString name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

int ColumnOfReference(QStringView reference, int maxColumns, int& row) {
    row = 0;
    qsizetype at = 0;
    if (at < reference.size() && reference[at] == u'$') ++at;
    int column = 0;
    const qsizetype lettersFrom = at;
    for (; at < reference.size(); ++at) {
        const char16_t c = reference[at].toUpper().unicode();
        if (c < u'A' || c > u'Z') break;
        column = column * 26 + (c - u'A' + 1);
        if (column > maxColumns) return -1;
    }
    if (at == lettersFrom) return -1;
    if (at < reference.size() && reference[at] == u'$') ++at;
    long long number = 0;
    for (; at < reference.size(); ++at) {
        const char16_t c = reference[at].unicode();
        if (c < u'0' || c > u'9') return -1;
        number = number * 10 + (c - u'0');
        if (number > (1 << 30)) return -1;
    }
    row = static_cast<int>(number);
    return column - 1;
}

QString NumberForFile(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

QString NumberForDisplay(double value, int decimals, QChar decimalSeparator) {
    std::array<char, 400> buffer{};
    const auto result = decimals < 0 ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), value)
                                     : std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                                     std::chars_format::fixed, decimals);
    QString text = QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
    text.replace(QLatin1Char('.'), decimalSeparator);
    return text;
}

bool NeedsFormulaGuard(QStringView text) noexcept {
    qsizetype at = 0;
    while (at < text.size() && text[at] == u'\'')
        ++at;
    return at < text.size() && StartsFormula(text[at].unicode());
}

QString WithFormulaGuard(const QString& text) {
    return NeedsFormulaGuard(text) ? QLatin1Char('\'') + text : text;
}

QString WithoutFormulaGuard(const QString& text) {
    return text.startsWith(QLatin1Char('\'')) && NeedsFormulaGuard(QStringView(text).mid(1)) ? text.mid(1)
                                                                                             : text;
}

QString CellTextForFile(const QString& text) {
    // Nearly every text is fit already: it is handed back as it is, without a copy.
    const bool fit = std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c.unicode() >= 0x20 || c == u'\t' || c == u'\n') && c.unicode() != 0xFFFE &&
               c.unicode() != 0xFFFF;
    });
    if (fit) return text;
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            clean += QLatin1Char('\n');
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else if (c == u'\t' || c == u'\n' || c.unicode() >= 0x20) {
            if (c.unicode() != 0xFFFE && c.unicode() != 0xFFFF) clean += c;
        }
    }
    return clean;
}

QString GroupedCount(std::size_t count) {
    QString digits = QString::number(count);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char('.'));
    return digits;
}

} // namespace quorvel
