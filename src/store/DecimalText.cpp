#include "store/DecimalText.h"

namespace quorvel {

NumberDigits DecimalDigits(const TDecimal& value) {
    return NumberDigits::FromDecimalText(value.ToString('.'));
}

std::string DecimalPlainText(const TDecimal& value, char decimalSeparator) {
    std::string text = value.ToString(decimalSeparator);
    const std::size_t point = text.find(decimalSeparator);
    if (point != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (text.size() == point + 1) text.pop_back();
    }
    if (text == "-0") text = "0";
    return text;
}

} // namespace quorvel
