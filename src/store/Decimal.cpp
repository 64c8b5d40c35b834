#include "store/Decimal.h"

#include "platform/NumberParse.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace quorvel {
namespace {

constexpr std::array<std::uint64_t, 20> kPow10 = {1ull,
                                                  10ull,
                                                  100ull,
                                                  1000ull,
                                                  10000ull,
                                                  100000ull,
                                                  1000000ull,
                                                  10000000ull,
                                                  100000000ull,
                                                  1000000000ull,
                                                  10000000000ull,
                                                  100000000000ull,
                                                  1000000000000ull,
                                                  10000000000000ull,
                                                  100000000000000ull,
                                                  1000000000000000ull,
                                                  10000000000000000ull,
                                                  100000000000000000ull,
                                                  1000000000000000000ull,
                                                  10000000000000000000ull};

// 10^18: the first magnitude that no longer fits in kMaxDigits digits.
constexpr std::uint64_t kUnitsLimit = kPow10[TDecimal::kMaxDigits];

std::uint64_t Magnitude(std::int64_t units) noexcept {
    return units < 0 ? 0ull - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
}

int DigitCount(std::uint64_t v) noexcept {
    int n = 1;
    while (n < 20 && v >= kPow10[n])
        ++n;
    return n;
}

// Units at `places` places from a magnitude at four places: cut to fewer places, or widened.
std::optional<TDecimal> FromUnits4(bool negative, std::uint64_t units4, int places) {
    std::uint64_t units = units4;
    if (places < 4) {
        units /= kPow10[static_cast<size_t>(4 - places)];
    } else if (places > 4) {
        const std::uint64_t f = kPow10[static_cast<size_t>(places - 4)];
        if (units != 0 && units > (kUnitsLimit - 1) / f) return std::nullopt;
        units *= f;
    }
    if (units >= kUnitsLimit) return std::nullopt;
    const auto s = static_cast<std::int64_t>(units);
    return TDecimal::FromUnits(negative ? -s : s, places);
}

// Builds units at `places` places from a digit string `digits` whose value is digits × 10^exp10:
// first rounded half-to-even to four places, then cut to `places`.
std::optional<TDecimal> FromDigits(bool negative, std::string_view digits, long exp10, int places) {
    if (places < 0 || places > TDecimal::kMaxScale) return std::nullopt;
    // Strip leading zeros so that the digit count reflects the magnitude.
    while (!digits.empty() && digits.front() == '0')
        digits.remove_prefix(1);
    std::uint64_t units4 = 0;     // value × 10^4
    const long shift = exp10 + 4; // digits × 10^shift
    if (shift >= 0) {
        if (!digits.empty() && static_cast<long>(digits.size()) + shift > TDecimal::kMaxDigits)
            return std::nullopt;
        for (char c : digits)
            units4 = units4 * 10 + static_cast<unsigned>(c - '0');
        if (!digits.empty()) units4 *= kPow10[static_cast<size_t>(shift)];
    } else {
        const long drop = -shift;
        const long keep = static_cast<long>(digits.size()) - drop;
        std::string_view kept = keep > 0 ? digits.substr(0, static_cast<size_t>(keep)) : std::string_view();
        std::string_view dropped = keep > 0 ? digits.substr(static_cast<size_t>(keep)) : digits;
        if (static_cast<long>(kept.size()) > TDecimal::kMaxDigits) return std::nullopt;
        for (char c : kept)
            units4 = units4 * 10 + static_cast<unsigned>(c - '0');
        // The first dropped digit is only the one right after the kept ones when nothing is missing.
        const bool fullDrop = keep >= 0;
        int first = 0;
        bool restNonZero = false;
        if (fullDrop && !dropped.empty()) {
            first = dropped.front() - '0';
            for (char c : dropped.substr(1))
                if (c != '0') {
                    restNonZero = true;
                    break;
                }
        } else {
            // Leading implicit zeros were dropped first: the value is below half a unit.
            first = 0;
        }
        const bool roundUp = first > 5 || (first == 5 && (restNonZero || (units4 & 1u) != 0));
        if (roundUp) ++units4;
        if (units4 >= kUnitsLimit) return std::nullopt;
    }
    return FromUnits4(negative, units4, places);
}

// A double's magnitude times 10^4 rounded to the nearest integer, when that rounding is the one
// FromDigits makes of the double's fifteen significant digits: below 10^9 those digits reach six
// places, within 0.006 of a unit of the fourth, so away from the half the nearest unit is the same.
std::optional<std::uint64_t> NearestUnits4(double magnitude) noexcept {
    if (!(magnitude < 1e9)) return std::nullopt;
    const double scaled = magnitude * 10000.0;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (fraction >= 0.4 && fraction <= 0.6) return std::nullopt;
    return static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1u : 0u);
}

} // namespace

int TDecimal::IntegerDigits() const noexcept {
    const std::uint64_t whole = Magnitude(units_) / kPow10[scale_];
    return whole == 0 ? 0 : DigitCount(whole);
}

