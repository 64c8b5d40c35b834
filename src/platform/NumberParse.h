#pragma once

#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// Reading numbers back from text. Each function names the one form it accepts, so that a field, a
// dialog and a file reader agree on what a number is; none depends on the C library's locale.

// Optional sign, digits, optionally `decimalSeparator` and digits, optional exponent ("1,5", "-2",
// ".5", "3E-4"), with at least one mantissa digit: the form number fields accept and show for
// editing. The whole text must match: no blanks, no thousands separators.
bool IsPlainNumber(std::string_view text, char decimalSeparator) noexcept;

// The value of a plain number; empty when the text is not one or its magnitude lies beyond a
// double (it would overflow, or underflow to zero).
std::optional<double> ParsePlainNumber(std::string_view text, char decimalSeparator) noexcept;
// The same over screen text: a character outside the code page refuses the text.
std::optional<double> ParsePlainNumber(QStringView text, char decimalSeparator);

// A plain number taken apart without rounding: value = ±Digits × 10^Exponent, Digits as written
// (integer then fraction digits, leading zeros kept). For exact decimals that must not pass
// through a double. Empty when the text is not a plain number.
struct PlainNumberParts {
    bool Negative = false;
    std::string Digits;
    long Exponent = 0;
};
std::optional<PlainNumberParts> SplitPlainNumber(std::string_view text, char decimalSeparator);

// Optional sign and decimal digits, nothing else, with a value within [low, high].
std::optional<std::int64_t>
ParseWholeNumber(std::string_view text, std::int64_t low = std::numeric_limits<std::int64_t>::min(),
                 std::int64_t high = std::numeric_limits<std::int64_t>::max()) noexcept;
std::optional<std::int64_t> ParseWholeNumber(QStringView text,
                                             std::int64_t low = std::numeric_limits<std::int64_t>::min(),
                                             std::int64_t high = std::numeric_limits<std::int64_t>::max());

// A whole number (optional sign and decimal digits) within the range of an int, for a page number
// typed by the user or an integer cell's text.
std::optional<int> ParseWholeInt(QStringView text);

// The integer a text starts with (optional sign, then digits), for readers of data files that take
// the leading number of a value and leave the rest.
struct LeadingInteger {
    bool Negative = false;
    std::uint64_t Magnitude = 0; // the largest unsigned 64-bit value when the digits say more
    bool Overflow = false;
    std::size_t Length = 0; // the sign and digits read
};
// Empty when no digit follows the optional sign.
std::optional<LeadingInteger> ReadLeadingInteger(std::string_view text) noexcept;

// The number in C notation a text starts with (an optional "+" or "-", decimal or exponent form,
// "inf", "nan"), a magnitude beyond a double saturating to infinity or to zero: the lenient reading
// of numbers inside data files. Empty when the text does not start with a number.
std::optional<double> ReadLeadingFloat(std::string_view text) noexcept;

} // namespace quorvel
