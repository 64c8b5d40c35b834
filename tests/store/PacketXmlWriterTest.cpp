#include "PacketFixtures.h"

#include "platform/Exceptions.h"
#include "store/Packet.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using testing::ItemRow;
using testing::kDeclaration;
using testing::kItemTableFieldsXml;
using testing::ProposalItemFields;
using testing::ReadXml;

TEST(PacketXmlWriter, EmptyItemTableIsWrittenByteForByte) {
    Datapacket packet;
    packet.fields = ProposalItemFields();
    const std::string expected = std::string(kDeclaration) + "<DATAPACKET Version=\"2.0\"><METADATA>" +
                                 kItemTableFieldsXml + "<PARAMS/></METADATA><ROWDATA></ROWDATA></DATAPACKET>";
    const std::string written = WriteDatapacketXml(packet);
    EXPECT_EQ(written, expected);

    const Datapacket back = ReadXml(written);
    EXPECT_EQ(back.fields, packet.fields);
    EXPECT_TRUE(back.rows.empty());
    EXPECT_EQ(WriteDatapacketXml(back), expected);
}

TEST(PacketXmlWriter, RowValuesFollowFieldOrderWithStateFirstAndNullsLeftOut) {
    Datapacket packet;
    packet.fields = ProposalItemFields();
    PacketRow row = ItemRow(packet.fields, 7,
                            "Caneta esferogr\xE1"
                            "fica azul",
                            100000, 0);
    row.values.Set(9, std::string("Linha 1\r\nO 'melhor'"));
    row.values.Set(10, TDecimal::FromUnits(125000, 4));
    row.values.Set(11, std::string());
    packet.rows.push_back(row);
    PacketRow second = ItemRow(packet.fields, 8, "L\xE1pis", -3250, -1);
    second.rowState = kRowInserted;
    packet.rows.push_back(second);

    const std::string written = WriteDatapacketXml(packet);
    const std::string rows = written.substr(written.find("<ROWDATA>"));
    EXPECT_EQ(
        rows,
        "<ROWDATA>"
        "<ROW id_item=\"7\" numitem=\"7\" descr_item=\"Caneta esferogr\xE1"
        "fica azul\" compl_descr=\"Linha 1&#013;&#010;O &apos;melhor&apos;\" valor=\"12.5000\" marca=\"\" "
        "qtde=\"100.000\" preco_ini=\"0.0000\"/>"
        "<ROW RowState=\"4\" id_item=\"8\" numitem=\"8\" descr_item=\"L\xE1pis\" qtde=\"-3.250\"/>"
        "</ROWDATA></DATAPACKET>");
    EXPECT_EQ(written.find('\n'), std::string::npos);

    const Datapacket back = ReadXml(written);
    ASSERT_EQ(back.rows.size(), 2u);
    EXPECT_EQ(back.rows[0], packet.rows[0]);
    EXPECT_EQ(back.rows[1], packet.rows[1]);
    EXPECT_TRUE(IsNull(back.rows[1].values[18])); // never typed: stays NULL
    EXPECT_EQ(std::get<std::string_view>(back.rows[0].values[11]), "");
}

