#pragma once

#include "store/Decimal.h"
#include "store/RowValues.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorvel {

// The in-memory content of one datapacket: the table's field list, its parameters, every stored
// row version with its row state, and the change log. The XML and binary codecs convert between
// this model and file bytes; the table store owns one while a table is loaded (or kept closed).
// It is a plain value: copyable, comparable, with no behaviour beyond small helpers.

// The value types of the file, one per `fieldtype` name (see PacketTypeName).
enum class PacketType : std::uint8_t {
    I1,
    I2,
    I4,
    I8,
    UI1,
    UI2,
    UI4,
    UI8,
    Boolean,
    R8,
    R10,
    Fixed,
    FixedFMT,
    Date,
    Time,
    DateTime,
    SQLDateTime,
    String,
    StringUni,
    BinHex,
    Nested,
    Struct,
    IntArray,
    UIntArray,
};

// The name written in `fieldtype` (and in a PARAM's `Type`): "i4", "string", "bin.hex", ...
std::string_view PacketTypeName(PacketType type) noexcept;
// Case-insensitive; also accepts "int" (I4) and "uint" (UI4). False for an unknown name.
bool PacketTypeFromName(std::string_view name, PacketType& type) noexcept;

// How a field's values behave, fixed from its type and subtype after the field list is read.
enum class FieldKind : std::uint8_t {
    Integer,  // i1, i2, i4, i8 (and the autoincrement subtype)
    Unsigned, // ui1, ui2, ui4, ui8
    Boolean,
    Float,   // r8, r10
    Decimal, // fixed, fixedFMT
    Date,
    Time,
    DateTime,   // dateTime, SQLdateTime
    String,     // string (single-byte text of at most Width characters)
    WideString, // string.uni (16-bit text of at most Width bytes)
    Memo,       // bin.hex with subtype Text: single-byte text of any length
    WideMemo,   // bin.hex with subtype WideText
    Blob,       // bin.hex with a binary-blob subtype: bytes of any length
    Bytes,      // bin.hex without subtype: fixed-length binary of Width bytes
    VarBytes,   // bin.hex with another subtype: variable-length binary of at most Width bytes
    Nested,
    Struct,
    Array,
};

bool DaysFromDate(int year, int month, int day, std::int32_t& days) noexcept; // false when invalid
void DateFromDays(std::int32_t days, int& year, int& month, int& day) noexcept;

// A field or table parameter. Known parameters (WIDTH, DECIMALS, CHANGE_LOG, ...) have their own
// types; any other parameter is text. Parameters the store does not consume are written back as
// they were read: an attribute stays an attribute, a PARAM child stays a child.
enum class ParamPlacement : std::uint8_t { Attribute, Child };

using ParamValue = std::variant<std::string, std::int64_t, bool, double, std::vector<std::int64_t>>;

struct PacketParam {
    std::string name;
    PacketType type = PacketType::String; // String for text; IntArray/UIntArray for number lists
    ParamValue value;                     // string / int64 (integer kinds) / bool / double / list
    ParamPlacement placement = ParamPlacement::Attribute;
    bool roundtrip = false; // the PARAM child carried Roundtrip="True"
    friend bool operator==(const PacketParam&, const PacketParam&) = default;
};

// The text form of a parameter value as the XML form writes it (number lists blank-separated).
std::string ParamValueText(const PacketParam& param);
// True for the names whose type the store knows (UNIQUE_KEY, WIDTH, CHANGE_LOG, MINVALUE, ...).
bool IsKnownParamName(std::string_view name) noexcept;

struct FieldFlags {
    bool readOnly = false;
    bool required = false;
    bool hidden = false;
    bool linkField = false;
    bool calculated = false; // an internally calculated field whose values are stored
    friend bool operator==(const FieldFlags&, const FieldFlags&) = default;
};

// One stored field, in file order.
struct FieldDef {
    std::string name; // the declared name (code-page text)
    PacketType type = PacketType::I4;
    std::string subtype; // a known subtype name in its canonical spelling ("Autoinc", "Text", ...), or ""
    int width = 0;       // WIDTH as read, 0 when absent
    int decimals = 0;    // DECIMALS as read, 0 when absent
    FieldFlags flags;
    std::vector<PacketParam> params; // further field parameters, in the order read
    std::vector<FieldDef> nested;    // the fields of a nested table (type Nested)
    friend bool operator==(const FieldDef&, const FieldDef&) = default;
};

