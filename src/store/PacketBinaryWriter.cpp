#include "platform/ByteWriter.h"
#include "store/Packet.h"
#include "store/PacketBinaryFormat.h"
#include "store/PacketValueText.h"
#include "store/StoreErrors.h"

namespace quorvel {
namespace {

using namespace binary_packet;

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
        out_.U32LE(kMagic);
        out_.U16LE(1);
        out_.U16LE(0);
        out_.U32LE(24);
        out_.U16LE(static_cast<std::uint16_t>(packet_.fields.size()));
        out_.U32LE(rowCount);
        const qsizetype flagsAt = out_.Size();
        out_.U32LE(1);
        const qsizetype offsetAt = out_.Size();
        out_.U16LE(0);
        for (const auto& f : packet_.fields)
            Column(f, 1);
        TableParams();
        const qsizetype firstRow = out_.Size();
        if (firstRow <= 0xFFFF) {
            out_.PutU32LE(flagsAt, 3);
            out_.PutU16LE(offsetAt, static_cast<std::uint16_t>(firstRow));
        }
        Rows(dropUnused);
        return std::string(out_.View());
    }

private:
    void Name(std::string_view name) {
        if (name.size() > 255) RaiseStoreError(StoreErrorCode::Malformed);
        out_.U8(static_cast<std::uint8_t>(name.size()));
        out_.Bytes(name);
    }
    // The count of `bytes` in `countSize` bytes (1, 2 or 4); a count that does not fit is refused.
    void Count(std::uint64_t bytes, std::uint32_t countSize) {
        const std::uint64_t limit = countSize == 1 ? 0xFF : (countSize == 2 ? 0xFFFF : 0xFFFFFFFFull);
        if (bytes > limit) RaiseStoreError(StoreErrorCode::Malformed);
        if (countSize == 1)
            out_.U8(static_cast<std::uint8_t>(bytes));
        else if (countSize == 2)
            out_.U16LE(static_cast<std::uint16_t>(bytes));
        else
            out_.U32LE(static_cast<std::uint32_t>(bytes));
    }
    void Counted(std::string_view bytes, std::uint32_t countSize) {
        Count(bytes.size(), countSize);
        out_.Bytes(bytes);
    }
    // UTF-16 text as its little-endian code units, counted in bytes.
    void CountedUtf16(std::u16string_view text, std::uint32_t countSize) {
        Count(std::uint64_t{2} * text.size(), countSize);
        for (const char16_t c : text)
            out_.U16LE(c);
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
            out_.U32LE(Code(kind, 4, kVariable) | flags);
            Counted(*text, 4);
            return;
        }
        out_.U32LE(TypeCode(p.type, 0) | flags);
        if (const auto* i = std::get_if<std::int64_t>(&p.value)) {
            Integer(*i, IntegerSize(p.type));
        } else if (const auto* b = std::get_if<bool>(&p.value)) {
            out_.U16LE(*b ? 1 : 0);
        } else if (const auto* d = std::get_if<double>(&p.value)) {
            Float(*d, p.type == PacketType::R10);
        } else if (const auto* list = std::get_if<std::vector<std::int64_t>>(&p.value)) {
            out_.U32LE(static_cast<std::uint32_t>(list->size()));
            for (const auto v : *list)
                out_.U32LE(static_cast<std::uint32_t>(v));
        }
    }

    // The low `size` bytes of the value, least significant first.
    void Integer(std::int64_t v, int size) {
        const auto bits = static_cast<std::uint64_t>(v);
        switch (size) {
        case 1:
            out_.U8(static_cast<std::uint8_t>(bits));
            return;
        case 2:
            out_.U16LE(static_cast<std::uint16_t>(bits));
            return;
        case 4:
            out_.U32LE(static_cast<std::uint32_t>(bits));
            return;
        case 8:
            out_.U64LE(bits);
            return;
        default:
            for (int i = 0; i < size; ++i)
                out_.U8(static_cast<std::uint8_t>(bits >> (8 * i)));
        }
    }
    void Float(double d, bool tenBytes) {
        out_.F64LE(d);
        if (tenBytes) out_.U16LE(0);
    }

    void Column(const FieldDef& f, int depth) {
        if (depth > kMaxTables) RaiseStoreError(StoreErrorCode::TooManyTables);
        Name(f.name);
        out_.U32LE(TypeCode(f.type, f.width));
        out_.U16LE((f.flags.hidden ? 1 : 0) | (f.flags.readOnly ? 2 : 0) | (f.flags.required ? 4 : 0) |
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
        out_.U16LE(static_cast<std::uint16_t>(count));
        for (const auto& p : own)
            Param(p);
        for (const auto& p : f.params)
            Param(p);
        if (f.type == PacketType::Nested) {
            if (f.nested.size() > 0xFFFF) RaiseStoreError(StoreErrorCode::Malformed);
            out_.U16LE(static_cast<std::uint16_t>(f.nested.size()));
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
        out_.U16LE(static_cast<std::uint16_t>(count));
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
        // Two bits a field: 0 a value follows, 1 NULL, 2 the replaced version's value. A row starts
        // as all NULL and the fields that hold a value change their bits, so a row of many fields and
        // few values costs its mask and what it carries.
        const std::string allNull = NullMask(n);
        for (size_t r = 0; r < packet_.rows.size(); ++r) {
            const PacketRow& row = packet_.rows[r];
            if (dropUnused && (row.rowState & kRowUnused) != 0) continue;
            const PacketRow* previous = nullptr;
            if ((row.rowState & kRowModified) != 0 && replaced[r] != 0)
                previous = &packet_.rows[replaced[r] - 1];
            out_.U8(static_cast<std::uint8_t>(row.rowState));
            const qsizetype maskAt = out_.Size();
            out_.Bytes(allNull);
            row.values.ForEachValue([&](std::size_t i, const FieldView& v) {
                if (i >= n) return;
                unsigned bits = 0;
                if (previous != nullptr && IsBlobKind(kinds[i]) && i < previous->values.size() &&
                    v == previous->values[i])
                    bits = 2;
                else if (!Value(fields[i], kinds[i], v))
                    bits = 1;
                const qsizetype at = maskAt + qsizetype(i / 4);
                const unsigned shift = 2 * (i % 4);
                const auto kept =
                    static_cast<unsigned>(static_cast<unsigned char>(out_.View()[std::size_t(at)])) &
                    ~(3u << shift);
                out_.PutU8(at, static_cast<std::uint8_t>(kept | (bits << shift)));
            });
        }
    }

    // The mask of a row whose `fields` fields are all NULL.
    static std::string NullMask(size_t fields) {
        std::string mask((fields + 3) / 4, '\0');
        for (size_t i = 0; i < fields; ++i)
            mask[i / 4] = static_cast<char>(static_cast<unsigned char>(mask[i / 4]) | (1u << (2 * (i % 4))));
        return mask;
    }

    // Appends the value; false (nothing appended) when the field kind carries no value or the value
    // does not match the kind, in which case the column is written as NULL.
    bool Value(const FieldDef& f, FieldKind kind, const FieldView& v) {
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
                out_.U16LE(*b ? 1 : 0);
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
                if (kind != FieldKind::Time) out_.U32LE(static_cast<std::uint32_t>(t->days));
                if (kind != FieldKind::Date) out_.U32LE(static_cast<std::uint32_t>(t->msec));
                return true;
            }
            return false;
        case FieldKind::String:
            if (const auto* s = std::get_if<std::string_view>(&v)) {
                Counted(*s, CountSizeForWidth(f.width));
                return true;
            }
            return false;
        case FieldKind::WideString:
            if (const auto* s = std::get_if<std::u16string_view>(&v)) {
                CountedUtf16(*s, CountSizeForWidth(f.width));
                return true;
            }
            return false;
        case FieldKind::WideMemo:
            if (const auto* s = std::get_if<std::u16string_view>(&v)) {
                CountedUtf16(*s, 4);
                return true;
            }
            return false;
        case FieldKind::Memo:
        case FieldKind::Blob:
        case FieldKind::Bytes:
        case FieldKind::VarBytes:
            if (const auto* s = std::get_if<std::string_view>(&v)) {
                Counted(*s, 4);
                return true;
            }
            return false;
        default:
            return false;
        }
    }

    const Datapacket& packet_;
    ByteWriter out_;
};

} // namespace

std::string WriteDatapacketBinary(const Datapacket& packet) {
    return BinaryWriter(packet).Write();
}

} // namespace quorvel
