#include "platform/NumberParse.h"

#include "platform/CodePage.h"

#include <charconv>
#include <cmath>
#include <string>

namespace quorvel {
namespace {

constexpr bool IsDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

// Digits read from text[i] on; returns how many.
std::size_t SkipDigits(std::string_view text, std::size_t& i) noexcept {
    const std::size_t from = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i - from;
}

// The power of ten of a number text's leading digit, plus one ("123" 3, "0.05" -1, "1e-999" -998),
// saturated: it tells a magnitude beyond a double from one below it.
long long DecimalOrder(std::string_view number) noexcept {
    std::size_t i = 0;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) ++i;
    long long order = 0;
    bool seen = false; // a nonzero digit
    for (; i < number.size() && IsDigit(number[i]); ++i) {
        if (number[i] != '0') seen = true;
        if (seen) ++order;
    }
    if (i < number.size() && number[i] == '.') {
        for (++i; i < number.size() && IsDigit(number[i]) && !seen; ++i) {
            if (number[i] != '0')
                seen = true;
            else
                --order;
        }
        while (i < number.size() && IsDigit(number[i]))
            ++i;
    }
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        const std::optional<LeadingInteger> exponent = ReadLeadingInteger(number.substr(i + 1));
        if (exponent) {
            constexpr long long kCap = 1'000'000'000;
            const long long e =
                exponent->Magnitude > kCap ? kCap : static_cast<long long>(exponent->Magnitude);
            order += exponent->Negative ? -e : e;
        }
    }
    return order;
}

} // namespace

bool IsPlainNumber(std::string_view text, char decimalSeparator) noexcept {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = SkipDigits(text, i);
    if (i < text.size() && text[i] == decimalSeparator) {
        ++i;
        digits += SkipDigits(text, i);
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (SkipDigits(text, i) == 0) return false;
    }
    return i == text.size();
}

std::optional<double> ParsePlainNumber(std::string_view text, char decimalSeparator) noexcept {
    if (!IsPlainNumber(text, decimalSeparator)) return std::nullopt;
    // A plain number is short unless padded with zeros; only an absurd text pays for the heap.
    char local[64];
    std::string heap;
    char* out = local;
    if (text.size() > sizeof local) {
        heap.resize(text.size());
        out = heap.data();
    }
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i == 0 && c == '+') continue; // the conversion below takes no leading plus
        out[n++] = c == decimalSeparator ? '.' : c;
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(out, out + n, value, std::chars_format::general);
    if (ec != std::errc() || end != out + n) return std::nullopt;
    return value;
}

std::optional<PlainNumberParts> SplitPlainNumber(std::string_view text, char decimalSeparator) {
    if (!IsPlainNumber(text, decimalSeparator)) return std::nullopt;
    PlainNumberParts parts;
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-') parts.Negative = text[i++] == '-';
    long fractionDigits = 0;
    bool fraction = false;
    for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
        if (text[i] == decimalSeparator) {
            fraction = true;
        } else {
            parts.Digits.push_back(text[i]);
            if (fraction) ++fractionDigits;
        }
    }
    long exponent = 0;
    if (i < text.size()) {
        const std::optional<LeadingInteger> written = ReadLeadingInteger(text.substr(i + 1));
        // Far beyond any decimal's range, so capping keeps the arithmetic safe and the verdict.
        constexpr std::uint64_t kCap = 1'000'000;
        exponent = static_cast<long>(written->Magnitude > kCap ? kCap : written->Magnitude);
        if (written->Negative) exponent = -exponent;
    }
    parts.Exponent = exponent - fractionDigits;
    return parts;
}

std::optional<double> ParsePlainNumber(QStringView text, char decimalSeparator) {
    const std::string bytes = QStringToCp1252(text.toString());
    return ParsePlainNumber(std::string_view(bytes), decimalSeparator);
}

std::optional<std::int64_t> ParseWholeNumber(std::string_view text, std::int64_t low,
                                             std::int64_t high) noexcept {
    const std::optional<LeadingInteger> read = ReadLeadingInteger(text);
    if (!read || read->Length != text.size() || read->Overflow) return std::nullopt;
    constexpr std::uint64_t kMostNegativeMagnitude = 1ull << 63;
    const std::uint64_t m = read->Magnitude;
    if (m > (read->Negative ? kMostNegativeMagnitude : kMostNegativeMagnitude - 1)) return std::nullopt;
    const auto value = read->Negative ? static_cast<std::int64_t>(0ull - m) : static_cast<std::int64_t>(m);
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<std::int64_t> ParseWholeNumber(QStringView text, std::int64_t low, std::int64_t high) {
    const std::string bytes = QStringToCp1252(text.toString());
    return ParseWholeNumber(std::string_view(bytes), low, high);
}

std::optional<int> ParseWholeInt(QStringView text) {
    const std::optional<std::int64_t> value =
        ParseWholeNumber(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    if (!value) return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<LeadingInteger> ReadLeadingInteger(std::string_view text) noexcept {
    LeadingInteger read;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        read.Negative = text[i] == '-';
        ++i;
    }
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint64_t>::max();
    const std::size_t first = i;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const auto d = static_cast<std::uint64_t>(text[i] - '0');
        if (read.Magnitude > (kLimit - d) / 10) {
            read.Overflow = true;
            read.Magnitude = kLimit;
        } else {
            read.Magnitude = read.Magnitude * 10 + d;
        }
    }
    if (i == first) return std::nullopt;
    read.Length = i;
    return read;
}

std::optional<double> ReadLeadingFloat(std::string_view text) noexcept {
    std::size_t i = 0;
    if (i < text.size() && text[i] == '+') ++i;
    const char* begin = text.data() + i;
    const char* end = text.data() + text.size();
    double value = 0;
    const auto r = std::from_chars(begin, end, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        const bool negative = begin < end && *begin == '-';
        if (DecimalOrder(std::string_view(begin, static_cast<std::size_t>(r.ptr - begin))) < 0) return 0.0;
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    if (r.ec != std::errc()) return std::nullopt;
    return value;
}

} // namespace quorvel
