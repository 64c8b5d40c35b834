#include "store/PacketValueParse.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/NumberParse.h"
#include "store/PacketBase64.h"
#include "store/StoreErrors.h"

#include <cmath>
#include <cstring>

namespace quorvel {
namespace {

bool IsBlank(char c) noexcept {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x01 && u <= 0x20;
}

bool IsDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

std::string_view SkipBlanks(std::string_view text) noexcept {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return text.substr(i);
}

int HexValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes the entity starting at raw[i] == '&'. Sets `code` and returns the index after it, or
// returns i with code -1 when the "&" stands for itself.
size_t DecodeEntity(std::string_view raw, size_t i, std::uint32_t& code, bool& isCode) noexcept {
    const size_t n = raw.size();
    isCode = false;
    if (i + 1 >= n) {
        code = '&';
        return i + 1;
    }
    const char c = raw[i + 1];
    auto skip = [&](size_t len) { return i + len < n ? i + len : n; };
    switch (c) {
    case '#': {
        size_t j = i + 2;
        std::uint32_t v = 0;
        if (j < n && (raw[j] == 'x' || raw[j] == 'X')) {
            ++j;
            while (j < n && HexValue(raw[j]) >= 0) {
                v = (v << 4) | static_cast<std::uint32_t>(HexValue(raw[j]));
                v &= 0xFFFFFF;
                ++j;
            }
        } else {
            while (j < n && IsDigit(raw[j])) {
                v = v * 10 + static_cast<std::uint32_t>(raw[j] - '0');
                v %= 100000000;
                ++j;
            }
        }
        const size_t semi = raw.find(';', j);
        code = v;
        isCode = true;
        return semi == std::string_view::npos ? j : semi + 1;
    }
    case 'a':
        if (i + 2 < n && raw[i + 2] == 'p') {
            code = '\'';
            return skip(6);
        }
        code = '&';
        return skip(5);
    case 'g':
        code = '>';
        return skip(4);
    case 'l':
        code = '<';
        return skip(4);
    case 'q':
        code = '"';
        return skip(6);
    default:
        code = '&';
        return i + 1;
    }
}

} // namespace

std::string DecodeText(std::string_view raw) {
    const void* amp = std::memchr(raw.data(), '&', raw.size());
    if (amp == nullptr) return std::string(raw);
    std::string out;
    out.reserve(raw.size());
    size_t i = 0;
    while (i < raw.size()) {
        const void* next = std::memchr(raw.data() + i, '&', raw.size() - i);
        if (next == nullptr) {
            out.append(raw.substr(i));
            break;
        }
        const auto at = static_cast<size_t>(static_cast<const char*>(next) - raw.data());
        out.append(raw.substr(i, at - i));
        std::uint32_t code = 0;
        bool isCode = false;
        i = DecodeEntity(raw, at, code, isCode);
        out.push_back(static_cast<char>(code & 0xFF));
    }
    return out;
}

std::u16string DecodeWideText(std::string_view raw) {
    std::u16string out;
    out.reserve(raw.size());
    size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] != '&') {
            out.push_back(Cp1252ToUnicode(static_cast<unsigned char>(raw[i])));
            ++i;
            continue;
        }
        std::uint32_t code = 0;
        bool isCode = false;
        i = DecodeEntity(raw, i, code, isCode);
        out.push_back(static_cast<char16_t>(code & 0xFFFF));
    }
    return out;
}

bool ParseLeadingInteger(std::string_view text, std::int64_t& value) noexcept {
    const std::optional<LeadingInteger> read = ReadLeadingInteger(SkipBlanks(text));
    if (!read) return false;
    value = read->Negative ? static_cast<std::int64_t>(0ull - read->Magnitude)
                           : static_cast<std::int64_t>(read->Magnitude);
    return true;
}

bool ParseFloat(std::string_view text, double& value) noexcept {
    const std::optional<double> read = ReadLeadingFloat(SkipBlanks(text));
    if (!read) return false;
    value = *read;
    return true;
}

IntegerRead ReadInteger(std::string_view text, PacketType type, std::int64_t& value) noexcept {
    const std::optional<LeadingInteger> read = ReadLeadingInteger(SkipBlanks(text));
    if (!read) return IntegerRead::NoNumber;
    const bool negative = read->Negative;
    const std::uint64_t magnitude = read->Magnitude;
    int bytes = 8;
    bool isSigned = true;
    switch (type) {
    case PacketType::I1:
        bytes = 1;
        break;
    case PacketType::I2:
        bytes = 2;
        break;
    case PacketType::I4:
        bytes = 4;
        break;
    case PacketType::UI1:
        bytes = 1, isSigned = false;
        break;
    case PacketType::UI2:
        bytes = 2, isSigned = false;
        break;
    case PacketType::UI4:
        bytes = 4, isSigned = false;
        break;
    case PacketType::UI8:
        isSigned = false;
        break;
    default:
        break;
    }
    if (read->Overflow) return IntegerRead::OutOfRange;
    if (isSigned) {
        const std::uint64_t limit = 1ull << (8 * bytes - 1); // magnitude of the most negative value
        if (negative ? magnitude > limit : magnitude >= limit) return IntegerRead::OutOfRange;
        value = negative ? static_cast<std::int64_t>(0ull - magnitude) : static_cast<std::int64_t>(magnitude);
        return IntegerRead::Ok;
    }
    const std::uint64_t max = bytes == 8 ? ~0ull : (1ull << (8 * bytes)) - 1;
    if ((negative && magnitude != 0) || magnitude > max) return IntegerRead::OutOfRange;
    value = static_cast<std::int64_t>(magnitude);
    return IntegerRead::Ok;
}

