#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace quorvel {

// Formats a date and time through a date-time format of the report masks and display formats:
// "c" (short date, then the long time unless it is midnight), "d", "dd", "ddd", "dddd" (day and
// weekday names), "ddddd" (short date), "dddddd" (long date), "m", "mm", "mmm", "mmmm" (month, or
// minutes right after an hour), "yy", "yyyy", "h", "hh", "n", "nn", "s", "ss", "z", "zzz", "t"
// (short time), "tt" (long time), "am/pm", "a/p", "ampm", "/" and ":" (the locale's separators),
// quoted literals in single or double quotes; every other character stands for itself. Names and
// formats come from the locale.
QString FormatDateTime(const QString& format, const QDateTime& value, const QLocale& locale = QLocale());

} // namespace quorvel
