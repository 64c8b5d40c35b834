#include "TableTestSupport.h"

#include "platform/Exceptions.h"
#include "store/TableTag.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using testing::DeclareLotTable;
using testing::EventLog;

void AddLot(TStoreTable& lots, int id, const char* descr, const char* valor) {
    lots.Append();
    lots.FieldByName("id_item").SetAsInteger(id);
    lots.FieldByName("descr_lote").SetAsString(descr);
    if (valor) lots.FieldByName("valor").SetAsQString(QString::fromLatin1(valor));
    lots.Post();
}

class LotTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeclareLotTable(lots);
        lots.SetTag(kTagBuilding);
        lots.CreateDataSet();
        AddLot(lots, 3, "Terceiro", "30,5");
        AddLot(lots, 1, "Primeiro", nullptr);
        AddLot(lots, 2, "segundo", "12");
        lots.SetTag(kTagNormal);
        lots.First();
    }
    std::vector<int> Ids() {
        std::vector<int> ids;
        for (lots.First(); !lots.Eof(); lots.Next())
            ids.push_back(lots.FieldByName("id_item").AsInteger());
        return ids;
    }
    TStoreTable lots;
};

TEST_F(LotTableTest, AppendedRowsFollowTheIndexInForce) {
    EXPECT_EQ(lots.RecordCount(), 3);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3}));
    lots.SetIndexName("CDSLotesIndex1");
    // Collation is case-sensitive but ignores case at first level: "segundo" sorts between.
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3}));
    lots.SetIndexName(QString());
    EXPECT_EQ(Ids(), (std::vector<int>{3, 1, 2}));
    EXPECT_THROW(lots.SetIndexName("NoSuchIndex"), EDatabaseError);
    try {
        lots.SetIndexName("NoSuchIndex");
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Index 'NoSuchIndex' not found");
    }
}

TEST_F(LotTableTest, IndexNameAndFieldNamesShareOneSlot) {
    lots.SetIndexFieldNames("descr_lote");
    EXPECT_TRUE(lots.IndexName().isEmpty());
    lots.SetIndexName("CDSLotesIndex2");
    EXPECT_EQ(lots.IndexName(), "CDSLotesIndex2");
    EXPECT_TRUE(lots.IndexFieldNames().isEmpty());
    lots.SetIndexFieldNames("descr_lote");
    EXPECT_TRUE(lots.IndexName().isEmpty());
    lots.Close();
    lots.SetIndexFieldNames("numitem");
    lots.SetIndexName("CDSLotesIndex2");
    EXPECT_TRUE(lots.IndexFieldNames().isEmpty());
}

TEST_F(LotTableTest, BeforeInsertAbortLeavesTableUnchanged) {
    lots.BeforeInsert = [](TStoreTable& t) {
        if (t.Tag() != 1) throw EAbort();
    };
    lots.Last();
    EXPECT_THROW(lots.Append(), EAbort);
    EXPECT_EQ(lots.State(), TTableState::Browse);
    EXPECT_EQ(lots.RecordCount(), 3);
    EXPECT_EQ(lots.FieldByName("id_item").AsInteger(), 3);
    // Edit on an empty view starts an insert, which the same handler refuses.
    lots.SetFilter("id_item = 99");
    lots.SetFiltered(true);
    EXPECT_EQ(lots.RecordCount(), 0);
    EXPECT_THROW(lots.Edit(), EAbort);
    EXPECT_EQ(lots.State(), TTableState::Browse);
}

// A step refused half-way puts back what it changed: an insert whose OnNewRecord handler fails after
// typing leaves no record, nothing modified and the cursor where it was; an open whose filter does
// not compile leaves the table closed with its kept rows, which the next open shows.
TEST_F(LotTableTest, RefusedStepsPutBackWhatTheyChanged) {
    ASSERT_TRUE(lots.Locate("id_item", std::int64_t{2}));
    lots.OnNewRecord = [](TStoreTable& t) {
        t.FieldByName("descr_lote").SetAsString("meio digitado");
        throw EAbort();
    };
    EXPECT_THROW(lots.Append(), EAbort);
    EXPECT_EQ(lots.State(), TTableState::Browse);
    EXPECT_FALSE(lots.Modified());
    EXPECT_EQ(lots.RecordCount(), 3);
    EXPECT_EQ(lots.FieldByName("id_item").AsInteger(), 2);
    EXPECT_EQ(lots.FieldByName("descr_lote").AsString(), "segundo");
    lots.OnNewRecord = nullptr;

    lots.Close();
    lots.SetFilter("id_item = = 2");
    lots.SetFiltered(true);
    EXPECT_THROW(lots.Open(), EDatabaseError);
    EXPECT_FALSE(lots.Active());
    ASSERT_NE(lots.KeptPacket(), nullptr);
    lots.SetFilter("id_item = 2");
    lots.Open();
    EXPECT_EQ(lots.RecordCount(), 1);
    EXPECT_EQ(lots.FieldByName("descr_lote").AsString(), "segundo");
    EXPECT_EQ(lots.State(), TTableState::Browse);
}

