#pragma once

#include "store/Decimal.h"

#include <QStringView>

#include <variant>

namespace quorvel {

// Why a text is not a price.
enum class PriceTextFault { NotANumber, Negative, TooManyDecimals, TooLarge };

// A price written the Brazilian way: "1.234,5", "12,50", "1234", "R$ 12,50" (blanks, also
// non-breaking ones, around it and after "R$"; dots only between groups of three digits; at most
// four decimals after the comma). The value is exact, at four places, and has at most
// `integerDigits` digits before the comma.
std::variant<TDecimal, PriceTextFault> ParseBrazilianPrice(QStringView text, int integerDigits);

} // namespace quorvel
