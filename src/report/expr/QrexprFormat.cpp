#include "report/expr/QrexprFormat.h"

#include "platform/FormatSettings.h"
#include "report/expr/QrexprText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace quorvel::qrexpr_format {

namespace {

bool IsPlaceholder(QChar c) {
    return c == u'0' || c == u'#';
}

// Splits at ";" outside quotes; nothing when a quote is left open.
std::optional<QStringList> Sections(const QString& mask) {
    QStringList sections;
    QString current;
    QChar quote;
    for (const QChar c : mask) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            sections.append(current);
            current.clear();
            continue;
        }
        current.append(c);
    }
    if (!quote.isNull()) return std::nullopt;
    sections.append(current);
    return sections;
}

struct Layout {
    QString prefix;
    QString suffix;
    int integerZeros = 0;
    int integerPlaceholders = 0;
    int fractionZeros = 0;
    int fractionPlaceholders = 0;
    bool decimalPoint = false;
    bool grouping = false;
    bool scientific = false;
    bool exponentAlwaysSigned = false;
    QChar exponentLetter;
    int exponentDigits = 0;
};

Layout ReadLayout(const QString& section) {
    Layout layout;
    bool seenPlaceholder = false;
    QString pending; // literal text after the last placeholder seen so far
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == u'\'' || c == u'"') {
            const qsizetype close = section.indexOf(c, i + 1);
            const QString literal = section.mid(i + 1, close - i - 1);
            (seenPlaceholder ? pending : layout.prefix) += literal;
            i = close;
        } else if (IsPlaceholder(c) && !layout.scientific) {
            seenPlaceholder = true;
            pending.clear();
            if (layout.decimalPoint) {
                ++layout.fractionPlaceholders;
                if (c == u'0') layout.fractionZeros = layout.fractionPlaceholders;
            } else {
                ++layout.integerPlaceholders;
                if (c == u'0' || layout.integerZeros > 0) ++layout.integerZeros;
            }
        } else if (c == u'.' && !layout.decimalPoint && !layout.scientific) {
            layout.decimalPoint = true;
            seenPlaceholder = true;
            pending.clear();
        } else if (c == u',' && !layout.decimalPoint && !layout.scientific) {
            layout.grouping = true;
        } else if ((c == u'E' || c == u'e') && seenPlaceholder && !layout.scientific &&
                   i + 1 < section.size() && (section[i + 1] == u'+' || section[i + 1] == u'-')) {
            layout.scientific = true;
            layout.exponentLetter = c;
            layout.exponentAlwaysSigned = section[i + 1] == u'+';
            ++i;
            while (i + 1 < section.size() && section[i + 1] == u'0') {
                ++layout.exponentDigits;
                ++i;
            }
            pending.clear();
        } else {
            (seenPlaceholder ? pending : layout.prefix) += c;
        }
    }
    layout.suffix = pending;
    return layout;
}

// Digits of |value| with exactly `decimals` places; nothing when the value is too large to show.
std::optional<std::string> FixedDigits(double value, int decimals) {
    if (!std::isfinite(value) || std::fabs(value) >= 1e18) return std::nullopt;
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed, decimals);
    if (ec != std::errc()) return std::nullopt;
    return std::string(buffer, end);
}

QString Group(const QString& digits, QChar separator) {
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped.append(separator);
        grouped.append(digits[i]);
    }
    return grouped;
}

std::optional<QString> FormatSection(const Layout& layout, double magnitude, bool negative) {
    const FormatSettings settings = FormatSettings::FromLocale();
    int exponent = 0;
    if (layout.scientific && magnitude != 0.0) {
        const int leading = std::max(layout.integerPlaceholders, 1);
        exponent = static_cast<int>(std::floor(std::log10(magnitude))) - (leading - 1);
        magnitude /= std::pow(10.0, exponent);
    }
    const int decimals = layout.fractionPlaceholders;
    std::optional<std::string> fixed = FixedDigits(magnitude, decimals);
    if (!fixed) return std::nullopt;
    const std::size_t point = fixed->find('.');
    QString integerPart = QString::fromLatin1(fixed->substr(0, point));
    QString fractionPart =
        point == std::string::npos ? QString() : QString::fromLatin1(fixed->substr(point + 1));
    while (integerPart.startsWith(u'0'))
        integerPart.remove(0, 1);
    while (integerPart.size() < layout.integerZeros)
        integerPart.prepend(u'0');
    while (fractionPart.size() > layout.fractionZeros && fractionPart.endsWith(u'0'))
        fractionPart.chop(1);
    const bool allZero = (integerPart + fractionPart).count(u'0') == (integerPart + fractionPart).size();

    QString text;
    if (negative && !allZero) text.append(u'-');
    text.append(layout.prefix);
    text.append(layout.grouping ? Group(integerPart, QLatin1Char(settings.ThousandSeparator)) : integerPart);
    if (!fractionPart.isEmpty()) {
        text.append(QLatin1Char(settings.DecimalSeparator));
        text.append(fractionPart);
    }
    if (layout.scientific) {
        text.append(layout.exponentLetter);
        if (exponent < 0)
            text.append(u'-');
        else if (layout.exponentAlwaysSigned)
            text.append(u'+');
        QString digits = QString::number(std::abs(exponent));
        while (digits.size() < layout.exponentDigits)
            digits.prepend(u'0');
        text.append(digits);
    }
    text.append(layout.suffix);
    return text;
}

} // namespace

std::optional<QString> FormatFloat(const QString& mask, double value) {
    if (!std::isfinite(value)) return std::nullopt;
    if (mask.isEmpty()) return qrexpr_text::FloatToText(value);
    const std::optional<QStringList> sections = Sections(mask);
    if (!sections || sections->size() > 3) return std::nullopt;
    QString section = sections->at(0);
    bool showSign = value < 0;
    if (value < 0 && sections->size() >= 2 && !sections->at(1).isEmpty()) {
        section = sections->at(1);
        showSign = false;
    } else if (value == 0 && sections->size() == 3 && !sections->at(2).isEmpty()) {
        section = sections->at(2);
    }
    return FormatSection(ReadLayout(section), std::fabs(value), showSign);
}

} // namespace quorvel::qrexpr_format
