#include "store/Packet.h"
#include "platform/AsciiText.h"
#include "store/PacketTypeTable.h"

#include <array>
#include <charconv>
#include <cstring>
#include <unordered_set>

namespace quorvel {
namespace {

constexpr std::array<std::string_view, 19> kSubtypes = {
    "Text",      "Binary",  "Formatted", "Ole",   "Graphics", "dBASEOle",       "TypedBinary",
    "Money",     "Autoinc", "AccessOle", "HMemo", "HBinary",  "ADTNestedTable", "FixedChar",
    "Reference", "BFile",   "ADTDate",   "Guid",  "WideText"};

constexpr std::array<std::string_view, 21> kKnownParams = {
    "UNIQUE_KEY",   "DEFAULT_ORDER", "CHANGE_LOG", "SERVER_COL",   "DATASET_DELTA", "READONLY", "SUBTYPE",
    "DECIMALS",     "WIDTH",         "LCID",       "AUTOINCVALUE", "TABLENAME",     "TYPENAME", "UPDATEMODE",
    "MD_SEMANTICS", "CALCULATED",    "DELTA",      "PRIMARY_KEY",  "MINVALUE",      "MAXVALUE", "DEFVALUE"};

// Days from 1970-01-01 for a proleptic Gregorian date (the well-known era-based algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

constexpr std::int64_t kEpochOffset = 719162; // days from 0001-01-01 to 1970-01-01

} // namespace

std::string_view PacketTypeName(PacketType type) noexcept {
    return PacketTypeRowOf(type).name;
}

bool PacketTypeFromName(std::string_view name, PacketType& type) noexcept {
    for (const auto& t : kPacketTypes)
        if (EqualsIgnoringAsciiCase(t.name, name)) {
            type = t.type;
            return true;
        }
    if (EqualsIgnoringAsciiCase(name, "int")) {
        type = PacketType::I4;
        return true;
    }
    if (EqualsIgnoringAsciiCase(name, "uint")) {
        type = PacketType::UI4;
        return true;
    }
    return false;
}

std::string_view CanonicalSubtype(std::string_view name) noexcept {
    for (const auto s : kSubtypes)
        if (EqualsIgnoringAsciiCase(s, name)) return s;
    return {};
}

FieldKind KindOf(const FieldDef& field) noexcept {
    if (field.type != PacketType::BinHex) return PacketTypeRowOf(field.type).kind;
    const std::string_view s = field.subtype;
    if (s == "Text") return FieldKind::Memo;
    if (s == "WideText") return FieldKind::WideMemo;
    if (s.empty()) return FieldKind::Bytes;
    for (const std::string_view blob :
         {"Binary", "Formatted", "Ole", "Graphics", "dBASEOle", "TypedBinary", "HMemo", "HBinary"})
        if (s == blob) return FieldKind::Blob;
    return FieldKind::VarBytes;
}

bool IsBlobKind(FieldKind kind) noexcept {
    return kind == FieldKind::Memo || kind == FieldKind::WideMemo || kind == FieldKind::Blob;
}

std::string AttrNameOf(std::string_view fieldName) {
    std::string out(fieldName);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || std::strchr("!#$%()*?\"'&<>=/", c) != nullptr) c = '_';
    }
    return out;
}

std::vector<std::string> AttrNamesOf(const std::vector<FieldDef>& fields) {
    std::vector<std::string> names;
    names.reserve(fields.size());
    // The names given so far, so that a packet of thousands of fields is not compared name by name.
    std::unordered_set<std::string> given;
    given.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        std::string name = AttrNameOf(fields[i].name);
        if (name.empty() || name == "RowState" || given.contains(name)) name = "xF" + std::to_string(i);
        given.insert(name);
        names.push_back(std::move(name));
    }
    return names;
}

bool IsKnownParamName(std::string_view name) noexcept {
    for (const auto k : kKnownParams)
        if (k == name) return true;
    return false;
}

std::string ParamValueText(const PacketParam& param) {
    struct Visitor {
        const PacketParam& p;
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(std::int64_t v) const {
            if (p.type == PacketType::UI8) return std::to_string(static_cast<std::uint64_t>(v));
            return std::to_string(v);
        }
        std::string operator()(bool b) const { return b ? "TRUE" : "FALSE"; }
        std::string operator()(double d) const {
            char buf[40];
            const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 16);
            return std::string(buf, r.ptr);
        }
        std::string operator()(const std::vector<std::int64_t>& list) const {
            std::string out;
            for (size_t i = 0; i < list.size(); ++i) {
                if (i) out.push_back(' ');
                if (p.type == PacketType::UIntArray)
                    out += std::to_string(static_cast<std::uint32_t>(list[i]));
                else
                    out += std::to_string(list[i]);
            }
            return out;
        }
    };
    return std::visit(Visitor{param}, param.value);
}

bool DaysFromDate(int year, int month, int day, std::int32_t& days) noexcept {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int limit = kMonthDays[month - 1] + (month == 2 && leap ? 1 : 0);
    if (day > limit) return false;
    days = static_cast<std::int32_t>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kEpochOffset);
    return true;
}

void DateFromDays(std::int32_t days, int& year, int& month, int& day) noexcept {
    std::int64_t z = static_cast<std::int64_t>(days) - kEpochOffset + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(y + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

const PacketParam* Datapacket::FindParam(std::string_view name) const noexcept {
    for (const auto& p : params)
        if (p.name == name) return &p;
    return nullptr;
}

int Datapacket::FieldIndex(std::string_view name) const noexcept {
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == name) return static_cast<int>(i);
    return -1;
}

bool IsBinaryDatapacket(std::span<const char> bytes) noexcept {
    if (bytes.size() < 4) return false;
    const auto b = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::uint32_t magic = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    if (magic == 0xABCDu) return true;
    if (magic != 0xBDE01996u || bytes.size() < 8) return false;
    const unsigned v1 = b[4] | (b[5] << 8);
    const unsigned v2 = b[6] | (b[7] << 8);
    return v1 <= 3 && v2 <= 3;
}

Datapacket ReadDatapacket(std::span<const char> bytes) {
    return IsBinaryDatapacket(bytes) ? ReadDatapacketBinary(bytes) : ReadDatapacketXml(bytes);
}

} // namespace quorvel
