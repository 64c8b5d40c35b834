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

#include "platform/Exceptions.h"
#include "store/Packet.h"
#include "store/PacketLimits.h"
#include "store/PacketValueParse.h"
#include "store/PacketValueText.h"
#include "store/StoreErrors.h"

#include <cstring>
#include <limits>
#include <unordered_map>

namespace quorvel {
namespace {

constexpr std::uint32_t kMagic = 0xBDE01996u;
constexpr std::uint32_t kOldMagic = 0xABCDu;
constexpr std::uint32_t kVariable = 1u << 22;
constexpr std::uint32_t kArray = 1u << 23;
constexpr std::uint32_t kRoundtripBit = 1u << 24;
constexpr std::uint32_t kChildBit = 1u << 25;
constexpr int kMaxTables = 63;
constexpr std::int32_t kMaxDays = 3652058; // 9999-12-31
constexpr std::int32_t kMsecPerDay = 86400000;

constexpr std::uint32_t Code(std::uint32_t kind, std::uint32_t size, std::uint32_t extra = 0) {
    return (kind << 16) | size | extra;
}

std::uint32_t CountSizeForWidth(int width) {
    if (width <= 254) return 1;
    if (width <= 65535) return 2;
    return 4;
}

std::uint32_t TypeCode(PacketType type, int width) {
    switch (type) {
    case PacketType::I1:
        return Code(1, 1);
    case PacketType::I2:
        return Code(1, 2);
    case PacketType::I4:
        return Code(1, 4);
    case PacketType::I8:
        return Code(1, 8);
    case PacketType::UI1:
        return Code(2, 1);
    case PacketType::UI2:
        return Code(2, 2);
    case PacketType::UI4:
        return Code(2, 4);
    case PacketType::UI8:
        return Code(2, 8);
    case PacketType::Boolean:
        return Code(3, 2);
    case PacketType::R8:
        return Code(4, 8);
    case PacketType::R10:
        return Code(4, 10);
    case PacketType::Fixed:
        return Code(5, 8);
    case PacketType::FixedFMT:
        return Code(18, 8);
    case PacketType::Date:
        return Code(6, 4);
    case PacketType::Time:
        return Code(7, 4);
    case PacketType::DateTime:
        return Code(8, 8);
    case PacketType::SQLDateTime:
        return Code(17, 8);
    case PacketType::String:
        return Code(9, CountSizeForWidth(width), kVariable);
    case PacketType::StringUni:
        return Code(10, CountSizeForWidth(width), kVariable);
    case PacketType::BinHex:
        return Code(11, 4, kVariable);
    case PacketType::Struct:
        return Code(12, 0);
    case PacketType::Nested:
        return Code(14, 0);
    case PacketType::IntArray:
        return Code(1, 4, kArray);
    case PacketType::UIntArray:
        return Code(2, 4, kArray);
    }
    return Code(9, 4, kVariable);
}

bool TypeFromCode(std::uint32_t code, PacketType& type) {
    const std::uint32_t kind = (code >> 16) & 0x3F;
    const std::uint32_t size = code & 0xFFFF;
    if ((code & kArray) != 0) {
        if ((code & kVariable) != 0) return false;
        if (kind == 1)
            type = PacketType::IntArray;
        else if (kind == 2)
            type = PacketType::UIntArray;
        else
            return false;
        return size == 4;
    }
    const bool variable = (code & kVariable) != 0;
    switch (kind) {
    case 1:
    case 2: {
        if (variable) return false;
        const bool s = kind == 1;
        if (size == 1)
            type = s ? PacketType::I1 : PacketType::UI1;
        else if (size == 2)
            type = s ? PacketType::I2 : PacketType::UI2;
        else if (size == 4)
            type = s ? PacketType::I4 : PacketType::UI4;
        else if (size == 8)
            type = s ? PacketType::I8 : PacketType::UI8;
        else
            return false;
        return true;
    }
    case 3:
        type = PacketType::Boolean;
        return variable || size == 2;
    case 4:
        if (variable) return false;
        if (size == 8)
            type = PacketType::R8;
        else if (size == 10)
            type = PacketType::R10;
        else
            return false;
        return true;
    case 5:
        type = PacketType::Fixed;
        return true;
    case 18:
        type = PacketType::FixedFMT;
        return true;
    case 6:
        type = PacketType::Date;
        return true;
    case 7:
        type = PacketType::Time;
        return true;
    case 8:
        type = PacketType::DateTime;
        return true;
    case 17:
        type = PacketType::SQLDateTime;
        return true;
    case 9:
        type = PacketType::String;
        return variable;
    case 10:
        type = PacketType::StringUni;
        return variable;
    case 11:
        type = PacketType::BinHex;
        return variable;
    case 12:
        type = PacketType::Struct;
        return true;
    case 14:
        type = PacketType::Nested;
        return true;
    default:
        return false;
    }
}

int IntegerSize(PacketType type) {
    switch (type) {
    case PacketType::I1:
    case PacketType::UI1:
        return 1;
    case PacketType::I2:
    case PacketType::UI2:
        return 2;
    case PacketType::I4:
    case PacketType::UI4:
        return 4;
    default:
        return 8;
    }
}

// ---------------------------------------------------------------------------------------------
class BinaryWriter {
public:
    explicit BinaryWriter(const Datapacket& packet)
        : packet_(packet) {}

