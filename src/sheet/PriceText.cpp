#include "sheet/PriceText.h"

#include <string>

namespace quorvel {
namespace {

constexpr int kPlaces = 4;

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == QChar(0x00A0) || c == QChar(0x202F);
}

QStringView Trimmed(QStringView text) {
    while (!text.isEmpty() && IsBlank(text.front()))
        text = text.mid(1);
    while (!text.isEmpty() && IsBlank(text.back()))
        text.chop(1);
    return text;
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

std::variant<TDecimal, PriceTextFault> ParseBrazilianPrice(QStringView text, int integerDigits) {
    text = Trimmed(text);
    bool negative = false;
    if (text.startsWith(u'-')) {
        negative = true;
        text = Trimmed(text.mid(1));
    }
    if (text.startsWith(u"R$")) text = Trimmed(text.mid(2));
    if (!negative && text.startsWith(u'-')) {
        negative = true;
        text = text.mid(1);
    }

    // Integer part: plain digits, or groups of three after a first group of one to three.
    std::string digits;
    qsizetype at = 0;
    qsizetype group = 0;
    bool grouped = false;
    for (; at < text.size(); ++at) {
        const QChar c = text[at];
        if (IsDigit(c)) {
            digits += static_cast<char>(c.unicode());
            ++group;
        } else if (c == u'.') {
            if (group == 0 || (grouped ? group != 3 : group > 3)) return PriceTextFault::NotANumber;
            grouped = true;
            group = 0;
        } else {
            break;
        }
    }
    if (digits.empty() || (grouped && group != 3)) return PriceTextFault::NotANumber;
    std::string fraction;
    if (at < text.size() && text[at] == u',') {
        for (++at; at < text.size() && IsDigit(text[at]); ++at)
            fraction += static_cast<char>(text[at].unicode());
        if (fraction.empty()) return PriceTextFault::NotANumber;
    }
    if (at != text.size()) return PriceTextFault::NotANumber;
    if (negative) return PriceTextFault::Negative;
    if (fraction.size() > kPlaces) return PriceTextFault::TooManyDecimals;

    const std::size_t significant = digits.find_first_not_of('0');
    if (significant != std::string::npos && static_cast<int>(digits.size() - significant) > integerDigits)
        return PriceTextFault::TooLarge;
    const std::optional<TDecimal> value =
        TDecimal::FromNumberText(digits + '.' + (fraction.empty() ? "0" : fraction), '.', kPlaces);
    if (!value) return PriceTextFault::TooLarge;
    return *value;
}

} // namespace quorvel
