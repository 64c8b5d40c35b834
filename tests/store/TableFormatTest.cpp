#include "store/DecimalText.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

FormatSettings Brazil() {
    FormatSettings s;
    s.DecimalSeparator = ',';
    s.ThousandSeparator = '.';
    return s;
}

std::string Float(std::string_view format, double value) {
    return FormatNumber(format, NumberDigits::FromDouble(value), Brazil());
}

std::string Exact(std::string_view format, const char* text, int places) {
    const DecimalReadResult read = ReadFileDecimal(text, 15, places);
    EXPECT_EQ(read.status, DecimalReadResult::Status::Ok) << text;
    return FormatNumber(format, DecimalDigits(read.value), Brazil());
}

TEST(TableDisplayFormat, GroupingPlacesAndRounding) {
    EXPECT_EQ(Float(",0.00", 1234.5), "1.234,50");
    EXPECT_EQ(Float(",0.00", 0.5), "0,50");
    EXPECT_EQ(Float(",0.00", 0.125), "0,13");
    EXPECT_EQ(Float(",0.00", -0.5), "-0,50");
    EXPECT_EQ(Float(",0.00", 999.999), "1.000,00");
    EXPECT_EQ(Float(",0.0000", 12.3), "12,3000");
    EXPECT_EQ(Float("###,##0.00", 1234567.891), "1.234.567,89");
    EXPECT_EQ(Float("###,##0.00", 0), "0,00");
    EXPECT_EQ(Float(",0.00", -1234567.5), "-1.234.567,50");
    EXPECT_EQ(Float(",0.00", 100), "100,00");
    EXPECT_EQ(Float(",0.00", 1000), "1.000,00");
}

TEST(TableDisplayFormat, FloatRoundsOnItsExpansionExactDecimalOnItsDigits) {
    // 2.675 as a double is slightly below 2.675; the exact decimal is not.
    EXPECT_EQ(Float(",0.00", 2.675), "2,67");
    EXPECT_EQ(Exact(",0.00", "2.6750", 4), "2,68");
    EXPECT_EQ(Exact(",0.00", "-2.6750", 4), "-2,68");
    EXPECT_EQ(Exact(",0.0000", "12345.6000", 4), "12.345,6000");
    EXPECT_EQ(Exact(",0.00", "-0.0040", 4), "0,00");
}

TEST(TableDisplayFormat, OptionalDigitsSectionsAndLiterals) {
    EXPECT_EQ(Float("#.##", 1), "1");
    EXPECT_EQ(Float("#.##", 1.5), "1,5");
    EXPECT_EQ(Float("#.##", 0.25), ",25");
    EXPECT_EQ(Float("0.00;(0.00);'zero'", -3.5), "(3,50)");
    EXPECT_EQ(Float("0.00;(0.00);'zero'", 0.001), "zero");
    EXPECT_EQ(Float("R$ ,0.00", 1500), "R$ 1.500,00");
    EXPECT_EQ(Float("000", 7), "007");
    EXPECT_EQ(Float("0", 12345), "12345");
    EXPECT_EQ(Float("0.00E+00", 1234.5), "1,23E+03");
}

TEST(TableDisplayFormat, PlainTexts) {
    const FormatSettings s = Brazil();
    EXPECT_EQ(FloatToPlainText(12.5, s), "12,5");
    EXPECT_EQ(FloatToPlainText(0.1 + 0.2, s), "0,3");
    EXPECT_EQ(FloatToPlainText(-3, s), "-3");
    EXPECT_EQ(FloatToPlainText(1e20, s), "1E20");
    EXPECT_EQ(DecimalPlainText(TDecimal::FromUnits(125000, 4), s.DecimalSeparator), "12,5");
    EXPECT_EQ(DecimalPlainText(TDecimal::FromUnits(0, 4), s.DecimalSeparator), "0");
    EXPECT_EQ(DecimalPlainText(TDecimal::FromUnits(-32500, 4), s.DecimalSeparator), "-3,25");
}

} // namespace
} // namespace quorvel
