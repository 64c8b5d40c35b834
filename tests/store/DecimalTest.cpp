#include "store/Decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <random>

namespace quorvel {
namespace {

std::string FromDouble(double v, int places) {
    const auto d = TDecimal::FromDouble(v, places);
    return d ? d->ToString() : "none";
}

std::string FromText(std::string_view text, int places) {
    const auto d = TDecimal::FromNumberText(text, ',', places);
    return d ? d->ToString() : "none";
}

// Most doubles are rounded without writing out their fifteen significant digits; that rounding must be
// the one the digits give, near a half, at every magnitude and for every count of places.
TEST(Decimal, FloatsRoundAsTheirFifteenDigitsDo) {
    std::mt19937_64 random(29);
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    const double scales[] = {1e-6, 1e-4, 1e-2, 1, 37, 1e4, 1e6, 99999999.0, 1e9, 1e12};
    for (int i = 0; i < 200000; ++i) {
        double value = fraction(random) * scales[i % std::size(scales)];
        if (i % 3 == 0) value = std::round(value * 10000) / 10000 + (i % 2 ? 0.00005 : -0.00005);
        if (i % 7 == 0) value = -value;
        const int places = i % (TDecimal::kMaxScale + 1);
        char digits[40];
        std::snprintf(digits, sizeof digits, "%.14e", value);
        const auto expected = TDecimal::FromNumberText(digits, '.', places);
        const auto got = TDecimal::FromDouble(value, places);
        ASSERT_EQ(got.has_value(), expected.has_value()) << digits << " at " << places;
        if (got) {
            ASSERT_EQ(got->ToString(), expected->ToString()) << digits << " at " << places;
        }
    }
}

TEST(Decimal, FloatsRoundToFourPlacesHalfToEvenThenCut) {
    EXPECT_EQ(FromDouble(1.23455, 4), "1.2346");
    EXPECT_EQ(FromDouble(1.23445, 4), "1.2344");
    EXPECT_EQ(FromDouble(2.5009, 3), "2.500");
    EXPECT_EQ(FromDouble(2.99996, 3), "3.000"); // rounds up to 3.0000 first
    EXPECT_EQ(FromDouble(-1.23455, 4), "-1.2346");
    EXPECT_EQ(FromDouble(0.00005, 4), "0.0000");
    EXPECT_EQ(FromDouble(0.00015, 4), "0.0002");
    EXPECT_EQ(FromDouble(12.5, 4), "12.5000");
    EXPECT_EQ(FromDouble(12345678901.2345, 4), "12345678901.2345");
    EXPECT_EQ(FromDouble(1e30, 4), "none");
    EXPECT_EQ(FromDouble(std::numeric_limits<double>::quiet_NaN(), 4), "none");
}

TEST(Decimal, PlainNumberTextUsesTheGivenSeparator) {
    EXPECT_EQ(FromText("12,5", 4), "12.5000");
    EXPECT_EQ(FromText("-0,00005", 4), "0.0000");
    EXPECT_EQ(FromText("+1,23455", 4), "1.2346");
    EXPECT_EQ(FromText("1,5e3", 3), "1500.000");
    EXPECT_EQ(FromText("15E-1", 4), "1.5000");
    EXPECT_EQ(FromText(",5", 4), "0.5000");
    EXPECT_EQ(FromText("1.234,5", 4), "none"); // no grouping
    EXPECT_EQ(FromText("12.5", 4), "none");    // "." is not the separator here
    EXPECT_EQ(FromText("", 4), "none");
    EXPECT_EQ(FromText("1e", 4), "none");
    EXPECT_EQ(FromText(" 1", 4), "none");
    EXPECT_EQ(FromText("1e99999999", 4), "none");
}

TEST(Decimal, TextFormHasAllPlacesAndNoLeadingZeros) {
    EXPECT_EQ(TDecimal::FromUnits(125000, 4).ToString(), "12.5000");
    EXPECT_EQ(TDecimal::FromUnits(0, 4).ToString(), "0.0000");
    EXPECT_EQ(TDecimal::FromUnits(-32500, 4).ToString(), "-3.2500");
    EXPECT_EQ(TDecimal::FromUnits(100000, 3).ToString(), "100.000");
    EXPECT_EQ(TDecimal::FromUnits(-5, 3).ToString(','), "-0,005");
    EXPECT_EQ(TDecimal::FromUnits(42, 0).ToString(), "42");
    EXPECT_EQ(TDecimal::FromUnits(std::numeric_limits<std::int64_t>::min(), 0).ToString(),
              "-9223372036854775808");
}

TEST(Decimal, ScaleChangesCutAndComparisonIsByValue) {
    const TDecimal a = TDecimal::FromUnits(123456, 4); // 12.3456
    EXPECT_EQ(a.WithScale(2)->ToString(), "12.34");
    EXPECT_EQ(a.WithScale(6)->ToString(), "12.345600");
    EXPECT_EQ(TDecimal::FromUnits(-123456, 4).WithScale(1)->ToString(), "-12.3");
    EXPECT_FALSE(TDecimal::FromUnits(999999999999999999, 0).WithScale(1));
    EXPECT_EQ(TDecimal::FromUnits(150, 2), TDecimal::FromUnits(15, 1));
    EXPECT_LT(TDecimal::FromUnits(-1, 4), TDecimal::FromUnits(0, 0));
    EXPECT_GT(TDecimal::FromUnits(100001, 5), TDecimal::FromUnits(1, 0));
    EXPECT_EQ(TDecimal::FromUnits(99999999999, 4).IntegerDigits(), 7);
    EXPECT_TRUE(TDecimal::FromUnits(999999999990000, 4).FitsField(15, 4));   // 11 integer digits
    EXPECT_FALSE(TDecimal::FromUnits(1000000000000000, 4).FitsField(15, 4)); // 12
    EXPECT_DOUBLE_EQ(TDecimal::FromUnits(-32500, 4).ToDouble(), -3.25);
}

TEST(Decimal, FileTextIsReadDigitByDigitAndFitted) {
    auto read = [](std::string_view text, int precision, int places) {
        const auto r = ReadFileDecimal(text, precision, places);
        if (r.status == DecimalReadResult::Status::Null) return std::string("NULL");
        if (r.status == DecimalReadResult::Status::DoesNotFit) return std::string("range");
        return r.value.ToString();
    };
    EXPECT_EQ(read("12,50", 15, 4), "12.0000");
    EXPECT_EQ(read("1 234.5", 15, 4), "1234.5000");
    EXPECT_EQ(read("12.34567", 15, 4), "12.3456");
    EXPECT_EQ(read("-0.99999", 15, 3), "-0.999");
    EXPECT_EQ(read("", 15, 4), "NULL");
    EXPECT_EQ(read("abc", 15, 4), "NULL");
    EXPECT_EQ(read("5-3", 15, 0), "5");
    EXPECT_EQ(read("00000000000000000001", 15, 4), "1.0000"); // leading zeros are no digits of value
    EXPECT_EQ(read("12345678901", 15, 4), "12345678901.0000");
    EXPECT_EQ(read("123456789012", 15, 4), "range");
    EXPECT_EQ(read("12345678901234567", 32, 0), "range");
    EXPECT_EQ(read(std::string(70, '1'), 80, 0), "range");
}

} // namespace
} // namespace quorvel
