#include "platform/Collation.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvel {
namespace {

TEST(Collation, PortugueseOrderPutsAccentedLettersWithTheirBaseLetter) {
    const TextCollator collator;
    QStringList words{"zebra",  "ácido", "Abacaxi", "abacaxi", "ação",
                      "acesso", "Éter",  "era",     "çarpa",   "casa"};
    std::sort(words.begin(), words.end(),
              [&](const QString& a, const QString& b) { return collator.Compare(a, b) < 0; });
    EXPECT_EQ(words, (QStringList{"abacaxi", "Abacaxi", "ação", "acesso", "ácido", "çarpa", "casa", "era",
                                  "Éter", "zebra"}));
}

TEST(Collation, CaseSensitiveUnlessAskedOtherwise) {
    EXPECT_NE(TextCollator().Compare(QStringLiteral("Caneta"), QStringLiteral("caneta")), 0);
    const TextCollator insensitive(QLocale(QLocale::Portuguese, QLocale::Brazil), LetterCase::Insensitive);
    EXPECT_EQ(insensitive.Compare(QStringLiteral("Caneta"), QStringLiteral("caneta")), 0);
    // Code-page texts compare as their letters, not as their bytes (0xE1 'á' sorts before 'b').
    EXPECT_LT(TextCollator().Compare(std::string_view("\xE1gua"), std::string_view("bola")), 0);
}

TEST(Collation, LocaleIdentifiersMapToKnownLocalesOnly) {
    ASSERT_TRUE(LocaleFromLcid(1046));
    EXPECT_EQ(LocaleFromLcid(1046)->name(), QStringLiteral("pt_BR"));
    EXPECT_EQ(LocaleFromLcid(0x0409)->name(), QStringLiteral("en_US"));
    EXPECT_FALSE(LocaleFromLcid(0));
    EXPECT_FALSE(LocaleFromLcid(0x7FFF));
}

TEST(Collation, PrefixMatchIgnoresCaseOfPlainAndAccentedLetters) {
    EXPECT_TRUE(StartsWithIgnoringCase(QStringLiteral("CANETA esferográfica"), QStringLiteral("ca")));
    EXPECT_TRUE(StartsWithIgnoringCase(QStringLiteral("ÉPOCA"), QStringLiteral("ép")));
    EXPECT_TRUE(StartsWithIgnoringCase(std::string_view("\xC1GUA MINERAL"), std::string_view("\xE1gua")));
    EXPECT_TRUE(StartsWithIgnoringCase(QStringLiteral("x"), QString()));
    EXPECT_FALSE(StartsWithIgnoringCase(QStringLiteral("ca"), QStringLiteral("cad")));
    EXPECT_FALSE(StartsWithIgnoringCase(QStringLiteral("Epoca"), QStringLiteral("ép")));
    EXPECT_TRUE(EqualsIgnoringCase(std::string_view("A\xC7\xC3O"), std::string_view("a\xE7\xE3o")));
    EXPECT_FALSE(EqualsIgnoringCase(std::string_view("ab"), std::string_view("abc")));
}

} // namespace
} // namespace quorvel