TEST_F(LotTableTest, KeptPacketSurvivesCloseAndCreateEmptyDropsIt) {
    lots.Locate("id_item", std::int64_t{2});
    lots.Edit();
    lots.FieldByName("marca").SetAsString("ACME");
    lots.Post();
    const std::size_t versions = lots.Data().rows.size();
    lots.Close();
    ASSERT_NE(lots.KeptPacket(), nullptr);
    EXPECT_EQ(lots.KeptPacket()->rows.size(), versions);
    lots.Open();
    EXPECT_EQ(lots.KeptPacket(), nullptr);
    EXPECT_EQ(lots.RecordCount(), 3);
    EXPECT_EQ(lots.Data().changeLog.size(), 4u);
    EXPECT_FALSE(lots.Changed());
    ASSERT_TRUE(lots.Locate("id_item", std::int64_t{2}));
    EXPECT_EQ(lots.FieldByName("marca").AsString(), "ACME");
    EXPECT_EQ(lots.FieldByName("valor").DisplayText(), "12,0000");
    lots.Close();
    lots.CreateDataSet();
    EXPECT_EQ(lots.RecordCount(), 0);
    lots.Close();
    lots.Open(); // the empty table was kept this time
    EXPECT_EQ(lots.RecordCount(), 0);
}

TEST(TableOpenTest, OpenWithoutFileOrKeptPacketFails) {
    TStoreTable table;
    DeclareLotTable(table);
    try {
        table.Open();
        FAIL() << "open succeeded";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Missing data provider or data packet");
    }
    EXPECT_FALSE(table.Active());
    EXPECT_THROW(table.RecordCount(), EDatabaseError);
    try {
        table.Next();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Cannot perform this operation on a closed dataset");
    }
    TStoreTable empty;
    try {
        empty.CreateDataSet();
        FAIL() << "created without fields";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "No fields defined.  Cannot create dataset");
    }
}

TEST_F(LotTableTest, EventsRunInOrder) {
    EventLog log;
    log.Attach(lots);
    lots.First();
    lots.Next();
    EXPECT_EQ(log.Joined(), "BeforeScroll AfterScroll BeforeScroll AfterScroll");
    log.events.clear();
    lots.Edit();
    lots.FieldByName("marca").SetAsString("X");
    lots.Next(); // posts first
    EXPECT_EQ(log.Joined(), "BeforeEdit AfterEdit BeforePost AfterPost BeforeScroll AfterScroll");
    log.events.clear();
    lots.Last();
    lots.Next(); // past the end: still both scroll events, at-end set
    EXPECT_TRUE(lots.Eof());
    EXPECT_EQ(lots.FieldByName("id_item").AsInteger(), 3);
    log.events.clear();
    lots.SetTag(kTagBuilding);
    lots.Append();
    EXPECT_EQ(log.Joined(), "BeforeInsert BeforeScroll AfterInsert AfterScroll");
    log.events.clear();
    lots.Cancel();
    EXPECT_EQ(log.Joined(), "BeforeCancel AfterCancel");
    EXPECT_EQ(lots.RecordCount(), 3);
    log.events.clear();
    lots.Close();
    lots.Open();
    EXPECT_EQ(log.Joined(), "BeforeClose AfterClose BeforeOpen AfterOpen AfterScroll");
    log.events.clear();
    lots.SetFilter("id_item = 2");
    EXPECT_TRUE(log.events.empty()); // filtering is off: the text is only stored
    lots.SetFiltered(true);
    EXPECT_EQ(log.Joined(), "BeforeScroll AfterScroll");
    EXPECT_EQ(lots.RecordCount(), 1);
    log.events.clear();
    EXPECT_FALSE(lots.Locate("id_item", std::int64_t{3}));
    EXPECT_TRUE(log.events.empty());
}

TEST_F(LotTableTest, FieldWritesNeedEditStateAndWritableFields) {
    try {
        lots.FieldByName("marca").SetAsString("X");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Dataset not in edit or insert mode");
    }
    try {
        lots.FieldByName("nope");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'nope' not found");
    }
    lots.FieldByName("marca").SetReadOnly(true);
    lots.Edit();
    try {
        lots.FieldByName("marca").SetAsString("X");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'marca' cannot be modified");
    }
    try {
        lots.FieldByName("valor").SetAsQString("1.234,50");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "'1.234,50' is not a valid floating point value for field 'valor'");
    }
    lots.FieldByName("valor").SetAsQString("");
    EXPECT_TRUE(lots.FieldByName("valor").IsNull());
    EXPECT_EQ(lots.State(), TTableState::Edit);
}

