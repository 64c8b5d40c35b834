#include "report/expr/QrexprText.h"

#include "platform/CodePage.h"
#include "platform/FormatSettings.h"
#include "store/StoreFormat.h"

#include <charconv>
#include <string>

namespace quorvel::qrexpr_text {

QString FloatToText(double value) {
    return Cp1252ToQString(FloatToPlainText(value, FormatSettings::FromLocale()));
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
