#pragma once

#include "platform/FormatSettings.h"

#include <string>
#include <string_view>

namespace quorvel {

// A number as a decimal expansion: value = 0.d1d2d3... x 10^Exponent, with Digits holding no
// leading or trailing zeros (empty for zero). Display formatting rounds on this expansion, so a
// float shows what its 18 significant digits say and an exact decimal shows its exact digits.
struct NumberDigits {
    bool Negative = false;
    std::string Digits;
    int Exponent = 0;

    static NumberDigits FromDouble(double value);
    static NumberDigits FromInteger(long long value);
    // From the exact text of a decimal: digits with an optional leading "-" and one ".".
    static NumberDigits FromDecimalText(std::string_view text);
    bool IsZero() const noexcept { return Digits.empty(); }
    // Rounds to `places` decimal places; a first dropped digit of 5 or more rounds away from zero.
    void RoundToPlaces(int places);
};

// Formats a number through a display or edit format: up to three sections (positive; negative;
// zero), "0" and "#" digit placeholders, the first "." for the decimal separator, "," among the
// integer placeholders for thousands grouping, "E+"/"E-" exponent forms, quoted literals and any
// other character as a literal. Separators come from `settings`. The result is code-page text.
std::string FormatNumber(std::string_view format, const NumberDigits& value, const FormatSettings& settings);

// Plain text of a float: up to 15 significant digits, trailing zeros dropped, the locale's decimal
// separator, exponent form ("1E20", "1E-5") for very large or very small values.
std::string FloatToPlainText(double value, const FormatSettings& settings);

} // namespace quorvel
