#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

// Number and text conversions of the evaluator, following the user's locale separators.
namespace quorvel::qrexpr_text {

// Fifteen significant digits, no trailing zeros, the locale's decimal separator; an exponent form
// such as "1E20" or "1,5E-7" for very large and very small magnitudes.
QString FloatToText(double value);
QString IntToText(std::int32_t value);

// A number written with the locale's decimal separator: optional sign, digits, optional fraction,
// optional exponent; surrounding blanks allowed. Returns false for anything else.
bool TextToFloat(QStringView text, double& value);
// Decimal digits with an optional sign; false on any other character or out of 32-bit range.
bool TextToInt(QStringView text, std::int32_t& value);

} // namespace quorvel::qrexpr_text
