#pragma once

#include "store/Packet.h"
#include "store/StoreField.h"

#include <cstddef>
#include <string_view>

namespace quorvel {

// How the stored WIDTH of a declared field follows from its size.
enum class StoredWidth : std::uint8_t {
    None,
    Size,       // characters or bytes
    TwiceSize,  // wide text: two bytes a character
    Precision,  // exact decimals: digits, with DECIMALS beside it
    AtLeastOne, // kinds kept as plain text: the size, at least one character
};

// Every declared field type: the name messages show, the stored field it is created as (type,
// subtype, width), the kind of value it holds and its family. Rows after the first of a type are
// further stored forms that read back as that type; the first row is the one written.
struct FieldTypeRow {
    TFieldType type;
    std::string_view name;
    PacketType stored;
    std::string_view subtype;
    StoredWidth width;
    FieldKind kind;
    FieldFamily family;
};

inline constexpr FieldTypeRow kFieldTypes[] = {
    {TFieldType::Unknown, "Unknown", PacketType::String, "", StoredWidth::AtLeastOne, FieldKind::String,
     FieldFamily::None},
    {TFieldType::String, "String", PacketType::String, "", StoredWidth::Size, FieldKind::String,
     FieldFamily::String},
    {TFieldType::FixedChar, "FixedChar", PacketType::String, "FixedChar", StoredWidth::Size,
     FieldKind::String, FieldFamily::String},
    {TFieldType::WideString, "WideString", PacketType::StringUni, "", StoredWidth::TwiceSize,
     FieldKind::WideString, FieldFamily::WideString},
    {TFieldType::FixedWideChar, "FixedWideChar", PacketType::StringUni, "FixedChar", StoredWidth::TwiceSize,
     FieldKind::WideString, FieldFamily::WideString},
    {TFieldType::ShortInt, "Shortint", PacketType::I1, "", StoredWidth::None, FieldKind::Integer,
     FieldFamily::Integer},
    {TFieldType::SmallInt, "Smallint", PacketType::I2, "", StoredWidth::None, FieldKind::Integer,
     FieldFamily::Integer},
    {TFieldType::Integer, "Integer", PacketType::I4, "", StoredWidth::None, FieldKind::Integer,
     FieldFamily::Integer},
    {TFieldType::LargeInt, "Largeint", PacketType::I8, "", StoredWidth::None, FieldKind::Integer,
     FieldFamily::Integer},
    {TFieldType::Byte, "Byte", PacketType::UI1, "", StoredWidth::None, FieldKind::Unsigned,
     FieldFamily::Integer},
    {TFieldType::Word, "Word", PacketType::UI2, "", StoredWidth::None, FieldKind::Unsigned,
     FieldFamily::Integer},
    {TFieldType::LongWord, "LongWord", PacketType::UI4, "", StoredWidth::None, FieldKind::Unsigned,
     FieldFamily::Integer},
    {TFieldType::AutoInc, "AutoInc", PacketType::I4, "Autoinc", StoredWidth::None, FieldKind::Integer,
     FieldFamily::Integer},
    {TFieldType::Boolean, "Boolean", PacketType::Boolean, "", StoredWidth::None, FieldKind::Boolean,
     FieldFamily::Boolean},
    {TFieldType::Float, "Float", PacketType::R8, "", StoredWidth::None, FieldKind::Float, FieldFamily::Float},
    {TFieldType::Currency, "Currency", PacketType::R8, "Money", StoredWidth::None, FieldKind::Float,
     FieldFamily::Float},
    {TFieldType::BCD, "BCD", PacketType::Fixed, "", StoredWidth::Precision, FieldKind::Decimal,
     FieldFamily::Decimal},
    {TFieldType::FMTBcd, "FMTBcd", PacketType::FixedFMT, "", StoredWidth::Precision, FieldKind::Decimal,
     FieldFamily::FormattedDecimal},
    {TFieldType::Date, "Date", PacketType::Date, "", StoredWidth::None, FieldKind::Date,
     FieldFamily::DateTime},
    {TFieldType::Time, "Time", PacketType::Time, "", StoredWidth::None, FieldKind::Time,
     FieldFamily::DateTime},
    {TFieldType::DateTime, "DateTime", PacketType::DateTime, "", StoredWidth::None, FieldKind::DateTime,
     FieldFamily::DateTime},
    {TFieldType::TimeStamp, "TimeStamp", PacketType::SQLDateTime, "", StoredWidth::None, FieldKind::DateTime,
     FieldFamily::DateTime},
    {TFieldType::Memo, "Memo", PacketType::BinHex, "Text", StoredWidth::None, FieldKind::Memo,
     FieldFamily::LongData},
    {TFieldType::WideMemo, "WideMemo", PacketType::BinHex, "WideText", StoredWidth::None, FieldKind::WideMemo,
     FieldFamily::LongData},
    {TFieldType::Blob, "Blob", PacketType::BinHex, "Binary", StoredWidth::None, FieldKind::Blob,
     FieldFamily::LongData},
    {TFieldType::Graphic, "Graphic", PacketType::BinHex, "Graphics", StoredWidth::None, FieldKind::Blob,
     FieldFamily::LongData},
    {TFieldType::Bytes, "Bytes", PacketType::BinHex, "", StoredWidth::Size, FieldKind::Bytes,
     FieldFamily::Bytes},
    // Written with the blob subtype, so that it reads back as a blob; any other subtype reads as this.
    {TFieldType::VarBytes, "VarBytes", PacketType::BinHex, "Binary", StoredWidth::Size, FieldKind::VarBytes,
     FieldFamily::VarBytes},
    {TFieldType::DataSet, "DataSet", PacketType::Nested, "", StoredWidth::None, FieldKind::Nested,
     FieldFamily::DataSet},
    {TFieldType::ADT, "ADT", PacketType::Struct, "", StoredWidth::None, FieldKind::Struct,
     FieldFamily::Struct},
    {TFieldType::Array, "Array", PacketType::String, "", StoredWidth::AtLeastOne, FieldKind::Array,
     FieldFamily::Array},
    // Stored forms that only read back.
    {TFieldType::LargeInt, "Largeint", PacketType::UI8, "", StoredWidth::None, FieldKind::Integer,
     FieldFamily::Integer},
    {TFieldType::Float, "Float", PacketType::R10, "", StoredWidth::None, FieldKind::Float,
     FieldFamily::Float},
    {TFieldType::Currency, "Currency", PacketType::R10, "Money", StoredWidth::None, FieldKind::Float,
     FieldFamily::Float},
    {TFieldType::Array, "Array", PacketType::IntArray, "", StoredWidth::None, FieldKind::Array,
     FieldFamily::Array},
    {TFieldType::Array, "Array", PacketType::UIntArray, "", StoredWidth::None, FieldKind::Array,
     FieldFamily::Array},
};

inline constexpr std::size_t kDeclaredTypeCount = static_cast<std::size_t>(TFieldType::Array) + 1;

// The row a declared type is written with: the first rows are one per type, in the order of
// TFieldType.
constexpr const FieldTypeRow& FieldTypeRowOf(TFieldType type) noexcept {
    return kFieldTypes[static_cast<std::size_t>(type)];
}

// Whether a stored type holds a whole number: the stored form of a field of the integer family.
constexpr bool IsIntegerStored(PacketType stored) noexcept {
    for (const FieldTypeRow& row : kFieldTypes)
        if (row.stored == stored && row.family == FieldFamily::Integer) return true;
    return false;
}
static_assert(IsIntegerStored(PacketType::I1) && IsIntegerStored(PacketType::UI8) &&
              !IsIntegerStored(PacketType::Boolean) && !IsIntegerStored(PacketType::IntArray));

// Further rows of a type repeat what its first row says of the type itself.
constexpr bool RowsAgree() noexcept {
    for (std::size_t i = 0; i < kDeclaredTypeCount; ++i)
        if (static_cast<std::size_t>(kFieldTypes[i].type) != i) return false;
    for (const FieldTypeRow& row : kFieldTypes) {
        const FieldTypeRow& first = FieldTypeRowOf(row.type);
        if (row.name != first.name || row.kind != first.kind || row.family != first.family) return false;
    }
    return true;
}
static_assert(RowsAgree());

} // namespace quorvel
