#pragma once

#include <QString>

#include <optional>

// Number formatting by a mask, as FORMATNUMERIC offers it.
namespace quorvel::qrexpr_format {

// Formats a value with a mask of up to three sections separated by ";" (positive, negative, zero).
// "0" is a digit always shown, "#" a digit shown when significant, the first "." places the
// locale's decimal separator, a "," among the integer placeholders asks for thousands grouping,
// "E+", "E-", "e+" or "e-" followed by "0"s gives an exponent, and text in single or double quotes
// or any other character is copied. An empty mask gives the plain number text. Returns nothing for
// a malformed mask (more than three sections, an unclosed quote) or a value that cannot be shown.
std::optional<QString> FormatFloat(const QString& mask, double value);

} // namespace quorvel::qrexpr_format
