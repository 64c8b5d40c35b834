#include "PacketFixtures.h"
#include "TableTestSupport.h"

#include "platform/Exceptions.h"
#include "store/Packet.h"
#include "store/PacketFile.h"
#include "store/StoreTable.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace quorvel {
namespace {

// Rows with an id, an integer key with NULLs and duplicates, a second integer key and an accented
// text key with duplicates and letter-case variants. Version 1 is replaced by a version at the end
// (it keeps the record's first place), version 3 is deleted, and version 6 replaces version 2 with
// a change-log kind that is not a plain modification, so it takes a place of its own.
Datapacket OrderPacket() {
    const std::string xml = "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"id\" fieldtype=\"i4\"/>"
                            "<FIELD attrname=\"a\" fieldtype=\"i4\"/><FIELD attrname=\"b\" fieldtype=\"i4\"/>"
                            "<FIELD attrname=\"s\" fieldtype=\"string\" WIDTH=\"20\"/></FIELDS>"
                            "<PARAMS CHANGE_LOG=\"9 1 8 3 0 2 6 2 12\" LCID=\"1046\"/></METADATA><ROWDATA>"
                            "<ROW RowState=\"1\" id=\"1\" a=\"5\" b=\"1\" s=\"acesso\"/>"
                            "<ROW id=\"2\" b=\"2\" s=\"a&#231;&#227;o\"/>"
                            "<ROW RowState=\"2\" id=\"3\" a=\"1\" b=\"1\" s=\"zebra\"/>"
                            "<ROW id=\"4\" a=\"5\" b=\"0\" s=\"Caderno\"/>"
                            "<ROW id=\"5\" a=\"2\" b=\"7\" s=\"caderno\"/>"
                            "<ROW RowState=\"8\" id=\"6\" a=\"5\" b=\"1\"/>"
                            "<ROW id=\"7\" b=\"2\" s=\"&#225;baco\"/>"
                            "<ROW id=\"8\" a=\"2\" b=\"3\" s=\"abacate\"/>"
                            "<ROW RowState=\"8\" id=\"1\" a=\"2\" b=\"3\" s=\"caderno\"/>"
                            "<ROW id=\"10\" a=\"-4\" b=\"9\" s=\"Abacate\"/>"
                            "<ROW id=\"11\" a=\"5\" b=\"0\" s=\"a&#231;&#227;o\"/>"
                            "</ROWDATA></DATAPACKET>";
    return testing::ReadXml(xml);
}

// The ids of a table's records in its view order.
std::vector<std::int64_t> WalkIds(TStoreTable& table) {
    std::vector<std::int64_t> ids;
    for (table.First(); !table.Eof(); table.Next())
        ids.push_back(table.FieldByName(QStringLiteral("id")).AsInteger());
    return ids;
}

TEST(LoadedRecordOrderTest, AModifiedVersionTakesThePlaceOfTheOneItReplaced) {
    const std::vector<ChangeLogEntry> log = {{5, 1, kChangeModified},
                                             {6, 5, kChangeModified},
                                             {4, 2, kChangeModified | kChangeNested},
                                             {3, 3, kChangeModified},
                                             {9, 1, kChangeModified}};
    EXPECT_EQ(LoadedRecordOrder(log, 7), (std::vector<std::uint32_t>{0, 1, 2, 3, 0, 0, 4}));
    EXPECT_TRUE(LoadedRecordOrder(log, 0).empty());
    EXPECT_EQ(LoadedRecordOrder({}, 3), (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST(OrderLikeIndexTest, OrdersKeysHeldOutsideATableAsTheTablesIndexDoes) {
    const Datapacket packet = OrderPacket();
    // The records numbered in a loaded table's default order, with the version each reads from.
    const std::vector<std::uint32_t> places =
        LoadedRecordOrder(packet.changeLog, static_cast<std::uint32_t>(packet.rows.size()));
    std::vector<std::uint32_t> records;
    for (std::uint32_t v = 0; v < packet.rows.size(); ++v)
        if (IsCurrentRow(packet.rows[v].rowState)) records.push_back(v);
    std::stable_sort(records.begin(), records.end(),
                     [&](std::uint32_t x, std::uint32_t y) { return places[x] < places[y]; });
    ASSERT_EQ(records.size(), 9u);
    EXPECT_EQ(records.front(), 8u); // the moved version keeps the first place

    TStoreTable table;
    table.Open(packet);
    EXPECT_EQ(WalkIds(table), (std::vector<std::int64_t>{1, 2, 4, 5, 6, 7, 8, 10, 11}));
    const struct {
        const char* names;
        std::vector<int> columns;
    } orders[] = {{"a", {1}}, {"a;b", {1, 2}}, {"s", {3}}, {"s;a", {3, 1}}, {"b;s", {2, 3}}};
    for (const auto& order : orders) {
        table.SetIndexFieldNames(QString::fromLatin1(order.names));
        const std::vector<std::uint32_t> rows = OrderLikeIndex(
            packet, order.columns, static_cast<std::uint32_t>(records.size()),
            [&](std::uint32_t row, std::size_t part) -> FieldView {
                return packet.rows[records[row]].values[static_cast<std::size_t>(order.columns[part])];
            });
        std::vector<std::int64_t> ids;
        for (const std::uint32_t row : rows)
            ids.push_back(std::get<std::int64_t>(packet.rows[records[row]].values[0]));
        EXPECT_EQ(ids, WalkIds(table)) << order.names;
    }
    // What the text order is, spelled out: NULL first, accents with their base letter, lower case
    // before upper where the letters are otherwise equal, ties in the default order.
    table.SetIndexFieldNames(QStringLiteral("s"));
    EXPECT_EQ(WalkIds(table), (std::vector<std::int64_t>{6, 8, 10, 7, 2, 11, 1, 5, 4}));
    table.SetIndexFieldNames(QStringLiteral("a"));
    EXPECT_EQ(WalkIds(table), (std::vector<std::int64_t>{2, 7, 10, 1, 5, 8, 4, 6, 11}));
    EXPECT_THROW(OrderLikeIndex(packet, std::vector<int>{4}, 1,
                                [](std::uint32_t, std::size_t) { return FieldView{}; }),
                 EDatabaseError);
    EXPECT_TRUE(OrderLikeIndex(packet, std::vector<int>{1}, 0, [](std::uint32_t, std::size_t) {
                    return FieldView{};
                }).empty());
}

class OpenOnPacketTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.filePath(QStringLiteral("itens.xml"));
        std::vector<testing::ProposalFileRow> rows;
        const char* names[] = {"Caderno", "borracha branca", "CANETA AZUL", "l\xE1pis"};
        for (int i = 0; i < 4; ++i) {
            testing::ProposalFileRow row;
            row.idItem = i + 1;
            row.numItem = (4 - i) * 10;
            row.descrItem = names[i];
            row.qtde = std::to_string(i + 1) + ".000";
            if (i != 2) row.precoIni = std::to_string(i + 2) + ".5000";
            rows.push_back(row);
        }
        const std::string xml = testing::ProposalXml(rows);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(xml.data(), static_cast<qint64>(xml.size()));
    }

    // Each record as "numitem descr totitem", and the aggregate.
    static std::vector<std::string> Records(TStoreTable& table) {
        std::vector<std::string> out;
        for (table.First(); !table.Eof(); table.Next())
            out.push_back(std::to_string(table.FieldByName(QStringLiteral("numitem")).AsInteger()) + " " +
                          table.FieldByName(QStringLiteral("descr_item")).AsString() + " " +
                          table.FieldByName(QStringLiteral("totitem")).DisplayText().toStdString());
        out.push_back(table.FieldByName(QStringLiteral("SomaItens")).DisplayText().toStdString());
        return out;
    }

    QTemporaryDir dir;
    QString path;
};

TEST_F(OpenOnPacketTest, ReadsAsATableOpenedOnAFileWithThatContent) {
    TStoreTable fromFile;
    testing::DeclareItemTable(fromFile);
    testing::EventLog fileEvents;
    fileEvents.Attach(fromFile);
    fromFile.SetFileName(path);
    fromFile.SetIndexName(QStringLiteral("CDSDigitacaoIndex2"));
    fromFile.Open();

    TStoreTable fromPacket;
    testing::DeclareItemTable(fromPacket);
    testing::EventLog packetEvents;
    packetEvents.Attach(fromPacket);
    fromPacket.SetIndexName(QStringLiteral("CDSDigitacaoIndex2"));
    fromPacket.Open(ReadDatapacketFile(path));
    ASSERT_TRUE(fromPacket.Active());
    EXPECT_EQ(packetEvents.Joined(), fileEvents.Joined());
    const std::vector<std::string> records = Records(fromFile);
    EXPECT_EQ(Records(fromPacket), records);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_TRUE(records.front().starts_with("10 l\xE1pis")) << records.front();
    EXPECT_TRUE(records.front().ends_with(" 22,00")) << records.front();
    EXPECT_EQ(records.back(), "31,50");
    fromFile.SetIndexName(QStringLiteral("CDSDigitacaoIndex1"));
    fromPacket.SetIndexName(QStringLiteral("CDSDigitacaoIndex1"));
    EXPECT_EQ(Records(fromPacket), Records(fromFile));
    fromFile.SetFilter(QStringLiteral("id_item = 2"));
    fromFile.SetFiltered(true);
    fromPacket.SetFilter(QStringLiteral("id_item = 2"));
    fromPacket.SetFiltered(true);
    EXPECT_EQ(Records(fromPacket), Records(fromFile));
    EXPECT_EQ(fromPacket.Data(), fromFile.Data());
}

TEST_F(OpenOnPacketTest, NeitherReadsNorWritesItsFileAndFailsToBindAsOpenDoes) {
    const Datapacket packet = ReadDatapacketFile(path);
    // A file name of another content: the table shows the packet's rows and leaves the file alone.
    const QString other = dir.filePath(QStringLiteral("other.xml"));
    const std::string otherXml = testing::ProposalXml({testing::ProposalFileRow{}});
    {
        QFile file(other);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(otherXml.data(), static_cast<qint64>(otherXml.size()));
    }
    TStoreTable table;
    testing::DeclareItemTable(table);
    table.SetFileName(other);
    table.Open(packet);
    EXPECT_EQ(table.RecordCount(), 4);
    table.Open(Datapacket{}); // already open: nothing changes
    EXPECT_EQ(table.RecordCount(), 4);
    table.Close();
    QFile file(other);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), otherXml);

    Datapacket missing = packet;
    missing.fields.erase(missing.fields.begin() + 5); // numitem
    for (PacketRow& row : missing.rows)
        row.values = RowValues{};
    TStoreTable declared;
    testing::DeclareItemTable(declared);
    testing::EventLog events;
    events.Attach(declared);
    EXPECT_THROW(declared.Open(missing), EDatabaseError);
    EXPECT_FALSE(declared.Active());
    EXPECT_EQ(events.Joined(), "BeforeOpen");
    declared.Open(packet);
    EXPECT_EQ(declared.RecordCount(), 4);
}

} // namespace
} // namespace quorvel
