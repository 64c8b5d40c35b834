#include "platform/FormatSettings.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(ProgramLocale, WithoutARealLocaleNumbersAndDatesFollowBrazilianPortuguese) {
    const LocaleEnvironment unset[] = {
        {},
        {QString(), QString(), QStringLiteral("C")},
        {QString(), QString(), QStringLiteral("C.UTF-8")},
        {QString(), QString(), QStringLiteral("POSIX")},
        {QString(), QStringLiteral("C"), QStringLiteral("pt_PT.UTF-8")},       // numbers: C
        {QStringLiteral("C.UTF-8"), QString(), QStringLiteral("en_US.UTF-8")}, // LC_ALL wins
    };
    for (const LocaleEnvironment& environment : unset) {
        EXPECT_TRUE(IsUnsetLocale(environment)) << environment.Lang.toStdString();
        const FormatSettings s = FormatSettings::FromLocale(ProgramLocale(environment));
        EXPECT_EQ(s.DecimalSeparator, ',');
        EXPECT_EQ(s.ThousandSeparator, '.');
        EXPECT_EQ(s.ShortDateFormat, QStringLiteral("dd/MM/yyyy"));
    }

    // Any locale the user chose is followed, also one set for numbers alone.
    const LocaleEnvironment chosen[] = {
        {QString(), QString(), QStringLiteral("en_US.UTF-8")},
        {QString(), QStringLiteral("de_DE.UTF-8"), QStringLiteral("C")},
        {QStringLiteral("fr_FR@euro"), QString(), QString()},
        {QString(), QString(), QStringLiteral("Cy_GB")}, // begins with C, is not C
    };
    for (const LocaleEnvironment& environment : chosen) {
        EXPECT_FALSE(IsUnsetLocale(environment)) << environment.Lang.toStdString();
        EXPECT_EQ(ProgramLocale(environment), QLocale::system());
    }
}

} // namespace
} // namespace quorvel