    std::string Write() {
        const bool dropUnused = packet_.changeLog.empty();
        std::uint32_t rowCount = 0;
        for (const auto& r : packet_.rows)
            if (!dropUnused || (r.rowState & kRowUnused) == 0) ++rowCount;
        if (packet_.fields.size() > 0xFFFF) RaiseStoreError(StoreErrorCode::Malformed);
        U32(kMagic);
        U16(1);
        U16(0);
        U32(24);
        U16(static_cast<std::uint32_t>(packet_.fields.size()));
        U32(rowCount);
        const size_t flagsAt = out_.size();
        U32(1);
        const size_t offsetAt = out_.size();
        U16(0);
        for (const auto& f : packet_.fields)
            Column(f, 1);
        TableParams();
        const size_t firstRow = out_.size();
        if (firstRow <= 0xFFFF) {
            Patch32(flagsAt, 3);
            Patch16(offsetAt, static_cast<std::uint32_t>(firstRow));
        }
        Rows(dropUnused);
        return std::move(out_);
    }

private:
    void U8(std::uint32_t v) { out_.push_back(static_cast<char>(v & 0xFF)); }
    void U16(std::uint32_t v) {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void U64(std::uint64_t v) {
        U32(static_cast<std::uint32_t>(v));
        U32(static_cast<std::uint32_t>(v >> 32));
    }
    void Patch16(size_t at, std::uint32_t v) {
        out_[at] = static_cast<char>(v & 0xFF);
        out_[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    }
    void Patch32(size_t at, std::uint32_t v) {
        Patch16(at, v & 0xFFFF);
        Patch16(at + 2, v >> 16);
    }
    void Name(std::string_view name) {
        if (name.size() > 255) RaiseStoreError(StoreErrorCode::Malformed);
        U8(static_cast<std::uint32_t>(name.size()));
        out_.append(name);
    }
    void Counted(std::string_view bytes, std::uint32_t countSize) {
        const std::uint64_t limit = countSize == 1 ? 0xFF : (countSize == 2 ? 0xFFFF : 0xFFFFFFFFull);
        if (bytes.size() > limit) RaiseStoreError(StoreErrorCode::Malformed);
        if (countSize == 1)
            U8(static_cast<std::uint32_t>(bytes.size()));
        else if (countSize == 2)
            U16(static_cast<std::uint32_t>(bytes.size()));
        else
            U32(static_cast<std::uint32_t>(bytes.size()));
        out_.append(bytes);
    }
    static std::string Utf16(std::u16string_view text) {
        std::string out;
        out.reserve(text.size() * 2);
        for (const char16_t c : text) {
            out.push_back(static_cast<char>(c & 0xFF));
            out.push_back(static_cast<char>(c >> 8));
        }
        return out;
    }

    void Param(const PacketParam& p) {
        Name(p.name);
        std::uint32_t flags =
            (p.roundtrip ? kRoundtripBit : 0) | (p.placement == ParamPlacement::Child ? kChildBit : 0);
        if (const auto* text = std::get_if<std::string>(&p.value)) {
            // Text under a number or list type could not be told from the number on reading, so it
            // goes as plain text.
            const std::uint32_t typeKind = (TypeCode(p.type, 0) >> 16) & 0x3F;
            const bool numeric = typeKind == 1 || typeKind == 2 || typeKind == 4;
            const std::uint32_t kind = p.type == PacketType::String || numeric ? 9 : typeKind;
            U32(Code(kind, 4, kVariable) | flags);
            Counted(*text, 4);
            return;
        }
        U32(TypeCode(p.type, 0) | flags);
        if (const auto* i = std::get_if<std::int64_t>(&p.value)) {
            Integer(*i, IntegerSize(p.type));
        } else if (const auto* b = std::get_if<bool>(&p.value)) {
            U16(*b ? 1 : 0);
        } else if (const auto* d = std::get_if<double>(&p.value)) {
            Float(*d, p.type == PacketType::R10);
        } else if (const auto* list = std::get_if<std::vector<std::int64_t>>(&p.value)) {
            U32(static_cast<std::uint32_t>(list->size()));
            for (const auto v : *list)
                U32(static_cast<std::uint32_t>(v));
        }
    }

    void Integer(std::int64_t v, int size) {
        for (int i = 0; i < size; ++i)
            U8(static_cast<std::uint32_t>((static_cast<std::uint64_t>(v) >> (8 * i)) & 0xFF));
    }
    void Float(double d, bool tenBytes) {
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        U64(bits);
        if (tenBytes) U16(0);
    }

    void Column(const FieldDef& f, int depth) {
        if (depth > kMaxTables) RaiseStoreError(StoreErrorCode::TooManyTables);
        Name(f.name);
        U32(TypeCode(f.type, f.width));
        U16((f.flags.hidden ? 1 : 0) | (f.flags.readOnly ? 2 : 0) | (f.flags.required ? 4 : 0) |
            (f.flags.linkField ? 8 : 0));
        std::vector<PacketParam> own;
        if (!f.subtype.empty()) own.push_back({"SUBTYPE", PacketType::String, f.subtype});
        const FieldKind kind = KindOf(f);
        if (f.width != 0 || kind == FieldKind::String || kind == FieldKind::Bytes)
            own.push_back({"WIDTH", PacketType::I4, std::int64_t{f.width}});
        if (f.decimals != 0) own.push_back({"DECIMALS", PacketType::I4, std::int64_t{f.decimals}});
        if (f.flags.calculated) own.push_back({"CALCULATED", PacketType::Boolean, true});
        const size_t count = own.size() + f.params.size();
        if (count > 0xFFFF) RaiseStoreError(StoreErrorCode::Malformed);
        U16(static_cast<std::uint32_t>(count));
        for (const auto& p : own)
            Param(p);
        for (const auto& p : f.params)
            Param(p);
        if (f.type == PacketType::Nested) {
            if (f.nested.size() > 0xFFFF) RaiseStoreError(StoreErrorCode::Malformed);
            U16(static_cast<std::uint32_t>(f.nested.size()));
            for (const auto& n : f.nested)
                Column(n, depth + 1);
        }
    }

    void TableParams() {
        std::vector<PacketParam> own;
        if (!packet_.changeLog.empty()) {
            std::vector<std::int64_t> list;
            for (const auto& e : packet_.changeLog) {
                list.push_back(e.row);
                list.push_back(e.replaced);
                list.push_back(e.kind);
            }
            own.push_back({"CHANGE_LOG", PacketType::UIntArray, std::move(list)});
        }
        if (packet_.hasAutoIncValue)
            own.push_back({"AUTOINCVALUE", PacketType::I4, std::int64_t{packet_.autoIncValue}});
        const size_t count = own.size() + packet_.params.size();
        if (count > 0xFFFF) RaiseStoreError(StoreErrorCode::Malformed);
        U16(static_cast<std::uint32_t>(count));
        for (const auto& p : own)
            Param(p);
        for (const auto& p : packet_.params)
            Param(p);
    }

    void Rows(bool dropUnused) {
        const auto& fields = packet_.fields;
        const size_t n = fields.size();
        std::vector<FieldKind> kinds;
        for (const auto& f : fields)
            kinds.push_back(KindOf(f));
        const auto replaced = ReplacedVersions(packet_);
        const size_t maskBytes = (n + 3) / 4;
        for (size_t r = 0; r < packet_.rows.size(); ++r) {
            const PacketRow& row = packet_.rows[r];
            if (dropUnused && (row.rowState & kRowUnused) != 0) continue;
            const PacketRow* previous = nullptr;
            if ((row.rowState & kRowModified) != 0 && replaced[r] != 0)
                previous = &packet_.rows[replaced[r] - 1];
            U8(row.rowState);
            const size_t maskAt = out_.size();
            out_.append(maskBytes, '\0');
            for (size_t i = 0; i < n; ++i) {
                static const FieldValue kNull;
                const FieldValue& v = i < row.values.size() ? row.values[i] : kNull;
                unsigned bits = 0;
                if (previous != nullptr && IsBlobKind(kinds[i]) && i < previous->values.size() &&
                    !IsNull(v) && v == previous->values[i])
                    bits = 2;
                else if (IsNull(v) || !Value(fields[i], kinds[i], v))
                    bits = 1;
                out_[maskAt + i / 4] = static_cast<char>(out_[maskAt + i / 4] | (bits << (2 * (i % 4))));
            }
        }
    }

    // Appends the value; false (nothing appended) when the field kind carries no value or the value
    // does not match the kind, in which case the column is written as NULL.
    bool Value(const FieldDef& f, FieldKind kind, const FieldValue& v) {
        switch (kind) {
        case FieldKind::Integer:
        case FieldKind::Unsigned:
            if (const auto* i = std::get_if<std::int64_t>(&v)) {
                Integer(*i, IntegerSize(f.type));
                return true;
            }
            return false;
        case FieldKind::Boolean:
            if (const auto* b = std::get_if<bool>(&v)) {
                U16(*b ? 1 : 0);
                return true;
            }
            return false;
        case FieldKind::Float:
            if (const auto* d = std::get_if<double>(&v)) {
                Float(*d, f.type == PacketType::R10);
                return true;
            }
            return false;
        case FieldKind::Decimal:
            if (const auto* d = std::get_if<TDecimal>(&v)) {
                const auto scaled = d->WithScale(f.decimals);
                if (!scaled) RaiseStoreError(StoreErrorCode::OutOfRange);
                Integer(scaled->Units(), 8);
                return true;
            }
            return false;
        case FieldKind::Date:
        case FieldKind::Time:
        case FieldKind::DateTime:
            if (const auto* t = std::get_if<TDateTimeValue>(&v)) {
                if (kind != FieldKind::Time) U32(static_cast<std::uint32_t>(t->days));
                if (kind != FieldKind::Date) U32(static_cast<std::uint32_t>(t->msec));
                return true;
            }
            return false;
        case FieldKind::String:
            if (const auto* s = std::get_if<std::string>(&v)) {
                Counted(*s, CountSizeForWidth(f.width));
                return true;
            }
            return false;
        case FieldKind::WideString:
            if (const auto* s = std::get_if<std::u16string>(&v)) {
                Counted(Utf16(*s), CountSizeForWidth(f.width));
                return true;
            }
            return false;
        case FieldKind::WideMemo:
            if (const auto* s = std::get_if<std::u16string>(&v)) {
                Counted(Utf16(*s), 4);
                return true;
            }
            return false;
        case FieldKind::Memo:
        case FieldKind::Blob:
        case FieldKind::Bytes:
        case FieldKind::VarBytes:
            if (const auto* s = std::get_if<std::string>(&v)) {
                Counted(*s, 4);
                return true;
            }
            return false;
        default:
            return false;
        }
    }

    const Datapacket& packet_;
    std::string out_;
};

// ---------------------------------------------------------------------------------------------
class BinaryReader {
public:
    explicit BinaryReader(std::span<const char> bytes)
        : b_(reinterpret_cast<const unsigned char*>(bytes.data()))
        , n_(bytes.size()) {}

    Datapacket Read() {
        const std::uint32_t magic = U32();
        const std::uint32_t v1 = U16();
        const std::uint32_t v2 = U16();
        if (magic == kMagic) {
            if (v1 > 3 || v2 > 3) Fail(StoreErrorCode::Malformed);
        } else if (magic != kOldMagic) {
            Fail(StoreErrorCode::Malformed);
        }
        const std::uint32_t headerSize = U32();
        const std::uint32_t columns = U16();
        const std::uint32_t rowCount = U32();
        U32(); // flags
        U16(); // offset of the first row; the rows follow the parameters in any case
        if (headerSize < 24 || headerSize > n_) Fail(StoreErrorCode::Malformed);
        // A table has at least one field, as the XML form requires.
        if (columns == 0) Fail(StoreErrorCode::Malformed);
        p_ = headerSize;
        int tables = 1;
        for (std::uint32_t c = 0; c < columns; ++c)
            packet_.fields.push_back(Column(tables, 1));
        TableParams();
        Rows(rowCount);
        return std::move(packet_);
    }

private:
    [[noreturn]] void Fail(StoreErrorCode code) const { RaiseStoreError(code, static_cast<long long>(p_)); }
    void Need(size_t count) const {
        if (count > n_ - p_) Fail(StoreErrorCode::Malformed);
    }
    std::uint32_t U8() {
        Need(1);
        return b_[p_++];
    }
    std::uint32_t U16() {
        Need(2);
        const std::uint32_t v = b_[p_] | (b_[p_ + 1] << 8);
        p_ += 2;
        return v;
    }
    std::uint32_t U32() {
        Need(4);
        const std::uint32_t v =
            b_[p_] | (b_[p_ + 1] << 8) | (b_[p_ + 2] << 16) | (static_cast<std::uint32_t>(b_[p_ + 3]) << 24);
        p_ += 4;
        return v;
    }
    std::uint64_t U64() {
        const std::uint64_t lo = U32();
        return lo | (static_cast<std::uint64_t>(U32()) << 32);
    }
    std::int64_t Integer(int size, bool isSigned) {
        Need(static_cast<size_t>(size));
        std::uint64_t v = 0;
        for (int i = 0; i < size; ++i)
            v |= static_cast<std::uint64_t>(b_[p_ + static_cast<size_t>(i)]) << (8 * i);
        p_ += static_cast<size_t>(size);
        if (isSigned && size < 8 && (v >> (8 * size - 1)) != 0) v |= ~0ull << (8 * size);
        return static_cast<std::int64_t>(v);
    }
    std::string_view Bytes(size_t count) {
        Need(count);
        const std::string_view s(reinterpret_cast<const char*>(b_ + p_), count);
        p_ += count;
        return s;
    }
    std::string Name() { return std::string(Bytes(U8())); }
    std::string_view Counted(std::uint32_t countSize) {
        std::uint32_t count = 0;
        if (countSize == 1)
            count = U8();
        else if (countSize == 2)
            count = U16();
        else if (countSize == 4)
            count = U32();
        else
            Fail(StoreErrorCode::Malformed);
        return Bytes(count);
    }
    static std::u16string FromUtf16(std::string_view bytes) {
        std::u16string out;
        out.reserve(bytes.size() / 2);
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return out;
    }
    double Float(bool tenBytes) {
        const std::uint64_t bits = U64();
        if (tenBytes) U16();
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }

    PacketParam Param() {
        PacketParam p;
        p.name = Name();
        const std::uint32_t code = U32();
        p.roundtrip = (code & kRoundtripBit) != 0;
        p.placement = (code & kChildBit) != 0 ? ParamPlacement::Child : ParamPlacement::Attribute;
        const std::uint32_t typeCode = code & ~(kRoundtripBit | kChildBit);
        if ((typeCode >> 24) != 0 || !TypeFromCode(typeCode, p.type)) Fail(StoreErrorCode::FieldType);
        if ((typeCode & kVariable) != 0) {
            p.value = std::string(Counted(typeCode & 0xFFFF));
            return p;
        }
        switch (p.type) {
        case PacketType::I1:
        case PacketType::I2:
        case PacketType::I4:
        case PacketType::I8:
        case PacketType::UI1:
        case PacketType::UI2:
        case PacketType::UI4:
        case PacketType::UI8:
            p.value = Integer(IntegerSize(p.type), (typeCode >> 16 & 0x3F) == 1);
            break;
        case PacketType::Boolean:
            p.value = U16() != 0;
            break;
        case PacketType::R8:
        case PacketType::R10:
            p.value = Float(p.type == PacketType::R10);
            break;
        case PacketType::IntArray:
        case PacketType::UIntArray: {
            const std::uint32_t count = U32();
            Need(static_cast<size_t>(count) * 4);
            std::vector<std::int64_t> list;
            list.reserve(count);
            for (std::uint32_t i = 0; i < count; ++i)
                list.push_back(Integer(4, p.type == PacketType::IntArray));
            p.value = std::move(list);
            break;
        }
        default:
            Fail(StoreErrorCode::FieldType);
        }
        return p;
    }

    // A field's WIDTH or DECIMALS, refused outside 0..kMaxFieldNumber as the XML form refuses it.
    int FieldNumber(std::int64_t number) const {
        if (number < 0 || number > kMaxFieldNumber) Fail(StoreErrorCode::FieldWidth);
        return static_cast<int>(number);
    }

    FieldDef Column(int& tables, int depth) {
        budget_.Charge(sizeof(FieldDef), p_);
        FieldDef f;
        f.name = Name();
        const std::uint32_t code = U32();
        if (!TypeFromCode(code, f.type)) Fail(StoreErrorCode::FieldType);
        const std::uint32_t attrs = U16();
        f.flags.hidden = (attrs & 1) != 0;
        f.flags.readOnly = (attrs & 2) != 0;
        f.flags.required = (attrs & 4) != 0;
        f.flags.linkField = (attrs & 8) != 0;
        const std::uint32_t count = U16();
        bool hasWidth = false;
        for (std::uint32_t i = 0; i < count; ++i) {
            PacketParam p = Param();
            const std::int64_t* number = std::get_if<std::int64_t>(&p.value);
            if (p.name == "SUBTYPE") {
                const auto* text = std::get_if<std::string>(&p.value);
                if (text == nullptr || p.type != PacketType::String) Fail(StoreErrorCode::FieldWidth);
                const std::string_view known = CanonicalSubtype(*text);
                if (!known.empty()) {
                    f.subtype = std::string(known);
                    continue;
                }
            } else if (p.name == "WIDTH" && number != nullptr) {
                f.width = FieldNumber(*number);
                hasWidth = true;
                continue;
            } else if (p.name == "DECIMALS" && number != nullptr) {
                f.decimals = FieldNumber(*number);
                continue;
            } else if (p.name == "CALCULATED" && std::holds_alternative<bool>(p.value)) {
                f.flags.calculated = std::get<bool>(p.value);
                continue;
            }
            f.params.push_back(std::move(p));
        }
        const FieldKind kind = KindOf(f);
        if ((kind == FieldKind::String || kind == FieldKind::Bytes) && !hasWidth)
            Fail(StoreErrorCode::FieldWidth);
        if (f.type == PacketType::Nested) {
            if (++tables > kMaxTables || depth >= kMaxTables) Fail(StoreErrorCode::TooManyTables);
            const std::uint32_t nested = U16();
            for (std::uint32_t i = 0; i < nested; ++i)
                f.nested.push_back(Column(tables, depth + 1));
        }
        return f;
    }

    void TableParams() {
        const std::uint32_t count = U16();
        for (std::uint32_t i = 0; i < count; ++i) {
            PacketParam p = Param();
            if (p.name == "CHANGE_LOG") {
                packet_.changeLog.clear();
                if (const auto* list = std::get_if<std::vector<std::int64_t>>(&p.value))
                    for (size_t k = 0; k + 3 <= list->size(); k += 3)
                        packet_.changeLog.push_back({static_cast<std::uint32_t>((*list)[k]),
                                                     static_cast<std::uint32_t>((*list)[k + 1]),
                                                     static_cast<std::uint32_t>((*list)[k + 2])});
                continue;
            }
            if (p.name == "AUTOINCVALUE") {
                if (const auto* v = std::get_if<std::int64_t>(&p.value)) {
                    packet_.hasAutoIncValue = true;
                    packet_.autoIncValue = static_cast<std::int32_t>(*v);
                }
                continue;
            }
            packet_.params.push_back(std::move(p));
        }
    }

    void Rows(std::uint32_t rowCount) {
        const auto& fields = packet_.fields;
        const size_t n = fields.size();
        std::vector<FieldKind> kinds;
        for (const auto& f : fields)
            kinds.push_back(KindOf(f));
        const size_t maskBytes = (n + 3) / 4;
        // Every row takes at least 1 + maskBytes bytes, so the count cannot ask for more rows than fit.
        packet_.rows.reserve(std::min<size_t>(rowCount, (n_ - p_) / (1 + maskBytes) + 1));
        std::vector<RowValues::Entry> entries;
        std::vector<std::uint32_t> unchanged;
        std::unordered_map<std::uint32_t, std::uint32_t> replaced;
        bool replacedBuilt = false;
        for (std::uint32_t r = 0; r < rowCount; ++r) {
            const size_t rowStart = p_;
            const auto rowState = static_cast<std::uint8_t>(U8());
            const std::string_view mask = Bytes(maskBytes);
            entries.clear();
            unchanged.clear();
            for (size_t i = 0; i < n; ++i) {
                const unsigned bits = (static_cast<unsigned char>(mask[i / 4]) >> (2 * (i % 4))) & 3u;
                if ((bits & 1u) != 0) continue;
                if ((bits & 2u) != 0) {
                    if (IsBlobKind(kinds[i])) unchanged.push_back(static_cast<std::uint32_t>(i));
                    continue;
                }
                entries.emplace_back(static_cast<std::uint32_t>(i), Value(fields[i], kinds[i]));
            }
            if (!unchanged.empty()) {
                // An unchanged long text or binary value is the replaced version's: a copy that the
                // file's size does not pay for, so it is charged before it is made.
                if (!replacedBuilt) {
                    replaced = ReplacedVersionsMap();
                    replacedBuilt = true;
                }
                const auto it = replaced.find(r + 1);
                if (it != replaced.end()) {
                    const RowValues& previous = packet_.rows[it->second - 1].values;
                    for (const std::uint32_t i : unchanged) {
                        const FieldValue& value = previous[i];
                        if (IsNull(value)) continue;
                        budget_.Charge(FieldValueBytes(value), p_);
                        entries.emplace_back(i, value);
                    }
                }
            }
            // A value takes at most twice its bytes in the file (wide text), so they bound the row.
            const size_t slotCount = 2 * entries.size() >= n ? n : entries.size();
            budget_.Charge(sizeof(PacketRow) + slotCount * (sizeof(FieldValue) + 4) + 2 * (p_ - rowStart),
                           p_);
            PacketRow& row = packet_.rows.emplace_back();
            row.rowState = rowState;
            row.values.Assign(n, entries);
        }
    }

    // Row (1-based) -> the earlier version it replaced, from the change log's modifications. A map,
    // since the row count in the header is not to be trusted for sizing anything.
    std::unordered_map<std::uint32_t, std::uint32_t> ReplacedVersionsMap() const {
        std::unordered_map<std::uint32_t, std::uint32_t> replaced;
        for (const auto& e : packet_.changeLog)
            if ((e.kind & kChangeModified) != 0 && e.replaced >= 1 && e.replaced < e.row)
                replaced[e.row] = e.replaced;
        return replaced;
    }

    FieldValue Value(const FieldDef& f, FieldKind kind) {
        switch (kind) {
        case FieldKind::Integer:
            return Integer(IntegerSize(f.type), true);
        case FieldKind::Unsigned:
            return Integer(IntegerSize(f.type), false);
        case FieldKind::Boolean:
            return U16() != 0;
        case FieldKind::Float:
            return Float(f.type == PacketType::R10);
        case FieldKind::Decimal: {
            const auto units = static_cast<std::int64_t>(U64());
            if (f.decimals > TDecimal::kMaxScale) Fail(StoreErrorCode::OutOfRange);
            const TDecimal d = TDecimal::FromUnits(units, f.decimals);
            if (units == std::numeric_limits<std::int64_t>::min() ||
                !d.FitsField(DecimalPrecision(f), f.decimals))
                Fail(StoreErrorCode::OutOfRange);
            return d;
        }
        case FieldKind::Date:
        case FieldKind::Time:
        case FieldKind::DateTime: {
            TDateTimeValue t;
            if (kind != FieldKind::Time) t.days = static_cast<std::int32_t>(U32());
            if (kind != FieldKind::Date) t.msec = static_cast<std::int32_t>(U32());
            if (t.days < 0 || t.days > kMaxDays || t.msec < 0 || t.msec >= kMsecPerDay)
                Fail(StoreErrorCode::Malformed);
            return t;
        }
        case FieldKind::String: {
            std::string_view s = Counted(CountSizeForWidth(f.width));
            if (s.size() > static_cast<size_t>(f.width)) s = s.substr(0, static_cast<size_t>(f.width));
            return std::string(s);
        }
        case FieldKind::WideString: {
            std::u16string s = FromUtf16(Counted(CountSizeForWidth(f.width)));
            if (s.size() > static_cast<size_t>(f.width) / 2) s.resize(static_cast<size_t>(f.width) / 2);
            return s;
        }
        case FieldKind::WideMemo:
            return FromUtf16(Counted(4));
        case FieldKind::Memo:
        case FieldKind::Blob:
            return std::string(Counted(4));
        case FieldKind::Bytes:
        case FieldKind::VarBytes: {
            std::string_view s = Counted(4);
            if (s.size() > static_cast<size_t>(f.width)) s = s.substr(0, static_cast<size_t>(f.width));
            return std::string(s);
        }
        default:
            Fail(StoreErrorCode::Malformed);
        }
    }

    const unsigned char* b_;
    size_t n_;
    size_t p_ = 0;
    Datapacket packet_;
    LoadBudget budget_{n_};
};

} // namespace

std::string WriteDatapacketBinary(const Datapacket& packet) {
    return BinaryWriter(packet).Write();
}

Datapacket ReadDatapacketBinary(std::span<const char> bytes) {
    return BinaryReader(bytes).Read();
}

} // namespace quorvel
