#include "platform/ByteReader.h"
#include "platform/Exceptions.h"
#include "store/FieldTypeTable.h"
#include "store/Packet.h"
#include "store/PacketBinaryFormat.h"
#include "store/PacketLimits.h"
#include "store/PacketValueParse.h"
#include "store/PacketValueText.h"
#include "store/StoreErrors.h"

#include <limits>
#include <unordered_map>

namespace quorvel {
namespace {

using namespace binary_packet;

class BinaryReader {
public:
    explicit BinaryReader(std::span<const char> bytes)
        : in_(std::string_view(bytes.data(), bytes.size())) {}

    Datapacket Read() {
        try {
            return ReadPacket();
        } catch (const EByteRangeError& e) {
            // The file ends inside a value: broken structure, at the offset where the value began.
            RaiseStoreError(StoreErrorCode::Malformed, static_cast<long long>(e.Offset()));
        }
    }

private:
    Datapacket ReadPacket() {
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
        if (headerSize < 24 || headerSize > in_.Size()) Fail(StoreErrorCode::Malformed);
        // A table has at least one field, as the XML form requires.
        if (columns == 0) Fail(StoreErrorCode::Malformed);
        in_.Seek(headerSize);
        int tables = 1;
        for (std::uint32_t c = 0; c < columns; ++c)
            packet_.fields.push_back(Column(tables, 1));
        TableParams();
        Rows(rowCount);
        return std::move(packet_);
    }

    [[noreturn]] void Fail(StoreErrorCode code) const {
        RaiseStoreError(code, static_cast<long long>(in_.Offset()));
    }
    std::uint32_t U8() { return in_.U8(); }
    std::uint32_t U16() { return in_.U16LE(); }
    std::uint32_t U32() { return in_.U32LE(); }
    // Two words, so that a value cut after its first word fails where the second begins.
    std::uint64_t U64() {
        const std::uint64_t lo = U32();
        return lo | (static_cast<std::uint64_t>(U32()) << 32);
    }
    std::int64_t Integer(int size, bool isSigned) {
        switch (size) {
        case 1:
            return isSigned ? std::int64_t{in_.I8()} : std::int64_t{in_.U8()};
        case 2:
            return isSigned ? std::int64_t{in_.I16LE()} : std::int64_t{in_.U16LE()};
        case 4:
            return isSigned ? std::int64_t{in_.I32LE()} : std::int64_t{in_.U32LE()};
        default:
            return in_.I64LE();
        }
    }
    std::string_view Bytes(size_t count) { return in_.Chars(count); }
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
        if (IsIntegerStored(p.type)) {
            p.value = Integer(IntegerSize(p.type), (typeCode >> 16 & 0x3F) == 1);
            return p;
        }
        switch (p.type) {
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
            if (!in_.CanRead(static_cast<size_t>(count) * 4)) Fail(StoreErrorCode::Malformed);
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
        budget_.Charge(sizeof(FieldDef), in_.Offset());
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
        constexpr char kFourNulls = 0x55;
        const auto& fields = packet_.fields;
        const size_t n = fields.size();
        std::vector<FieldKind> kinds;
        for (const auto& f : fields)
            kinds.push_back(KindOf(f));
        const size_t maskBytes = (n + 3) / 4;
        // Every row takes at least 1 + maskBytes bytes, so the count cannot ask for more rows than fit.
        packet_.rows.reserve(std::min<size_t>(rowCount, in_.Remaining() / (1 + maskBytes) + 1));
        std::vector<RowValues::Entry> entries;
        std::vector<std::uint32_t> unchanged;
        std::unordered_map<std::uint32_t, std::uint32_t> replaced;
        bool replacedBuilt = false;
        for (std::uint32_t r = 0; r < rowCount; ++r) {
            const size_t rowStart = in_.Offset();
            const auto rowState = static_cast<std::uint8_t>(U8());
            const std::string_view mask = Bytes(maskBytes);
            entries.clear();
            unchanged.clear();
            for (size_t i = 0; i < n; ++i) {
                // Four NULL fields in one byte are passed over at once.
                if (i % 4 == 0 && i + 4 <= n && mask[i / 4] == kFourNulls) {
                    i += 3;
                    continue;
                }
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
                        if (IsNull(previous[i])) continue;
                        FieldValue value = previous.Value(i);
                        budget_.Charge(FieldValueBytes(value), in_.Offset());
                        entries.emplace_back(i, std::move(value));
                    }
                }
            }
            // A value takes at most twice its bytes in the file (wide text), so they bound the row.
            const size_t slotCount = 2 * entries.size() >= n ? n : entries.size();
            budget_.Charge(sizeof(PacketRow) + slotCount * (sizeof(FieldValue) + 4) +
                               2 * (in_.Offset() - rowStart),
                           in_.Offset());
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

    ByteReader in_;
    Datapacket packet_;
    LoadBudget budget_{in_.Size()};
};

} // namespace

Datapacket ReadDatapacketBinary(std::span<const char> bytes) {
    return BinaryReader(bytes).Read();
}

} // namespace quorvel
