#include "FormatSettings.h"

#include "CodePage.h"

namespace quorvel {
namespace {

char SeparatorByte(const QString& separator, char fallback) {
    if (separator.size() != 1) return fallback;
    const char byte = UnicodeToCp1252(separator.at(0).unicode());
    // A narrow no-break space (used by some locales) has no code-page byte; a blank reads the same.
    return byte == kCodePageDefaultChar ? ' ' : byte;
}

} // namespace

FormatSettings FormatSettings::FromLocale(const QLocale& locale) {
    FormatSettings s;
    s.DecimalSeparator = SeparatorByte(locale.decimalPoint(), '.');
    s.ThousandSeparator = SeparatorByte(locale.groupSeparator(), ',');
    s.ShortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    s.LongTimeFormat = locale.timeFormat(QLocale::LongFormat);
    return s;
}

} // namespace quorvel
