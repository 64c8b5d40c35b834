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

const FormatSettings& FormatSettings::Current() {
    struct Made {
        QLocale locale;
        FormatSettings settings = FromLocale(locale);
    };
    thread_local Made made;
    const QLocale now;
    if (now != made.locale) made = Made{now};
    return made.settings;
}

LocaleEnvironment LocaleEnvironment::FromProcess() {
    return {qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_NUMERIC"), qEnvironmentVariable("LANG")};
}

bool IsUnsetLocale(const LocaleEnvironment& environment) {
    QString name = environment.All;
    if (name.isEmpty()) name = environment.Numeric;
    if (name.isEmpty()) name = environment.Lang;
    // "C.UTF-8" and "POSIX@modifier" name the same locale as "C" and "POSIX".
    const QString base = name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    return base.isEmpty() || base == QLatin1String("C") || base == QLatin1String("POSIX");
}

QLocale ProgramLocale(const LocaleEnvironment& environment) {
    return IsUnsetLocale(environment) ? QLocale(QLocale::Portuguese, QLocale::Brazil) : QLocale::system();
}

void UseProgramLocale(const LocaleEnvironment& environment) {
    QLocale::setDefault(ProgramLocale(environment));
}

} // namespace quorvel