TEST_F(LotTableTest, RequiredFieldFailsPostAndKeepsEditBuffer) {
    lots.FieldByName("marca").SetRequired(true);
    lots.Edit();
    lots.FieldByName("descr_lote").SetAsString("Novo");
    try {
        lots.Post();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'marca' must have a value");
    }
    EXPECT_EQ(lots.State(), TTableState::Edit);
    EXPECT_EQ(lots.FieldByName("descr_lote").AsString(), "Novo");
}

TEST_F(LotTableTest, ChangeLogRecordsEveryVersion) {
    const std::size_t base = lots.Data().rows.size(); // three inserted rows
    ASSERT_EQ(base, 3u);
    lots.Locate("id_item", std::int64_t{3}); // storage row 1
    lots.Edit();
    lots.FieldByName("valor").SetAsFloat(1.5);
    lots.Post();
    lots.Edit();
    lots.FieldByName("valor").SetAsFloat(2.5);
    lots.Post();
    lots.Edit(); // a post that changes nothing stores nothing
    lots.FieldByName("valor").SetAsFloat(2.5);
    lots.Post();
    const Datapacket& data = lots.Data();
    ASSERT_EQ(data.rows.size(), 5u);
    EXPECT_EQ(data.rows[0].rowState, kRowInserted | kRowSuperseded);
    EXPECT_EQ(data.rows[3].rowState, kRowInserted | kRowModified | kRowSuperseded);
    EXPECT_EQ(data.rows[4].rowState, kRowInserted | kRowModified);
    const std::vector<ChangeLogEntry> expected = {{1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 1, 8}, {5, 4, 8}};
    EXPECT_EQ(data.changeLog, expected);
    EXPECT_EQ(lots.FieldByName("id_item").AsInteger(), 3);
    // The edited record keeps its place in the default order.
    lots.SetIndexName(QString());
    EXPECT_EQ(Ids(), (std::vector<int>{3, 1, 2}));
    lots.Locate("id_item", std::int64_t{1});
    lots.Delete();
    EXPECT_EQ(lots.Data().changeLog.back(), (ChangeLogEntry{2, 0, 2}));
    EXPECT_EQ(lots.Data().rows[1].rowState, kRowInserted | kRowDeleted);
    EXPECT_EQ(lots.RecordCount(), 2);
}

TEST_F(LotTableTest, LocateOptions) {
    EXPECT_FALSE(lots.Locate("descr_lote", std::string("prim")));
    EXPECT_FALSE(lots.Locate("descr_lote", std::string("Prim")));
    EXPECT_TRUE(lots.Locate("descr_lote", std::string("Prim"), TLocateOption::PartialKey));
    EXPECT_EQ(lots.FieldByName("id_item").AsInteger(), 1);
    EXPECT_TRUE(lots.Locate("descr_lote", std::string("SEG"),
                            TLocateOption::PartialKey | TLocateOption::CaseInsensitive));
    EXPECT_EQ(lots.FieldByName("id_item").AsInteger(), 2);
    EXPECT_FALSE(lots.Locate("descr_lote", std::string("SEGUNDO")));
    EXPECT_EQ(lots.FieldByName("id_item").AsInteger(), 2); // no match: no move
    EXPECT_TRUE(lots.Locate("descr_lote", std::string("SEGUNDO"), TLocateOption::CaseInsensitive));
    EXPECT_TRUE(lots.Locate("id_item;descr_lote", {std::int64_t{3}, std::string("Terceiro")}));
    EXPECT_EQ(lots.RecNo(), 3);
}

} // namespace
} // namespace quorvel

namespace quorvel {
namespace {

TEST_F(LotTableTest, EqualityFiltersPassTheSameRowsWhicheverSideTheFieldIsOn) {
    lots.SetTag(kTagBuilding);
    lots.Append();
    lots.FieldByName("descr_lote").SetAsString("Sem lote");
    lots.Post(); // id_item stays NULL and never passes a comparison
    lots.SetTag(kTagNormal);
    lots.SetFiltered(true);
    const auto passing = [this](const char* filter) {
        lots.SetFilter(filter);
        return Ids();
    };
    EXPECT_EQ(passing("id_item = 2"), std::vector<int>{2});
    EXPECT_EQ(passing("2 = id_item"), std::vector<int>{2});
    EXPECT_EQ(passing("id_item = 2.5"), std::vector<int>{});
    EXPECT_EQ(passing("id_item = 7"), std::vector<int>{});
    EXPECT_EQ(passing("valor = 12"), std::vector<int>{2}); // an exact-decimal column
    EXPECT_EQ(passing("id_item <> 2").size(), 2u);
}

} // namespace
} // namespace quorvel
