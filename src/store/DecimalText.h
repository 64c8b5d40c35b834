#pragma once

#include "platform/NumberFormat.h"
#include "store/Decimal.h"

#include <string>

namespace quorvel {

// The digits display formatting rounds on: exactly the decimal's own.
NumberDigits DecimalDigits(const TDecimal& value);

// The plain text of an exact decimal: the separator, trailing decimal zeros dropped, no grouping
// ("12,5" for 12.5000 with ","; "0" for zero at any scale).
std::string DecimalPlainText(const TDecimal& value, char decimalSeparator);

} // namespace quorvel
