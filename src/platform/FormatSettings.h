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
    // The default locale's settings, made once per thread and again when the default changes: a report
    // formats tens of thousands of values, and reading the locale's formats each time costs more than
    // the formatting.
    static const FormatSettings& Current();
};

// The locale choice a POSIX system passes to a program: LC_ALL, then the category's own variable,
// then LANG, the first that is set deciding.
struct LocaleEnvironment {
    QString All;
    QString Numeric;
    QString Lang;

    static LocaleEnvironment FromProcess();
};

// True when no real locale decides the number formats: nothing is set, or the C or POSIX locale
// (with or without a code set, "C.UTF-8"), as on a fresh system or for a user who never chose one.
bool IsUnsetLocale(const LocaleEnvironment& environment);

// The locale the program formats and reads numbers and dates with: the system's when the user
// chose one, otherwise Brazilian Portuguese, the program's own language.
QLocale ProgramLocale(const LocaleEnvironment& environment);

// Makes ProgramLocale the default of every QLocale() in the process; called once at start-up.
void UseProgramLocale(const LocaleEnvironment& environment = LocaleEnvironment::FromProcess());

} // namespace quorvel
