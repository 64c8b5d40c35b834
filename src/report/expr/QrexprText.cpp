#include "report/expr/QrexprText.h"

#include "platform/FormatSettings.h"

#include <charconv>
#include <cmath>
#include <string>

namespace quorvel::qrexpr_text {

QString FloatToText(double value) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (ec != std::errc()) return QString();
    const char decimal = FormatSettings::FromLocale().DecimalSeparator;
    QString text;
    text.reserve(static_cast<qsizetype>(end - buffer));
    for (const char* p = buffer; p != end; ++p) {
        if (*p == '.') {
            text.append(QLatin1Char(decimal));
        } else if (*p == 'e') {
            // "e+05" becomes "E5", "e-07" becomes "E-7".
            text.append(QLatin1Char('E'));
            ++p;
            if (p != end && *p == '-') text.append(QLatin1Char('-'));
            if (p != end && (*p == '-' || *p == '+')) ++p;
            while (p + 1 != end && *p == '0')
                ++p;
            for (; p != end; ++p)
                text.append(QLatin1Char(*p));
            break;
        } else {
            text.append(QLatin1Char(*p));
        }
    }
    return text;
}

QString IntToText(std::int32_t value) {
    return QString::number(value);
}

bool TextToFloat(QStringView text, double& value) {
    const QStringView trimmed = text.trimmed();
    const char decimal = FormatSettings::FromLocale().DecimalSeparator;
    std::string plain;
    plain.reserve(static_cast<std::size_t>(trimmed.size()));
    qsizetype i = 0;
    const qsizetype n = trimmed.size();
    auto at = [&](qsizetype k) { return k < n ? trimmed[k].unicode() : char16_t(0); };
    auto digits = [&] {
        const qsizetype from = i;
        while (at(i) >= u'0' && at(i) <= u'9')
            plain.push_back(static_cast<char>(trimmed[i++].unicode()));
        return i - from;
    };
    if (at(i) == u'+' || at(i) == u'-') {
        if (at(i) == u'-') plain.push_back('-');
        ++i;
    }
    qsizetype mantissa = digits();
    if (at(i) == char16_t(static_cast<unsigned char>(decimal))) {
        ++i;
        plain.push_back('.');
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (at(i) == u'E' || at(i) == u'e') {
        ++i;
        plain.push_back('e');
        if (at(i) == u'+' || at(i) == u'-') plain.push_back(static_cast<char>(trimmed[i++].unicode()));
        if (digits() == 0) return false;
    }
    if (i != n) return false;
    double parsed = 0.0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), parsed);
    if (ec != std::errc() || end != plain.data() + plain.size()) return false;
    value = parsed;
    return true;
}

bool TextToInt(QStringView text, std::int32_t& value) {
    bool ok = false;
    const int parsed = text.toInt(&ok, 10);
    if (!ok) return false;
    value = parsed;
    return true;
}

} // namespace quorvel::qrexpr_text
