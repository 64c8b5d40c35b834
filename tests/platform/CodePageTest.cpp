#include "platform/CodePage.h"
#include "platform/FormatSettings.h"

#include <gtest/gtest.h>

namespace quorvel {

TEST(CodePage, EveryByteRoundTripsThroughUtf16AndUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(QStringToCp1252(Cp1252ToQString(all)), all);
    const std::string utf8 = Cp1252ToUtf8(all);
    ASSERT_TRUE(IsValidUtf8Bmp(utf8));
    EXPECT_EQ(Utf8ToCp1252(utf8), all);
}

TEST(CodePage, PortugueseLettersAndEuroMapToTheirBytes) {
    EXPECT_EQ(QStringToCp1252(QStringLiteral("Preço")), "Pre\xE7o");
    EXPECT_EQ(Cp1252ToUtf8("Pre\xE7o"), "Pre\xC3\xA7o");
    EXPECT_EQ(Cp1252ToQString("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(QStringToCp1252(QString(QChar(0x20AC))), "\x80");
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(QStringToCp1252(QStringLiteral("a\u4E2Db")), "a?b");
    EXPECT_EQ(QStringToCp1252(QString::fromUtf8("x\xF0\x9F\x98\x80y")), "x?y"); // one ? per character
    EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");
}

TEST(CodePage, Utf8ValidityAcceptsOnlyOneToThreeByteSequences) {
    EXPECT_TRUE(IsValidUtf8Bmp("plain"));
    EXPECT_TRUE(IsValidUtf8Bmp("\xC3\xA7"));
    EXPECT_FALSE(IsValidUtf8Bmp("\xE7"));             // lone code-page byte
    EXPECT_FALSE(IsValidUtf8Bmp("\xC1\x81"));         // overlong lead
    EXPECT_FALSE(IsValidUtf8Bmp("\xE0\x80\x80"));     // E0 needs A0..BF
    EXPECT_FALSE(IsValidUtf8Bmp("\xF0\x9F\x98\x80")); // four-byte sequence
    EXPECT_FALSE(IsValidUtf8Bmp("\xC3"));             // cut sequence
}

TEST(CodePage, BrokenUtf8BytesBecomeBlanks) {
    EXPECT_EQ(Utf8ToCp1252("a\xFF"
                           "b"),
              "a b");
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a ");
    EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80"), "    ");
}

TEST(FormatSettings, BrazilianSeparators) {
    const FormatSettings s = FormatSettings::FromLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    EXPECT_EQ(s.DecimalSeparator, ',');
    EXPECT_EQ(s.ThousandSeparator, '.');
    EXPECT_EQ(FormatSettings::FromLocale().DecimalSeparator, ','); // the suite pins pt_BR
}

} // namespace quorvel
