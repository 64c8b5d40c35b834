#pragma once

#include "store/Packet.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace quorvel {

// How the binary form's type code of a stored type is written and recognised.
enum class BinaryForm : std::uint8_t {
    Exact,        // kind and size as given, no variable-length bit
    AnySize,      // kind alone: the value's layout does not follow the size
    Variable,     // a count of `size` bytes precedes the bytes (0: the count follows the width)
    ExactOrCount, // the size as given, or a counted value
    Array,        // a u32 element count, then elements of the size
};

// Every stored field type: the name the XML form writes, the binary form's kind code and size, and
// the kind of value it holds (for bin.hex the kind follows the subtype, this is the one without).
struct PacketTypeRow {
    PacketType type;
    std::string_view name;
    std::uint8_t binaryKind;
    std::uint16_t binarySize;
    BinaryForm form;
    FieldKind kind;
};

inline constexpr PacketTypeRow kPacketTypes[] = {
    {PacketType::I1, "i1", 1, 1, BinaryForm::Exact, FieldKind::Integer},
    {PacketType::I2, "i2", 1, 2, BinaryForm::Exact, FieldKind::Integer},
    {PacketType::I4, "i4", 1, 4, BinaryForm::Exact, FieldKind::Integer},
    {PacketType::I8, "i8", 1, 8, BinaryForm::Exact, FieldKind::Integer},
    {PacketType::UI1, "ui1", 2, 1, BinaryForm::Exact, FieldKind::Unsigned},
    {PacketType::UI2, "ui2", 2, 2, BinaryForm::Exact, FieldKind::Unsigned},
    {PacketType::UI4, "ui4", 2, 4, BinaryForm::Exact, FieldKind::Unsigned},
    {PacketType::UI8, "ui8", 2, 8, BinaryForm::Exact, FieldKind::Unsigned},
    {PacketType::Boolean, "boolean", 3, 2, BinaryForm::ExactOrCount, FieldKind::Boolean},
    {PacketType::R8, "r8", 4, 8, BinaryForm::Exact, FieldKind::Float},
    {PacketType::R10, "r10", 4, 10, BinaryForm::Exact, FieldKind::Float},
    {PacketType::Fixed, "fixed", 5, 8, BinaryForm::AnySize, FieldKind::Decimal},
    {PacketType::FixedFMT, "fixedFMT", 18, 8, BinaryForm::AnySize, FieldKind::Decimal},
    {PacketType::Date, "date", 6, 4, BinaryForm::AnySize, FieldKind::Date},
    {PacketType::Time, "time", 7, 4, BinaryForm::AnySize, FieldKind::Time},
    {PacketType::DateTime, "dateTime", 8, 8, BinaryForm::AnySize, FieldKind::DateTime},
    {PacketType::SQLDateTime, "SQLdateTime", 17, 8, BinaryForm::AnySize, FieldKind::DateTime},
    {PacketType::String, "string", 9, 0, BinaryForm::Variable, FieldKind::String},
    {PacketType::StringUni, "string.uni", 10, 0, BinaryForm::Variable, FieldKind::WideString},
    {PacketType::BinHex, "bin.hex", 11, 4, BinaryForm::Variable, FieldKind::Bytes},
    {PacketType::Nested, "nested", 14, 0, BinaryForm::AnySize, FieldKind::Nested},
    {PacketType::Struct, "struct", 12, 0, BinaryForm::AnySize, FieldKind::Struct},
    {PacketType::IntArray, "IntArray", 1, 4, BinaryForm::Array, FieldKind::Array},
    {PacketType::UIntArray, "UIntArray", 2, 4, BinaryForm::Array, FieldKind::Array},
};

constexpr bool InTypeOrder() noexcept {
    for (std::size_t i = 0; i < std::size(kPacketTypes); ++i)
        if (static_cast<std::size_t>(kPacketTypes[i].type) != i) return false;
    return std::size(kPacketTypes) == static_cast<std::size_t>(PacketType::UIntArray) + 1;
}
static_assert(InTypeOrder(), "one row per stored type, in the order of PacketType");

constexpr const PacketTypeRow& PacketTypeRowOf(PacketType type) noexcept {
    return kPacketTypes[static_cast<std::size_t>(type)];
}

} // namespace quorvel
