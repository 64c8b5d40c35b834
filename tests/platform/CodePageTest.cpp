#include "platform/CodePage.h"
#include "platform/FormatSettings.h"

#include <gtest/gtest.h>

#include <iterator>

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

// Bytes 0x80..0x9F, written out from the published Windows-1252 table rather than taken from the
// converter's own table: a round trip alone cannot tell a byte mapped to the wrong character.
TEST(CodePage, HighControlBytesMeanTheirPublishedCharactersBothWays) {
    struct Entry {
        unsigned char byte;
        char16_t ch;
    };
    constexpr Entry kTable[] = {
        {0x80, 0x20AC}, {0x81, 0x0081}, {0x82, 0x201A}, {0x83, 0x0192}, {0x84, 0x201E}, {0x85, 0x2026},
        {0x86, 0x2020}, {0x87, 0x2021}, {0x88, 0x02C6}, {0x89, 0x2030}, {0x8A, 0x0160}, {0x8B, 0x2039},
        {0x8C, 0x0152}, {0x8D, 0x008D}, {0x8E, 0x017D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x91, 0x2018},
        {0x92, 0x2019}, {0x93, 0x201C}, {0x94, 0x201D}, {0x95, 0x2022}, {0x96, 0x2013}, {0x97, 0x2014},
        {0x98, 0x02DC}, {0x99, 0x2122}, {0x9A, 0x0161}, {0x9B, 0x203A}, {0x9C, 0x0153}, {0x9D, 0x009D},
        {0x9E, 0x017E}, {0x9F, 0x0178}};
    static_assert(std::size(kTable) == 32);
    for (const Entry& e : kTable) {
        SCOPED_TRACE(e.byte);
        const std::string byte(1, static_cast<char>(e.byte));
        const QString text(QChar(e.ch));
        EXPECT_EQ(Cp1252ToUnicode(e.byte), e.ch);
        EXPECT_EQ(static_cast<unsigned char>(UnicodeToCp1252(e.ch)), e.byte);
        EXPECT_EQ(Cp1252ToQString(byte), text);
        EXPECT_EQ(QStringToCp1252(text), byte);
        EXPECT_EQ(Cp1252ToUtf8(byte), text.toUtf8().toStdString());
        EXPECT_EQ(Utf8ToCp1252(text.toUtf8().toStdString()), byte);
    }
    // Neighbours of the mapped characters are not in the code page.
    for (const char32_t ch : {U'\u2012', U'\u2015', U'\u20AB', U'\u20AD', U'\u0193', U'\u2121', U'\u02C7'})
        EXPECT_EQ(UnicodeToCp1252(ch), kCodePageDefaultChar) << static_cast<unsigned>(ch);
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
