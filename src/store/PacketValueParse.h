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

// The leading integer of a text (leading blanks, an optional sign, decimal digits) as a value of the
// integer type `type`; an unsigned 64-bit value keeps its bit pattern. OutOfRange when the number
// does not fit that type, so that it is refused rather than wrapped.
enum class IntegerRead : std::uint8_t { NoNumber, Ok, OutOfRange };
IntegerRead ReadInteger(std::string_view text, PacketType type, std::int64_t& value) noexcept;
// Integers of type `element` separated by blanks; anything that is not a number ends the list.
// False when an element does not fit `element`.
bool ReadIntegerList(std::string_view text, PacketType element, std::vector<std::int64_t>& values);

// Integers (refused with EStoreError 0x2701 when they do not fit the field type), truth values, floating
// point, dates, times and date-times from their file text. NULL when the text holds no value.
FieldValue ParseScalarValue(FieldKind kind, PacketType type, std::string_view raw);

// A value from its XML value text form (after entity decoding): text and long text as they stand,
// wide text from code-page text, binary from Base64, exact decimals fitted to the field (throws
// EStoreError 0x2701 when the value does not fit), other kinds as ParseScalarValue. NULL for text
// that holds no value of a non-text kind.
FieldValue ParseFieldValueText(const FieldDef& field, std::string_view text);

} // namespace quorvel
