#include "PacketFixtures.h"

#include "platform/Exceptions.h"
#include "store/Packet.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using testing::kDeclaration;
using testing::kItemTableFieldsXml;
using testing::ProposalItemFields;
using testing::ReadXml;

const char* const kSmallFields =
    "<FIELDS><FIELD attrname=\"n\" fieldtype=\"i4\"/><FIELD attrname=\"s\" "
    "fieldtype=\"string\" WIDTH=\"30\"/><FIELD attrname=\"p\" fieldtype=\"fixed\" "
    "DECIMALS=\"4\" WIDTH=\"15\"/><FIELD attrname=\"m\" fieldtype=\"bin.hex\" "
    "SUBTYPE=\"Text\"/></FIELDS>";

// A document over the four small fields with the given ROWDATA content.
std::string WithRows(const std::string& rows) {
    return std::string(kDeclaration) + "<DATAPACKET Version=\"2.0\"><METADATA>" + kSmallFields +
           "<PARAMS/></METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

FieldValue Value(const Datapacket& p, size_t row, size_t field) {
    return ValueOf(p.rows.at(row).values.at(field));
}

std::string Text(const Datapacket& p, size_t row, size_t field) {
    return std::get<std::string>(Value(p, row, field));
}

TEST(PacketXmlReader, ToleratesMissingRootCommentsDeclarationsAndBlanks) {
    const std::string text =
        "\r\n\t <!-- organiser --><?xml version=\"1.0\"?><!-- again -->\n<METADATA>"
        "<FIELDS>\n<!-- c --><FIELD attrname=\"n\" fieldtype=\"I4\"/>\n</FIELDS><PARAMS/>"
        "</METADATA>\n<ROWDATA><ROW n = \"5\"/><ROWx n=\"6\"></ROWx></ROWDATA >";
    const Datapacket p = ReadXml(text);
    ASSERT_EQ(p.fields.size(), 1u);
    EXPECT_EQ(p.fields[0].type, PacketType::I4);
    ASSERT_EQ(p.rows.size(), 2u);
    EXPECT_EQ(std::get<std::int64_t>(Value(p, 0, 0)), 5);
    EXPECT_EQ(std::get<std::int64_t>(Value(p, 1, 0)), 6);
}

TEST(PacketXmlReader, DecodesEntitiesByTheirFirstLetters) {
    const Datapacket p = ReadXml(WithRows("<ROW s=\"A&#60;B\"/><ROW s=\"A&lt;B\"/><ROW s=\"R&D\"/>"
                                          "<ROW s=\"&#x41;&#231;&apos;&quot;&gt;&amp;x\"/><ROW s=\"&#321;\"/>"
                                          "<ROW m=\"a&#013;&#010;b\"/>"));
    EXPECT_EQ(Text(p, 0, 1), "A<B");
    EXPECT_EQ(Text(p, 1, 1), "A<B");
    EXPECT_EQ(Text(p, 2, 1), "R&D");
    EXPECT_EQ(Text(p, 3, 1), "A\xE7'\">&x");
    EXPECT_EQ(Text(p, 4, 1), "A"); // 321 keeps its low 8 bits, 0x41
    EXPECT_EQ(Text(p, 5, 3), "a\r\nb");
}

TEST(PacketXmlReader, ReadsNumbersByTheirLeadingCharacters) {
    const Datapacket p =
        ReadXml(WithRows("<ROW n=\"12abc\" p=\"12,50\"/><ROW n=\"\" p=\"\"/><ROW n=\"x1\" "
                         "p=\"1 234.5\"/><ROW n=\"-7\" p=\"12.34567\"/><ROW p=\"-0.5.25\"/>"));
    EXPECT_EQ(std::get<std::int64_t>(Value(p, 0, 0)), 12);
    EXPECT_EQ(std::get<TDecimal>(Value(p, 0, 2)).ToString(), "12.0000");
    EXPECT_TRUE(IsNull(Value(p, 1, 0)));
    EXPECT_TRUE(IsNull(Value(p, 1, 2)));
    EXPECT_TRUE(IsNull(Value(p, 2, 0)));
    EXPECT_EQ(std::get<TDecimal>(Value(p, 2, 2)).ToString(), "1234.5000");
    EXPECT_EQ(std::get<std::int64_t>(Value(p, 3, 0)), -7);
    EXPECT_EQ(std::get<TDecimal>(Value(p, 3, 2)).ToString(), "12.3456");
    EXPECT_EQ(std::get<TDecimal>(Value(p, 4, 2)).ToString(), "-5.2500"); // the last point counts
}

TEST(PacketXmlReader, CutsLongStringsAndStopsAtABrokenAttribute) {
    const std::string longBrand(35, 'M');
    const Datapacket p = ReadXml(WithRows("<ROW s=\"" + longBrand +
                                          "\"/><ROW n=\"1\" s=bad p=\"2\"/>"
                                          "<ROW n=\"3\" junk p=\"4\"/>"));
    EXPECT_EQ(Text(p, 0, 1), std::string(30, 'M'));
    EXPECT_EQ(std::get<std::int64_t>(Value(p, 1, 0)), 1);
    EXPECT_TRUE(IsNull(Value(p, 1, 1)));
    EXPECT_TRUE(IsNull(Value(p, 1, 2)));
    EXPECT_EQ(std::get<std::int64_t>(Value(p, 2, 0)), 3);
    EXPECT_TRUE(IsNull(Value(p, 2, 2)));
}

TEST(PacketXmlReader, UnknownRowAttributesAreDroppedOnSave) {
    const Datapacket p = ReadXml(WithRows("<ROW extra=\"1\" n=\"2\" RowState=\"4\"/>"));
    EXPECT_EQ(p.rows[0].rowState, 4);
    const std::string written = WriteDatapacketXml(p);
    EXPECT_NE(written.find("<ROW RowState=\"4\" n=\"2\"/>"), std::string::npos);
    EXPECT_EQ(written.find("extra"), std::string::npos);
}

TEST(PacketXmlReader, Utf8IsDecodedOnlyWhenDeclaredAndValidOrMarked) {
    const std::string body = std::string("<DATAPACKET Version=\"2.0\"><METADATA>") + kSmallFields +
                             "<PARAMS/></METADATA><ROWDATA><ROW s=\"Pre\xC3\xA7o\"/></ROWDATA></DATAPACKET>";
    const std::string declared = "<?xml version=\"1.0\" ENCODING='utf-8' standalone=\"yes\"?>" + body;
    EXPECT_EQ(Text(ReadXml(declared), 0, 1), "Pre\xE7o");
    EXPECT_EQ(Text(ReadXml("\xEF\xBB\xBF" + body), 0, 1), "Pre\xE7o");
    // Not declared: the two bytes are code-page characters.
    EXPECT_EQ(Text(ReadXml(body), 0, 1), "Pre\xC3\xA7o");
    // Declared but not valid UTF-8: a lone 0xE7 is read as the code page's "ç".
    std::string invalid = declared;
    invalid.replace(invalid.find("\xC3\xA7"), 2, "\xE7");
    EXPECT_EQ(Text(ReadXml(invalid), 0, 1), "Pre\xE7o");
}

TEST(PacketXmlReader, Base64SkipsLineBreaksAndOtherCharacters) {
    const std::string text =
        "<METADATA><FIELDS><FIELD attrname=\"b\" fieldtype=\"bin.hex\" SUBTYPE=\"Binary\"/>"
        "</FIELDS><PARAMS/></METADATA><ROWDATA><ROW b=\" AP9o&#013;&#010;aQ==\"/>"
        "<ROW b=\"\"/></ROWDATA>";
    const Datapacket p = ReadXml(text);
    EXPECT_EQ(Text(p, 0, 0), std::string("\x00\xFFhi", 4));
    EXPECT_EQ(Text(p, 1, 0), "");
}

TEST(PacketXmlReader, Utf8ModeConvertsNamesAndParametersToo) {
    Datapacket packet;
    FieldDef f;
    f.name = "pre\xE7o";
    f.type = PacketType::String;
    f.width = 10;
    packet.fields.push_back(f);
    packet.params.push_back({"ORG\xC3O", PacketType::String, std::string("S\xE3o Paulo")});
    packet.rows.push_back({0, {std::string("\xE9")}});
    const std::string utf8 = WriteDatapacketXml(packet, XmlTextMode::Utf8);
    EXPECT_NE(utf8.find("<FIELD attrname=\"pre\xC3\xA7o\" fieldtype=\"string\" WIDTH=\"10\"/>"),
              std::string::npos);
    EXPECT_NE(utf8.find("<PARAMS ORG\xC3\x83O=\"S\xC3\xA3o Paulo\"/>"), std::string::npos);
    EXPECT_NE(utf8.find("<ROW pre\xC3\xA7o=\"\xC3\xA9\"/>"), std::string::npos);
    EXPECT_EQ(ReadXml(utf8), packet);
}

TEST(PacketXmlReader, EmptyTableKeepsItsFields) {
    const std::string text = std::string(kDeclaration) + "<DATAPACKET Version=\"2.0\"><METADATA>" +
                             kItemTableFieldsXml + "<PARAMS/></METADATA><ROWDATA/></DATAPACKET>";
    const Datapacket p = ReadXml(text);
    EXPECT_EQ(p.fields, ProposalItemFields());
    EXPECT_TRUE(p.rows.empty());
    EXPECT_TRUE(WriteDatapacketXml(p).ends_with("</METADATA><ROWDATA></ROWDATA></DATAPACKET>"));
}

TEST(PacketXmlReader, NothingAfterTheRootIsRead) {
    const Datapacket p = ReadXml(WithRows("<ROW n=\"1\"/>") + "<garbage <<< \"");
    EXPECT_EQ(p.rows.size(), 1u);
}

int ErrorCodeOf(const std::string& text) {
    try {
        ReadXml(text);
    } catch (const EStoreError& e) {
        EXPECT_TRUE(e.Message().isEmpty());
        return e.ErrorCode();
    }
    return 0;
}

std::string Doc(const std::string& fields, const std::string& params = "<PARAMS/>",
                const std::string& rows = "") {
    return "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields + "</FIELDS>" + params +
           "</METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

TEST(PacketXmlReader, MalformedDocumentsFailWithTheirCodes) {
    const std::string i4 = "<FIELD attrname=\"n\" fieldtype=\"i4\"/>";
    struct Case {
        std::string text;
        int code;
    };
    const std::vector<Case> cases = {
        {"x" + Doc(i4), 0x4005},                                             // first byte is not "<"
        {"", 0x4005},                                                        // nothing at all
        {"<?xml version=\"1.0\"", 0x4005},                                   // declaration to the end
        {"<!-- open " + Doc(i4), 0x4005},                                    // comment to the end
        {"<DATAPACKET><FIELDS>" + i4 + "</FIELDS></DATAPACKET>", 0x4005},    // neither METADATA nor ROWDATA
        {"<DATAPACKET><METADATA><PARAMS/></METADATA></DATAPACKET>", 0x4005}, // METADATA without FIELDS
        {Doc("<FIELD fieldtype=\"i4\"/>"), 0x4005},                          // neither attrname nor tagname
        {Doc(i4, "<PARAMS><PARAM Value=\"1\"/></PARAMS>"), 0x4005},          // PARAM without Name
        {Doc(i4, "<PARAMS><PARAM Name=\"X\"/></PARAMS>"), 0x4005},           // PARAM without Value
        {Doc(i4, "<PARAMS/>", "<ROW n=\"1\""), 0x4005},                      // tag not closed
        {Doc(i4, "<PARAMS/>", "<ROW n=\"1></ROWDATA>"), 0x4005},             // value runs to the end
        {Doc(i4, "<PARAMS></PARAM>"), 0x4005},                               // end tag does not match
        {Doc(i4, "<PARAMS/>", "<RECORD n=\"1\"/>"), 0x4005},                 // not a ROW element
        {Doc(""), 0x4005},                                                   // no FIELD at all
        {"<ROWDATA><ROW/></ROWDATA>", 0x4005},                               // rows without fields
        {Doc("<FIELD attrname=\"n\"/>"), 0x2710},                            // no fieldtype
        {Doc("<FIELD attrname=\"n\" fieldtype=\"money\"/>"), 0x2710},        // unknown fieldtype
        {Doc("<FIELD attrname=\"s\" fieldtype=\"string\"/>"), 0x2702},       // string without WIDTH
        {Doc("<FIELD attrname=\"b\" fieldtype=\"bin.hex\"/>"), 0x2702},      // fixed binary without WIDTH
        {Doc("<FIELD attrname=\"n\" fieldtype=\"i4\"><PARAM Name=\"SUBTYPE\" Value=\"1\" "
             "Type=\"i4\"/></FIELD>"),
         0x2702}, // SUBTYPE not text
        {Doc("<FIELD attrname=\"p\" fieldtype=\"fixed\" DECIMALS=\"4\" WIDTH=\"15\"/>", "<PARAMS/>",
             "<ROW p=\"123456789012.5\"/>"),
         0x2701}, // 12 integer digits in a 15-digit field with 4 places
        {Doc("<FIELD attrname=\"p\" fieldtype=\"fixed\" DECIMALS=\"0\" WIDTH=\"32\"/>", "<PARAMS/>",
             "<ROW p=\"12345678901234567\"/>"),
         0x2701}, // more than 16 digits before the point
        {Doc("<FIELD attrname=\"p\" fieldtype=\"fixed\"/>", "<PARAMS/>", "<ROW p=\"10\"/>"),
         0x2701}, // without WIDTH a single digit
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorCodeOf(c.text), c.code) << c.text;
    EXPECT_EQ(ErrorCodeOf(Doc("<FIELD attrname=\"p\" fieldtype=\"fixed\"/>", "<PARAMS/>", "<ROW p=\"9\"/>")),
              0);
}

TEST(PacketXmlReader, MoreThanSixtyThreeTablesFail) {
    auto nested = [](int depth) {
        std::string fields = "<FIELD attrname=\"n\" fieldtype=\"i4\"/>";
        for (int i = 0; i < depth; ++i)
            fields = "<FIELD attrname=\"t\" fieldtype=\"nested\"><FIELDS>" + fields + "</FIELDS></FIELD>";
        return fields;
    };
    EXPECT_EQ(ErrorCodeOf(Doc(nested(62))), 0);
    EXPECT_EQ(ErrorCodeOf(Doc(nested(63))), 0x2A04);
}

TEST(PacketXmlReader, ErrorsCarryTheOffsetWhereReadingStopped) {
    const std::string text =
        Doc("<FIELD attrname=\"n\" fieldtype=\"i4\"/>", "<PARAMS/>", "<ROW n=\"1\"/><BAD/>");
    try {
        ReadXml(text);
        FAIL() << "no error";
    } catch (const EStoreError& e) {
        EXPECT_EQ(e.ErrorCode(), 0x4005);
        EXPECT_EQ(e.Offset(), static_cast<long long>(text.find("<BAD/>") + 4));
    }
}

} // namespace
} // namespace quorvel
