#include "platform/NumberFormat.h"
#include "platform/FormatSettings.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace quorvel {
namespace {

// The digits and exponent printf's "%.17e" gives, trailing zeros dropped: what a displayed number
// was always made from.
NumberDigits PrintfDigits(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17e", value);
    NumberDigits n;
    const char* p = buffer;
    if (*p == '-') {
        n.Negative = true;
        ++p;
    }
    for (; *p != 'e'; ++p)
        if (*p != '.') n.Digits.push_back(*p);
    n.Exponent = std::atoi(p + 1) + 1;
    while (!n.Digits.empty() && n.Digits.back() == '0')
        n.Digits.pop_back();
    return n;
}

TEST(NumberDigits, AFloatGivesPrintfsEighteenSignificantDigits) {
    std::vector<double> values = {1.0,
                                  -1.0,
                                  0.1,
                                  1234.5678,
                                  811.8,
                                  1e22,
                                  1e-300,
                                  5e-324,
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::max(),
                                  -std::numeric_limits<double>::max(),
                                  0.30000000000000004,
                                  9007199254740993.0};
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 20000; ++i) {
        const double value = std::bit_cast<double>(random());
        if (std::isfinite(value) && value != 0) values.push_back(value);
        values.push_back(static_cast<double>(random() % 100000000) / 10000.0); // prices with four places
    }
    for (const double value : values) {
        if (value == 0) continue;
        const NumberDigits expected = PrintfDigits(value);
        const NumberDigits got = NumberDigits::FromDouble(value);
        ASSERT_EQ(got.Digits, expected.Digits) << value;
        ASSERT_EQ(got.Exponent, expected.Exponent) << value;
        ASSERT_EQ(got.Negative, expected.Negative) << value;
    }
}

TEST(FormatSettings, TheCurrentSettingsFollowAChangeOfTheDefaultLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    EXPECT_EQ(FormatSettings::Current().DecimalSeparator, ',');
    EXPECT_EQ(FormatSettings::Current().ShortDateFormat, QStringLiteral("dd/MM/yyyy"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(FormatSettings::Current().DecimalSeparator, '.');
    EXPECT_EQ(FormatSettings::Current().ThousandSeparator, ',');
    EXPECT_EQ(FormatSettings::Current().ShortDateFormat, FormatSettings::FromLocale().ShortDateFormat);
    QLocale::setDefault(saved);
    EXPECT_EQ(FormatSettings::Current().DecimalSeparator, FormatSettings::FromLocale(saved).DecimalSeparator);
}

} // namespace
} // namespace quorvel