bool TDecimal::FitsField(int precision, int places) const noexcept {
    const auto scaled = WithScale(places);
    return scaled && scaled->IntegerDigits() <= precision - places;
}

std::optional<TDecimal> TDecimal::WithScale(int places) const noexcept {
    if (places < 0 || places > kMaxScale) return std::nullopt;
    if (places == scale_) return *this;
    const std::uint64_t mag = Magnitude(units_);
    std::uint64_t result;
    if (places < scale_) {
        result = mag / kPow10[static_cast<size_t>(scale_ - places)];
    } else {
        const std::uint64_t f = kPow10[static_cast<size_t>(places - scale_)];
        if (mag != 0 && mag > (kUnitsLimit - 1) / f) return std::nullopt;
        result = mag * f;
    }
    if (result >= kUnitsLimit) return std::nullopt;
    const auto s = static_cast<std::int64_t>(result);
    return FromUnits(units_ < 0 ? -s : s, places);
}

void TDecimal::AppendTo(std::string& out, char decimalSeparator) const {
    char buf[24];
    const std::uint64_t mag = Magnitude(units_);
    int n = 0;
    std::uint64_t v = mag;
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < scale_ + 1)
        buf[n++] = '0';
    if (units_ < 0) out.push_back('-');
    for (int i = n - 1; i >= scale_; --i)
        out.push_back(buf[i]);
    if (scale_ > 0) {
        out.push_back(decimalSeparator);
        for (int i = scale_ - 1; i >= 0; --i)
            out.push_back(buf[i]);
    }
}

std::string TDecimal::ToString(char decimalSeparator) const {
    std::string out;
    AppendTo(out, decimalSeparator);
    return out;
}

double TDecimal::ToDouble() const noexcept {
    return static_cast<double>(units_) / static_cast<double>(kPow10[scale_]);
}

std::optional<TDecimal> TDecimal::FromDouble(double value, int places) {
    if (!std::isfinite(value)) return std::nullopt;
    if (std::fabs(value) >= 1e18) return std::nullopt;
    // Fifteen significant digits: the digits a double holds reliably, so 1.23455 is judged as the
    // exact half it was typed as, not as the binary value just below it. Most values are nowhere near
    // such a half and are rounded without writing their digits out.
    if (places >= 0 && places <= kMaxScale)
        if (const std::optional<std::uint64_t> units4 = NearestUnits4(std::fabs(value)))
            return FromUnits4(value < 0, *units4, places);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    return FromNumberText(buf, '.', places);
}

std::optional<TDecimal> TDecimal::FromNumberText(std::string_view text, char decimalSeparator, int places) {
    const std::optional<PlainNumberParts> parts = SplitPlainNumber(text, decimalSeparator);
    if (!parts) return std::nullopt;
    return FromDigits(parts->Negative, parts->Digits, parts->Exponent, places);
}

int TDecimal::Compare(const TDecimal& a, const TDecimal& b) noexcept {
    const int scale = a.scale_ > b.scale_ ? a.scale_ : b.scale_;
    const __int128 x = static_cast<__int128>(a.units_) * kPow10[static_cast<size_t>(scale - a.scale_)];
    const __int128 y = static_cast<__int128>(b.units_) * kPow10[static_cast<size_t>(scale - b.scale_)];
    return x < y ? -1 : (x > y ? 1 : 0);
}

DecimalReadResult ReadFileDecimal(std::string_view text, int precision, int places) noexcept {
    char digits[64];
    int count = 0;
    int pointAt = -1;
    bool negative = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            if (count < 64) digits[count++] = c;
        } else if (c == '-' && count == 0) {
            negative = true;
        } else if (c == '.') {
            pointAt = count;
        } else if (c != ' ') {
            break;
        }
    }
    DecimalReadResult result;
    if (count == 0) return result; // Null
    const int intEnd = pointAt < 0 ? count : pointAt;
    int firstSignificant = 0;
    while (firstSignificant < intEnd && digits[firstSignificant] == '0')
        ++firstSignificant;
    const int intDigits = intEnd - firstSignificant;
    result.status = DecimalReadResult::Status::DoesNotFit;
    if (intDigits > 16 || places < 0 || places > TDecimal::kMaxScale) return result;
    if (intDigits > precision - places || intDigits + places > TDecimal::kMaxDigits) return result;
    std::uint64_t units = 0;
    for (int i = firstSignificant; i < intEnd; ++i)
        units = units * 10 + static_cast<unsigned>(digits[i] - '0');
    for (int k = 0; k < places; ++k) {
        const int i = intEnd + k;
        units = units * 10 + (i < count ? static_cast<unsigned>(digits[i] - '0') : 0u);
    }
    const auto s = static_cast<std::int64_t>(units);
    result.status = DecimalReadResult::Status::Ok;
    result.value = TDecimal::FromUnits(negative ? -s : s, places);
    return result;
}

} // namespace quorvel
