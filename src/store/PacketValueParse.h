#pragma once

#include "store/Packet.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// Decodes the entity references of a text value: "&#" decimal or "&#x" hexadecimal digits up to ";"
// (only the low 8 bits kept), "&a" as "&" (or an apostrophe when followed by "p"), "&g" ">", "&l" "<",
// "&q" a double quote, each skipping the length of its entity; any other "&" stays as it is.
std::string DecodeText(std::string_view raw);
// The same for wide text: codes are kept whole (16 bits), code-page bytes are mapped to Unicode.
std::u16string DecodeWideText(std::string_view raw);

// Leading blanks, an optional sign and the leading decimal digits. False when there is no digit.
// Values beyond 64 bits saturate.
bool ParseLeadingInteger(std::string_view text, std::int64_t& value) noexcept;
// Floating point in the usual notation with "." (leading blanks skipped). False when none.
bool ParseFloat(std::string_view text, double& value) noexcept;
// Integers separated by blanks; anything that is not a number ends the list.
std::vector<std::int64_t> ParseIntegerList(std::string_view text);

// An integer cut to the size of an integer type (two's complement), unchanged for other types.
std::int64_t CutToSize(std::int64_t value, PacketType type) noexcept;

// Integers (cut to the field type's size), truth values, floating point, dates, times and date-times
// from their file text. NULL when the text holds no value.
FieldValue ParseScalarValue(FieldKind kind, PacketType type, std::string_view raw);

// A value from its XML value text form (after entity decoding): text and long text as they stand,
// wide text from code-page text, binary from Base64, exact decimals fitted to the field (throws
// EStoreError 0x2701 when the value does not fit), other kinds as ParseScalarValue. NULL for text
// that holds no value of a non-text kind.
FieldValue ParseFieldValueText(const FieldDef& field, std::string_view text);

} // namespace quorvel
