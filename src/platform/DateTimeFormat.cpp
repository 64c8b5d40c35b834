#include "platform/DateTimeFormat.h"

namespace quorvel {

namespace {

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// The locale's separator between the parts of a short date ("/" for dd/MM/yyyy) and of a time.
QString DateSeparator(const QLocale& locale) {
    for (const QChar c : locale.dateFormat(QLocale::ShortFormat))
        if (!c.isLetter()) return QString(c);
    return QStringLiteral("/");
}

QString TimeSeparator(const QLocale& locale) {
    for (const QChar c : locale.timeFormat(QLocale::ShortFormat))
        if (!c.isLetter()) return QString(c);
    return QStringLiteral(":");
}

// The locale's long time without the time zone that some locales add to it: report texts show the
// time of day only.
QString LongTime(const QLocale& locale, const QTime& time) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return locale.toString(time, format.trimmed());
}

bool StartsWithNoCase(QStringView text, qsizetype at, QLatin1StringView word) {
    return text.mid(at, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

// Whether an "m" at this point means minutes: it follows an hour, with only non-letters between.
bool AfterHour(const QString& format, qsizetype at) {
    for (qsizetype i = at - 1; i >= 0; --i) {
        const QChar c = format[i].toLower();
        if (c == QLatin1Char('h')) return true;
        if (c.isLetter()) return false;
    }
    return false;
}

struct Formatter {
    const QDate date;
    const QTime time;
    const QLocale& locale;
    bool twelveHour = false;
    QString out;

    void Run(const QString& format);
};

void Formatter::Run(const QString& format) {
    // An hour is written on the 12-hour clock when the format has an am/pm marker.
    twelveHour = twelveHour || format.contains(QLatin1String("am/pm"), Qt::CaseInsensitive) ||
                 format.contains(QLatin1String("a/p"), Qt::CaseInsensitive) ||
                 format.contains(QLatin1String("ampm"), Qt::CaseInsensitive);
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        const QChar lower = c.toLower();
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run].toLower() == lower)
            ++run;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype close = format.indexOf(c, i + 1);
            const qsizetype end = close < 0 ? format.size() : close;
            out += format.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (StartsWithNoCase(format, i, QLatin1StringView("am/pm"))) {
            out += time.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm");
            i += 5;
            continue;
        }
        if (StartsWithNoCase(format, i, QLatin1StringView("a/p"))) {
            out += time.hour() < 12 ? QStringLiteral("a") : QStringLiteral("p");
            i += 3;
            continue;
        }
        if (StartsWithNoCase(format, i, QLatin1StringView("ampm"))) {
            out += time.hour() < 12 ? locale.amText() : locale.pmText();
            i += 4;
            continue;
        }
        const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
        const int hour = twelveHour ? hour12 : time.hour();
        if (lower == QLatin1Char('c')) {
            out += locale.toString(date, QLocale::ShortFormat);
            if (time != QTime(0, 0)) out += QLatin1Char(' ') + LongTime(locale, time);
            i += 1;
            continue;
        }
        if (lower == QLatin1Char('d')) {
            if (run >= 6) {
                out += locale.toString(date, QLocale::LongFormat);
                run = 6;
            } else if (run == 5) {
                out += locale.toString(date, QLocale::ShortFormat);
            } else if (run == 4) {
                out += locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
            } else if (run == 3) {
                out += locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
            } else {
                out += run == 2 ? TwoDigits(date.day()) : QString::number(date.day());
            }
            i += run;
            continue;
        }
        if (lower == QLatin1Char('m')) {
            if (run <= 2 && AfterHour(format, i)) {
                out += run == 2 ? TwoDigits(time.minute()) : QString::number(time.minute());
            } else if (run >= 4) {
                out += locale.monthName(date.month(), QLocale::LongFormat);
                run = 4;
            } else if (run == 3) {
                out += locale.monthName(date.month(), QLocale::ShortFormat);
            } else {
                out += run == 2 ? TwoDigits(date.month()) : QString::number(date.month());
            }
            i += run;
            continue;
        }
        if (lower == QLatin1Char('y')) {
            out += run <= 2 ? TwoDigits(date.year() % 100) : QString::number(date.year());
            i += run;
            continue;
        }
        if (lower == QLatin1Char('h')) {
            run = std::min<qsizetype>(run, 2);
            out += run == 2 ? TwoDigits(hour) : QString::number(hour);
            i += run;
            continue;
        }
        if (lower == QLatin1Char('n')) {
            run = std::min<qsizetype>(run, 2);
            out += run == 2 ? TwoDigits(time.minute()) : QString::number(time.minute());
            i += run;
            continue;
        }
        if (lower == QLatin1Char('s')) {
            run = std::min<qsizetype>(run, 2);
            out += run == 2 ? TwoDigits(time.second()) : QString::number(time.second());
            i += run;
            continue;
        }
        if (lower == QLatin1Char('z')) {
            run = run >= 3 ? 3 : 1;
            out += run == 3 ? QStringLiteral("%1").arg(time.msec(), 3, 10, QLatin1Char('0'))
                            : QString::number(time.msec());
            i += run;
            continue;
        }
        if (lower == QLatin1Char('t')) {
            run = std::min<qsizetype>(run, 2);
            out += run == 2 ? LongTime(locale, time) : locale.toString(time, QLocale::ShortFormat);
            i += run;
            continue;
        }
        if (c == QLatin1Char('/')) {
            out += DateSeparator(locale);
        } else if (c == QLatin1Char(':')) {
            out += TimeSeparator(locale);
        } else {
            out += c;
        }
        ++i;
    }
}

} // namespace

QString FormatDateTime(const QString& format, const QDateTime& value, const QLocale& locale) {
    Formatter formatter{value.date(), value.time(), locale, false, QString()};
    formatter.Run(format.isEmpty() ? QStringLiteral("c") : format);
    return formatter.out;
}

} // namespace quorvel
