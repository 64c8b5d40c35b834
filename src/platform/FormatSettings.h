#pragma once

#include <QLocale>
#include <QString>

namespace quorvel {

// The user's number and date conventions, taken from the default QLocale (the system locale unless a
// caller, such as the test suite, pins another). Separators are single code-page bytes, as the store
// formats and parses single-byte text.
struct FormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    QString ShortDateFormat;
    QString LongTimeFormat;

    static FormatSettings FromLocale(const QLocale& locale = QLocale());
};

} // namespace quorvel