bool ReadIntegerList(std::string_view text, PacketType element, std::vector<std::int64_t>& values) {
    values.clear();
    size_t i = 0;
    for (;;) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i >= text.size()) return true;
        const std::optional<LeadingInteger> number = ReadLeadingInteger(text.substr(i));
        if (!number) return true;
        std::int64_t v = 0;
        if (ReadInteger(text.substr(i, number->Length), element, v) == IntegerRead::OutOfRange) return false;
        values.push_back(v);
        i += number->Length;
        if (i < text.size() && !IsBlank(text[i])) return true;
    }
}

namespace {

// Reads exactly `count` digits at text[i].
bool Digits(std::string_view text, size_t& i, size_t count, int& value) noexcept {
    if (i + count > text.size()) return false;
    int v = 0;
    for (size_t k = 0; k < count; ++k) {
        if (!IsDigit(text[i + k])) return false;
        v = v * 10 + (text[i + k] - '0');
    }
    i += count;
    value = v;
    return true;
}

bool ParseDatePart(std::string_view text, size_t& i, std::int32_t& days) noexcept {
    int y = 0, m = 0, d = 0;
    return Digits(text, i, 4, y) && Digits(text, i, 2, m) && Digits(text, i, 2, d) &&
           DaysFromDate(y, m, d, days);
}

bool ParseTimePart(std::string_view text, size_t& i, std::int32_t& msec) noexcept {
    int h = 0, m = 0, x = 0;
    if (!Digits(text, i, 2, h) || i >= text.size() || text[i] != ':') return false;
    ++i;
    if (!Digits(text, i, 2, m) || i >= text.size() || text[i] != ':') return false;
    ++i;
    if (!Digits(text, i, 5, x)) return false;
    if (h > 23 || m > 59 || x > 59999) return false;
    msec = h * 3600000 + m * 60000 + x;
    return true;
}

} // namespace

FieldValue ParseScalarValue(FieldKind kind, PacketType type, std::string_view raw) {
    switch (kind) {
    case FieldKind::Integer:
    case FieldKind::Unsigned: {
        std::int64_t v = 0;
        const IntegerRead read = ReadInteger(raw, type, v);
        if (read == IntegerRead::OutOfRange) RaiseStoreError(StoreErrorCode::OutOfRange);
        if (read == IntegerRead::NoNumber) return {};
        return v;
    }
    case FieldKind::Boolean:
        if (raw.empty()) return {};
        if (raw[0] == 'T' || raw[0] == 't') return true;
        if (raw[0] == 'F' || raw[0] == 'f') return false;
        return {};
    case FieldKind::Float: {
        double d = 0;
        if (!ParseFloat(raw, d)) return {};
        return d;
    }
    case FieldKind::Date:
    case FieldKind::Time:
    case FieldKind::DateTime: {
        size_t i = 0;
        while (i < raw.size() && IsBlank(raw[i]))
            ++i;
        TDateTimeValue v;
        if (kind == FieldKind::Time) {
            if (!ParseTimePart(raw, i, v.msec)) return {};
            return v;
        }
        if (!ParseDatePart(raw, i, v.days)) return {};
        if (kind == FieldKind::DateTime && i < raw.size() && raw[i] == 'T') {
            ++i;
            if (!ParseTimePart(raw, i, v.msec)) return {};
        }
        return v;
    }
    default:
        return {};
    }
}

FieldValue ParseFieldValueText(const FieldDef& field, std::string_view text) {
    const FieldKind kind = KindOf(field);
    switch (kind) {
    case FieldKind::String:
    case FieldKind::Memo:
        return std::string(text);
    case FieldKind::WideString:
    case FieldKind::WideMemo: {
        std::u16string wide;
        for (const char c : text)
            wide.push_back(Cp1252ToUnicode(static_cast<unsigned char>(c)));
        return wide;
    }
    case FieldKind::Blob:
    case FieldKind::Bytes:
    case FieldKind::VarBytes:
        return DecodeBase64(text);
    case FieldKind::Decimal: {
        const DecimalReadResult r = ReadFileDecimal(text, DecimalPrecision(field), field.decimals);
        if (r.status == DecimalReadResult::Status::DoesNotFit) RaiseStoreError(StoreErrorCode::OutOfRange);
        if (r.status == DecimalReadResult::Status::Null) return {};
        return r.value;
    }
    default:
        return ParseScalarValue(kind, field.type, text);
    }
}

} // namespace quorvel
