#pragma once

// The binary datapacket. All numbers are little-endian.
//
// Header (24 bytes): magic 0xBDE01996, u16 version 1, u16 0, u32 header size 24, u16 column count,
// u32 row count, u32 flags (bit 0 field list present, bit 1 the next word is valid), u16 offset of
// the first row. A file starting with the 32-bit word 0xABCD has the same layout after that word and
// is read the same way.
//
// Column: u8 name length, name, u32 type code, u16 attribute bits (1 hidden, 2 read-only, 4 required,
// 8 link), u16 parameter count, parameters. The field's own SUBTYPE (string), WIDTH (i4), DECIMALS (i4)
// and CALCULATED (boolean) travel as the first parameters, followed by the carried ones. A nested
// column is followed by u16 nested column count and those columns.
// Table: u16 parameter count, parameters (CHANGE_LOG and AUTOINCVALUE first, then the carried ones).
// Parameter: u8 name length, name, u32 type code, value. Type-code bits 24 and 25 are ours: 24 marks
// a parameter to be sent back ("Roundtrip"), 25 one that the XML form carries as a PARAM child.
//
// Type code: kind in bits 16..21, size in bits 0..15, bit 22 variable length (a count of `size` bytes
// precedes the bytes), bit 23 array (u32 element count, then the elements).
//   kind 1/2 signed/unsigned integer of 1, 2, 4, 8 bytes; 3 truth value (u16 0 or 1); 4 floating point
//   (size 8 an IEEE double; size 10 the double followed by two zero bytes); 5 and 18 exact decimal
//   (size 8: the value in units of the field's decimal places as a signed 64-bit integer);
//   6 date (i32 days since 0001-01-01); 7 time (i32 milliseconds since midnight); 8 and 17 date-time
//   (i32 days, then i32 milliseconds); 9 single-byte text (count of 1 byte up to width 254, 2 bytes up
//   to 65535, else 4); 10 wide text (UTF-16LE, count in bytes, sized like 9); 11 long text or binary
//   (u32 count; wide long text as UTF-16LE); 12 structured and 14 nested (no value); 13 unused.
//   A parameter whose value is text but whose type is not (a PARAM with Type "date", for example) is
//   written with its kind, bit 22 and a 4-byte count, followed by the text.
//
// Row: u8 row state, ceil(columns / 4) bytes with two bits per column (first: NULL, second: unchanged
// long text or binary of a modified version, taken from the version it replaced), then the value of
// every column with neither bit, in column order.
//
// What the reader and the writer of this form share: its constants and type codes.

#include "store/Packet.h"

#include <cstdint>

namespace quorvel::binary_packet {

inline constexpr std::uint32_t kMagic = 0xBDE01996u;
inline constexpr std::uint32_t kOldMagic = 0xABCDu;
inline constexpr std::uint32_t kVariable = 1u << 22;
inline constexpr std::uint32_t kArray = 1u << 23;
inline constexpr std::uint32_t kRoundtripBit = 1u << 24;
inline constexpr std::uint32_t kChildBit = 1u << 25;
inline constexpr int kMaxTables = 63;
inline constexpr std::int32_t kMaxDays = 3652058; // 9999-12-31
inline constexpr std::int32_t kMsecPerDay = 86400000;

constexpr std::uint32_t Code(std::uint32_t kind, std::uint32_t size, std::uint32_t extra = 0) {
    return (kind << 16) | size | extra;
}

// The size of the count before a text of the given width.
std::uint32_t CountSizeForWidth(int width);
std::uint32_t TypeCode(PacketType type, int width);
// False when the code names no type this form knows.
bool TypeFromCode(std::uint32_t code, PacketType& type);
// Bytes of an integer type's value.
int IntegerSize(PacketType type);

} // namespace quorvel::binary_packet
