#include "platform/NumberParse.h"

#include <QString>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace quorvel {
namespace {

TEST(PlainNumber, TakesSignDigitsTheGivenSeparatorAndAnExponentAndNothingElse) {
    const struct {
        const char* text;
        double value;
    } accepted[] = {
        {"12,5", 12.5}, {"-3", -3},        {"+0,25", 0.25},   {",5", 0.5},       {"7,", 7},
        {"1E3", 1000},  {"2,5e-2", 0.025}, {"-1,5E+2", -150}, {"0009,100", 9.1}, {"2e-320", 2e-320},
    };
    for (const auto& c : accepted) {
        ASSERT_TRUE(IsPlainNumber(c.text, ',')) << c.text;
        const std::optional<double> v = ParsePlainNumber(std::string_view(c.text), ',');
        ASSERT_TRUE(v) << c.text;
        EXPECT_DOUBLE_EQ(*v, c.value) << c.text;
    }
    // The separator is the caller's: with "." a comma is foreign, and the other way round.
    EXPECT_EQ(ParsePlainNumber(std::string_view("12.5"), '.'), 12.5);
    const char* refused[] = {"",    "+",  "-",    ",",   "1.5", "1,5,0", "1.000,5", " 1",  "1 ",   "1e",
                             "1e+", "e5", "0x10", "inf", "nan", "1,5x",  "--1",     "+-1", "1e5,0"};
    for (const char* text : refused) {
        EXPECT_FALSE(IsPlainNumber(text, ',')) << text;
        EXPECT_FALSE(ParsePlainNumber(std::string_view(text), ',')) << text;
    }
    // Beyond a double either way is refused, not turned into infinity or zero.
    EXPECT_FALSE(ParsePlainNumber(std::string_view("1e999"), ','));
    EXPECT_FALSE(ParsePlainNumber(std::string_view("-1e999"), ','));
    EXPECT_FALSE(ParsePlainNumber(std::string_view("1e-999"), ','));
    // A long run of zeros is still one number.
    EXPECT_EQ(ParsePlainNumber(std::string_view(std::string(100, '0') + "1,5"), ','), 1.5);
    // Taken apart for exact decimals: the digits as written and the power of ten they stand at.
    const std::optional<PlainNumberParts> parts = SplitPlainNumber("-012,50e1", ',');
    ASSERT_TRUE(parts);
    EXPECT_TRUE(parts->Negative);
    EXPECT_EQ(parts->Digits, "01250");
    EXPECT_EQ(parts->Exponent, -1);
    EXPECT_EQ(SplitPlainNumber("7", ',')->Exponent, 0);
    EXPECT_EQ(SplitPlainNumber("1e-99999999999", ',')->Exponent, -1'000'000);
    EXPECT_FALSE(SplitPlainNumber("1,2,3", ','));
    // Screen text: other scripts' digits and spaces are not plain numbers.
    EXPECT_EQ(ParsePlainNumber(QStringView(u"3,75"), ','), 3.75);
    EXPECT_FALSE(ParsePlainNumber(QStringView(u"\u0663"), ','));
    EXPECT_FALSE(ParsePlainNumber(QStringView(u"1\u00A0000"), ','));
}

TEST(WholeNumber, TakesOnlySignAndDigitsWithinTheCallersRange) {
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(ParseWholeNumber(std::string_view("42")), 42);
    EXPECT_EQ(ParseWholeNumber(std::string_view("+7")), 7);
    EXPECT_EQ(ParseWholeNumber(std::string_view("-0")), 0);
    EXPECT_EQ(ParseWholeNumber(std::string_view("007")), 7);
    EXPECT_EQ(ParseWholeNumber(std::string_view("9223372036854775807")), kMax);
    EXPECT_EQ(ParseWholeNumber(std::string_view("-9223372036854775808")), kMin);
    for (const char* text :
         {"9223372036854775808", "-9223372036854775809", "18446744073709551616", "99999999999999999999999",
          "", "-", "1.0", "1,0", "1e3", " 1", "1 ", "0x1F", "1-"})
        EXPECT_FALSE(ParseWholeNumber(std::string_view(text))) << text;
    // The bounds are inclusive, also at the extremes of a 32-bit integer.
    EXPECT_EQ(ParseWholeNumber(std::string_view("10"), 10, 1200), 10);
    EXPECT_EQ(ParseWholeNumber(std::string_view("1200"), 10, 1200), 1200);
    EXPECT_FALSE(ParseWholeNumber(std::string_view("9"), 10, 1200));
    EXPECT_FALSE(ParseWholeNumber(std::string_view("1201"), 10, 1200));
    EXPECT_EQ(ParseWholeNumber(QStringView(u"-2147483648"), INT32_MIN, INT32_MAX), INT32_MIN);
    EXPECT_FALSE(ParseWholeNumber(QStringView(u"2147483648"), INT32_MIN, INT32_MAX));
    EXPECT_FALSE(ParseWholeNumber(QStringView(u"-0"), 1, 5));
    EXPECT_FALSE(ParseWholeNumber(QStringView(u"\uFF11"))); // a full-width digit
    // The int variant keeps the extremes of an int and refuses what would wrap around.
    EXPECT_EQ(ParseWholeInt(u"2147483647"), std::numeric_limits<int>::max());
    EXPECT_EQ(ParseWholeInt(u"-2147483648"), std::numeric_limits<int>::min());
    EXPECT_EQ(ParseWholeInt(u"+12"), 12);
    for (const char16_t* text : {u"2147483648", u"-2147483649", u"4294967297", u"", u" 3", u"3 ", u"3a"})
        EXPECT_FALSE(ParseWholeInt(text)) << QStringView(text).toString().toStdString();
}

TEST(LeadingNumbers, ReadWhatATextStartsWithAndSayHowFarTheyRead) {
    auto integer = ReadLeadingInteger("-123abc");
    ASSERT_TRUE(integer);
    EXPECT_TRUE(integer->Negative);
    EXPECT_EQ(integer->Magnitude, 123u);
    EXPECT_EQ(integer->Length, 4u);
    EXPECT_FALSE(integer->Overflow);

    integer = ReadLeadingInteger("18446744073709551615");
    ASSERT_TRUE(integer);
    EXPECT_EQ(integer->Magnitude, 18446744073709551615ull);
    EXPECT_FALSE(integer->Overflow);
    integer = ReadLeadingInteger("184467440737095516160 ");
    ASSERT_TRUE(integer);
    EXPECT_EQ(integer->Magnitude, 18446744073709551615ull);
    EXPECT_TRUE(integer->Overflow);
    EXPECT_EQ(integer->Length, 21u);
    EXPECT_FALSE(ReadLeadingInteger("+x"));
    EXPECT_FALSE(ReadLeadingInteger(" 1")); // callers skip their own blanks

    EXPECT_EQ(ReadLeadingFloat("+1.5xyz"), 1.5);
    EXPECT_EQ(ReadLeadingFloat("-2e3 "), -2000);
    EXPECT_EQ(ReadLeadingFloat("inf"), HUGE_VAL);
    EXPECT_TRUE(std::isnan(*ReadLeadingFloat("nan")));
    EXPECT_FALSE(ReadLeadingFloat("abc"));
    EXPECT_FALSE(ReadLeadingFloat(""));
    // Beyond a double: infinity for a huge magnitude, zero for a tiny one, however it is written.
    EXPECT_EQ(ReadLeadingFloat("1e999"), HUGE_VAL);
    EXPECT_EQ(ReadLeadingFloat("-1e999"), -HUGE_VAL);
    EXPECT_EQ(ReadLeadingFloat("1e-999"), 0.0);
    EXPECT_EQ(ReadLeadingFloat("1" + std::string(400, '0')), HUGE_VAL);
    EXPECT_EQ(ReadLeadingFloat("-1" + std::string(400, '0') + ".5e-2"), -HUGE_VAL);
    EXPECT_EQ(ReadLeadingFloat("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(ReadLeadingFloat("0.001e-99999999999999999999"), 0.0);
    EXPECT_EQ(ReadLeadingFloat("1e-999 e5"), 0.0);
}

} // namespace
} // namespace quorvel
