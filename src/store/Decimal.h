#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// An exact decimal number: a signed count of units of 10^-Scale(). Money and quantity fields hold
// their values in this form so that 12.5 with four places is 125000 units and prints as "12.5000".
// The units are a 64-bit integer, so at most 18 digits (integer and decimal digits together) can be
// held; fields of the proposal use 15 significant digits with 3 or 4 places.
class TDecimal {
public:
    static constexpr int kMaxDigits = 18;
    static constexpr int kMaxScale = 18;

    constexpr TDecimal() = default;

    // The value units × 10^-scale; scale is clamped to 0..kMaxScale.
    static constexpr TDecimal FromUnits(std::int64_t units, int scale) noexcept {
        TDecimal d;
        d.units_ = units;
        d.scale_ = static_cast<std::uint8_t>(scale < 0 ? 0 : (scale > kMaxScale ? kMaxScale : scale));
        return d;
    }
    static TDecimal FromInt(std::int64_t value) noexcept { return FromUnits(value, 0); }

    std::int64_t Units() const noexcept { return units_; }
    int Scale() const noexcept { return scale_; }
    bool IsNegative() const noexcept { return units_ < 0; }
    bool IsZero() const noexcept { return units_ == 0; }

    // Number of digits before the decimal point, 0 when the magnitude is below 1.
    int IntegerDigits() const noexcept;
    // True when the value has at most precision - places integer digits once held with `places`
    // decimal places (the rule for a field of `precision` significant digits).
    bool FitsField(int precision, int places) const noexcept;

    // Changes the number of places: new places are zeros, dropped places are cut without rounding.
    // Empty when the result does not fit in kMaxDigits digits.
    std::optional<TDecimal> WithScale(int places) const noexcept;

    // The file form: "-" for negatives, integer digits without leading zeros ("0" when none), then
    // the separator and exactly Scale() digits when Scale() is not 0. No exponent, no grouping.
    std::string ToString(char decimalSeparator = '.') const;
    void AppendTo(std::string& out, char decimalSeparator = '.') const;

    double ToDouble() const noexcept;

    // A floating-point value rounded to the nearest multiple of 0.0001 (an exact half goes to the
    // even neighbour, judged on the value's 15 significant digits), then cut to `places` places.
    // Empty for infinities, NaN and values beyond kMaxDigits digits.
    static std::optional<TDecimal> FromDouble(double value, int places);

    // A plain number text: optional sign, digits, optionally `decimalSeparator` and more digits,
    // optionally an exponent ("e" or "E", optional sign, digits); no blanks, no grouping. The value
    // is rounded to four places (half to even) and cut to `places` places, as FromDouble does.
    // Empty when the text is not such a number or the value does not fit kMaxDigits digits.
    static std::optional<TDecimal> FromNumberText(std::string_view text, char decimalSeparator, int places);

    // Numeric comparison; values with different scales compare by value (1.50 == 1.5).
    friend bool operator==(const TDecimal& a, const TDecimal& b) noexcept { return Compare(a, b) == 0; }
    friend std::strong_ordering operator<=>(const TDecimal& a, const TDecimal& b) noexcept {
        return Compare(a, b) <=> 0;
    }
    static int Compare(const TDecimal& a, const TDecimal& b) noexcept;

private:
    std::int64_t units_ = 0;
    std::uint8_t scale_ = 0;
};

// Reads an exact decimal the way the datapacket file carries it: characters are taken in order,
// digits (at most 64), a "-" before the first digit makes the value negative, a "." marks the
// decimal point (the last one counts), blanks are ignored, any other character ends the number.
// The result is then fitted to a field of `precision` significant digits and `places` places:
// digits beyond `places` are dropped without rounding.
struct DecimalReadResult {
    enum class Status { Ok, Null, DoesNotFit };
    Status status = Status::Null;
    TDecimal value;
};
DecimalReadResult ReadFileDecimal(std::string_view text, int precision, int places) noexcept;

} // namespace quorvel
