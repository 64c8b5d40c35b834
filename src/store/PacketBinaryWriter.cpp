#include "store/Packet.h"
#include "store/PacketBinaryFormat.h"
#include "store/PacketValueText.h"
#include "store/StoreErrors.h"

#include <cstring>

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
            U8(row.rowState);
            const size_t maskAt = out_.size();
            out_ += allNull;
            row.values.ForEachValue([&](std::size_t i, const FieldValue& v) {
                if (i >= n) return;
                unsigned bits = 0;
                if (previous != nullptr && IsBlobKind(kinds[i]) && i < previous->values.size() &&
                    v == previous->values[i])
                    bits = 2;
                else if (!Value(fields[i], kinds[i], v))
                    bits = 1;
                const size_t at = maskAt + i / 4;
                const unsigned shift = 2 * (i % 4);
                const auto kept =
                    static_cast<unsigned>(static_cast<unsigned char>(out_[at])) & ~(3u << shift);
                out_[at] = static_cast<char>(kept | (bits << shift));
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

} // namespace

std::string WriteDatapacketBinary(const Datapacket& packet) {
    return BinaryWriter(packet).Write();
}

} // namespace quorvel