TEST(PacketXmlWriter, CodePageAndUtf8ModesReadBackToTheSameText) {
    Datapacket packet;
    packet.fields = ProposalItemFields();
    packet.rows.push_back(ItemRow(packet.fields, 1, "Pre\xE7o", 1000, -1));

    const std::string cp = WriteDatapacketXml(packet, XmlTextMode::CodePage);
    const std::string utf8 = WriteDatapacketXml(packet, XmlTextMode::Utf8);
    EXPECT_NE(cp.find("descr_item=\"\x50\x72\x65\xE7\x6F\""), std::string::npos);
    EXPECT_NE(utf8.find("descr_item=\"Pre\xC3\xA7o\""), std::string::npos);
    EXPECT_TRUE(
        utf8.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>  <DATAPACKET"));
    EXPECT_TRUE(cp.starts_with(std::string(kDeclaration) + "<DATAPACKET"));

    EXPECT_EQ(std::get<std::string_view>(ReadXml(cp).rows[0].values[8]), "Pre\xE7o");
    EXPECT_EQ(std::get<std::string_view>(ReadXml(utf8).rows[0].values[8]), "Pre\xE7o");
    EXPECT_EQ(WriteDatapacketXml(ReadXml(utf8)), cp);
}

TEST(PacketXmlWriter, EscapesExactlyTheNineCharactersAndReadsThemBack) {
    Datapacket packet;
    packet.fields = ProposalItemFields();
    PacketRow row = ItemRow(packet.fields, 1, "A<B & C", 0, -1);
    row.values.Set(9, std::string("<>&'\"\r\n\t\\/=;#%\x80"));
    packet.rows.push_back(row);
    const std::string written = WriteDatapacketXml(packet);
    EXPECT_NE(written.find("descr_item=\"A&lt;B &amp; C\""), std::string::npos);
    EXPECT_NE(written.find("compl_descr=\"&lt;&gt;&amp;&apos;&quot;&#013;&#010;&#009;&#092;/=;#%\x80\""),
              std::string::npos);
    EXPECT_EQ(ReadXml(written).rows[0], row);
}

// Three delivered rows; the price of the second is typed and then corrected.
Datapacket ChangeLogExample() {
    Datapacket packet;
    packet.fields = ProposalItemFields();
    packet.rows.push_back(ItemRow(packet.fields, 1, "Um", 1000, -1));
    packet.rows.push_back(ItemRow(packet.fields, 2, "Dois", 2000, -1));
    packet.rows.push_back(ItemRow(packet.fields, 3, "Tr\xEAs", 3000, -1));
    packet.rows[1].rowState = kRowSuperseded;
    PacketRow typed = ItemRow(packet.fields, 2, "Dois", 2000, 15000);
    typed.rowState = kRowModified | kRowSuperseded;
    PacketRow corrected = ItemRow(packet.fields, 2, "Dois", 2000, 17500);
    corrected.rowState = kRowModified;
    packet.rows.push_back(typed);
    packet.rows.push_back(corrected);
    packet.changeLog = {{4, 2, kChangeModified}, {5, 4, kChangeModified}};
    return packet;
}

TEST(PacketXmlWriter, ChangeLogAndRowStatesRoundTrip) {
    const Datapacket packet = ChangeLogExample();
    const std::string written = WriteDatapacketXml(packet);
    EXPECT_NE(written.find("<PARAMS CHANGE_LOG=\"4 2 8 5 4 8\"/>"), std::string::npos);
    std::vector<std::string> starts;
    for (size_t at = written.find("<ROW "); at != std::string::npos; at = written.find("<ROW ", at + 1))
        starts.push_back(written.substr(at, written.find(' ', at + 5) - at));
    EXPECT_EQ(starts,
              (std::vector<std::string>{"<ROW id_item=\"1\"", "<ROW RowState=\"1\"", "<ROW id_item=\"3\"",
                                        "<ROW RowState=\"9\"", "<ROW RowState=\"8\""}));

    const Datapacket back = ReadXml(written);
    EXPECT_EQ(back.changeLog, packet.changeLog);
    std::vector<int> current;
    for (size_t i = 0; i < back.rows.size(); ++i)
        if (IsCurrentRow(back.rows[i].rowState)) current.push_back(static_cast<int>(i) + 1);
    EXPECT_EQ(current, (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(std::get<TDecimal>(back.rows[4].values[18]).ToString(), "1.7500");
}

TEST(PacketXmlWriter, TableParametersKeepTheirPlaceAndOrder) {
    const std::string text =
        std::string(kDeclaration) +
        "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"id_item\" fieldtype=\"i4\" "
        "readonly=\"true\" SUBTYPE=\"Autoinc\"/></FIELDS>"
        "<PARAMS ORGAO=\"Prefeitura &amp; C&#226;mara\" CHANGE_LOG=\"1 0 4\" LCID=\"1046\" "
        "AUTOINCVALUE=\"12\">"
        "<PARAM Name=\"EXTRA\" Value=\"x\"/><PARAM Name=\"LIST\" Value=\"1  2 3\" Type=\"UIntArray\" "
        "Roundtrip=\"True\"/><PARAM Name=\"DEFAULT_ORDER\" Value=\"2\" Type=\"UIntArray\"/></PARAMS>"
        "</METADATA><ROWDATA><ROW RowState=\"4\" id_item=\"11\"/></ROWDATA></DATAPACKET>";
    const Datapacket packet = ReadXml(text);
    EXPECT_TRUE(packet.hasAutoIncValue);
    EXPECT_EQ(packet.autoIncValue, 12);
    EXPECT_EQ(packet.changeLog, (std::vector<ChangeLogEntry>{{1, 0, 4}}));
    ASSERT_NE(packet.FindParam("ORGAO"), nullptr);
    EXPECT_EQ(std::get<std::string>(packet.FindParam("ORGAO")->value), "Prefeitura & C\xE2mara");
    EXPECT_EQ(std::get<std::int64_t>(packet.FindParam("LCID")->value), 1046);

    EXPECT_EQ(
        WriteDatapacketXml(packet).substr(text.find("<PARAMS")),
        "<PARAMS CHANGE_LOG=\"1 0 4\" AUTOINCVALUE=\"12\" ORGAO=\"Prefeitura &amp; C\xE2mara\" LCID=\"1046\" "
        "DEFAULT_ORDER=\"2\"><PARAM Name=\"EXTRA\" Value=\"x\"/><PARAM Name=\"LIST\" Value=\"1 2 3\" "
        "Type=\"UIntArray\" Roundtrip=\"True\"/></PARAMS></METADATA><ROWDATA><ROW RowState=\"4\" "
        "id_item=\"11\"/></ROWDATA></DATAPACKET>");
}

TEST(PacketXmlWriter, UnknownFieldParametersAndSubtypesAreCarriedBack) {
    const std::string fields =
        "<FIELDS><FIELD fieldname=\"pre\xE7o (R$)\" attrname=\"pre\xE7o__R__\" fieldtype=\"fixed\" "
        "required=\"true\" hidden=\"true\" DECIMALS=\"2\" WIDTH=\"10\" CALCULATED=\"1\" ORIGEM=\"sistema\" "
        "MINVALUE=\"0\"><PARAM Name=\"NOTA\" Value=\"a&lt;b\" Type=\"string\"/></FIELD>"
        "<FIELD attrname=\"foto\" fieldtype=\"bin.hex\" SUBTYPE=\"Imagem\" WIDTH=\"100\"/></FIELDS>";
    const std::string text = std::string(kDeclaration) + "<DATAPACKET Version=\"2.0\"><METADATA>" + fields +
                             "<PARAMS/></METADATA><ROWDATA></ROWDATA></DATAPACKET>";
    const Datapacket packet = ReadXml(text);
    ASSERT_EQ(packet.fields.size(), 2u);
    const FieldDef& price = packet.fields[0];
    EXPECT_EQ(price.name, "pre\xE7o (R$)");
    EXPECT_TRUE(price.flags.required && price.flags.hidden && price.flags.calculated);
    EXPECT_EQ(price.decimals, 2);
    EXPECT_EQ(price.width, 10);
    EXPECT_EQ(packet.fields[1].subtype, "");
    EXPECT_EQ(KindOf(packet.fields[1]), FieldKind::Bytes);

    const std::string expectedFields =
        "<FIELDS><FIELD fieldname=\"pre\xE7o (R$)\" attrname=\"pre\xE7o__R__\" fieldtype=\"fixed\" "
        "required=\"true\" hidden=\"true\" DECIMALS=\"2\" WIDTH=\"10\" CALCULATED=\"1\" ORIGEM=\"sistema\" "
        "MINVALUE=\"0\"><PARAM Name=\"NOTA\" Value=\"a&lt;b\"/></FIELD>"
        "<FIELD attrname=\"foto\" fieldtype=\"bin.hex\" WIDTH=\"100\" SUBTYPE=\"Imagem\"/></FIELDS>";
    const std::string written = WriteDatapacketXml(packet);
    EXPECT_EQ(written.substr(written.find("<FIELDS>"), expectedFields.size()), expectedFields);
}

TEST(PacketXmlWriter, OtherValueKindsUseTheirTextForms) {
    Datapacket packet;
    auto add = [&](const char* name, PacketType type, const char* subtype = "", int width = 0) {
        FieldDef f;
        f.name = name;
        f.type = type;
        f.subtype = subtype;
        f.width = width;
        packet.fields.push_back(f);
    };
    add("d", PacketType::Date);
    add("t", PacketType::Time);
    add("dt", PacketType::DateTime);
    add("dm", PacketType::DateTime);
    add("b", PacketType::Boolean);
    add("r", PacketType::R8);
    add("big", PacketType::R8);
    add("u", PacketType::UI8);
    add("w", PacketType::StringUni, "", 20);
    add("bin", PacketType::BinHex, "Binary");
    add("i", PacketType::I2);
    std::int32_t days = 0;
    ASSERT_TRUE(DaysFromDate(2011, 4, 29, days));
    const std::int32_t time = 10 * 3600000 + 30 * 60000 + 15250;
    PacketRow row;
    row.values = {TDateTimeValue{days, 0},
                  TDateTimeValue{0, time},
                  TDateTimeValue{days, time},
                  TDateTimeValue{days, 0},
                  true,
                  0.1,
                  1.5e20,
                  std::int64_t{-1},
                  std::u16string(u"Olá€<"),
                  std::string("\x00\xFFhi", 4),
                  std::int64_t{-32768}};
    packet.rows.push_back(row);
    const std::string written = WriteDatapacketXml(packet);
    const std::string rows = written.substr(written.find("<ROW "));
    EXPECT_EQ(rows,
              "<ROW d=\"20110429\" t=\"10:30:15250\" dt=\"20110429T10:30:15250\" dm=\"20110429\" "
              "b=\"TRUE\" r=\"0.1\" big=\"1.5e+20\" u=\"18446744073709551615\" w=\"Ol&#225;&#8364;&lt;\" "
              "bin=\"AP9oaQ==\" i=\"-32768\"/></ROWDATA></DATAPACKET>");
    EXPECT_EQ(ReadXml(written).rows[0], row);
}

TEST(PacketXmlWriter, ModifiedVersionLeavesOutAnUnchangedMemo) {
    Datapacket packet;
    packet.fields = ProposalItemFields();
    PacketRow original = ItemRow(packet.fields, 1, "Um", 1000, -1);
    original.values.Set(9, std::string("Especifica\xE7\xE3o longa"));
    original.rowState = kRowSuperseded;
    PacketRow priced = original;
    priced.rowState = kRowModified;
    priced.values.Set(18, TDecimal::FromUnits(10000, 4));
    packet.rows = {original, priced};
    packet.changeLog = {{2, 1, kChangeModified}};
    const std::string written = WriteDatapacketXml(packet);
    const size_t second = written.find("<ROW RowState=\"8\"");
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(written.find("compl_descr", second), std::string::npos);
    EXPECT_EQ(ReadXml(written).rows, packet.rows);

    // Clearing the memo in the new version must not bring the old text back on reading.
    packet.rows[1].values.Set(9, FieldValue{});
    const Datapacket back = ReadXml(WriteDatapacketXml(packet));
    EXPECT_EQ(std::get<std::string_view>(back.rows[1].values[9]), "");
}

TEST(PacketXmlWriter, UnusedRowsAreLeftOutOnlyWithoutChangeLog) {
    Datapacket packet;
    packet.fields = ProposalItemFields();
    packet.rows.push_back(ItemRow(packet.fields, 1, "Um", 1000, -1));
    packet.rows.push_back(ItemRow(packet.fields, 2, "Dois", 1000, -1));
    packet.rows[1].rowState = kRowUnused;
    EXPECT_EQ(ReadXml(WriteDatapacketXml(packet)).rows.size(), 1u);
    packet.changeLog = {{1, 0, kChangeInserted}};
    EXPECT_EQ(ReadXml(WriteDatapacketXml(packet)).rows.size(), 2u);
}

} // namespace
} // namespace quorvel