FieldKind KindOf(const FieldDef& field) noexcept;
// The canonical spelling of a known subtype name (compared without letter case), or "" when unknown.
std::string_view CanonicalSubtype(std::string_view name) noexcept;
// The `attrname` of a field: its name with blank ! # $ % ( ) * ? each replaced by "_", and so are
// control characters and the characters that cannot stand in an XML attribute name (" ' & < > = /).
std::string AttrNameOf(std::string_view fieldName);
// The attribute names the writer uses for a field list: AttrNameOf each name, except that a name left
// empty, one already taken by an earlier field, and "RowState" become "xF" and the field's zero-based
// position, so that every value can be told apart when read back.
std::vector<std::string> AttrNamesOf(const std::vector<FieldDef>& fields);
// Significant digits of an exact-decimal field: Width, or 1 when the file gave none.
inline int DecimalPrecision(const FieldDef& field) noexcept {
    return field.width > 0 ? field.width : 1;
}
// True for the long-text and binary kinds whose value a modified version may leave out.
bool IsBlobKind(FieldKind kind) noexcept;

// Row state bits of a stored row version.
enum RowStateBits : std::uint8_t {
    kRowSuperseded = 1,
    kRowDeleted = 2,
    kRowInserted = 4,
    kRowModified = 8,
    kRowUnused = 32,
};
// A version is current (visible) when it has none of the bits superseded, deleted and unused.
inline bool IsCurrentRow(std::uint8_t rowState) noexcept {
    return (rowState & (kRowSuperseded | kRowDeleted | kRowUnused)) == 0;
}

struct PacketRow {
    std::uint8_t rowState = 0;
    RowValues values; // one per field, in field order
    friend bool operator==(const PacketRow&, const PacketRow&) = default;
};

// Change kinds in the change log.
enum ChangeKind : std::uint32_t {
    kChangeDeleted = 2,
    kChangeInserted = 4,
    kChangeModified = 8,
    kChangeNested = 64,
};

// One change: the 1-based position of the row version it produced (or deleted), the 1-based position
// of the version it replaced (0 when none), and the kind.
struct ChangeLogEntry {
    std::uint32_t row = 0;
    std::uint32_t replaced = 0;
    std::uint32_t kind = 0;
    friend bool operator==(const ChangeLogEntry&, const ChangeLogEntry&) = default;
};

struct Datapacket {
    std::vector<FieldDef> fields;
    // Table parameters read from the file and not consumed (everything except CHANGE_LOG,
    // AUTOINCVALUE and MD_FIELDLINKS), in the order read; written back after the store's own.
    std::vector<PacketParam> params;
    std::vector<ChangeLogEntry> changeLog;
    bool hasAutoIncValue = false;
    std::int32_t autoIncValue = 0; // next number for the 4-byte autoincrement field
    std::vector<PacketRow> rows;   // every row version, in storage order

    const PacketParam* FindParam(std::string_view name) const noexcept;
    int FieldIndex(std::string_view name) const noexcept; // -1 when absent
    friend bool operator==(const Datapacket&, const Datapacket&) = default;
};

// Text encoding of the written XML: code-page bytes (the program's own form) or UTF-8.
enum class XmlTextMode : std::uint8_t { CodePage, Utf8 };

// Decodes an XML datapacket held whole in memory. Throws EStoreError(code, offset) on malformed input:
// 0x4005 structure (also a document cut short), 0x2710 field type, 0x2702 width, decimals or subtype,
// 0x2701 a value or declared number out of range, 0x2A04 too many nested tables, 0x2EA4 content too
// large for the file's size.
Datapacket ReadDatapacketXml(std::span<const char> bytes);
// The whole document as one line, exactly as the store saves it.
std::string WriteDatapacketXml(const Datapacket& packet, XmlTextMode mode = XmlTextMode::CodePage);

// The binary form of the same content. The reader throws EStoreError like the XML reader.
Datapacket ReadDatapacketBinary(std::span<const char> bytes);
std::string WriteDatapacketBinary(const Datapacket& packet);

// True when the bytes start like a binary datapacket (read as binary rather than XML).
bool IsBinaryDatapacket(std::span<const char> bytes) noexcept;
// Picks the reader by content.
Datapacket ReadDatapacket(std::span<const char> bytes);

// The largest WIDTH and DECIMALS a field may declare: they are 16-bit numbers in the file.
inline constexpr int kMaxFieldNumber = 32767;

} // namespace quorvel
