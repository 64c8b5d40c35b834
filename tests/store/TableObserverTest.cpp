#include "TableTestSupport.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

struct Recorder : TableObserver {
    std::vector<std::string> seen;
    std::function<void(TStoreTable&)> onUpdate;
    void TableChanged(TStoreTable&, TableChange kind, const TStoreField* field) override {
        static const char* names[] = {"Active", "State", "Record", "Data", "Field"};
        std::string entry = names[static_cast<int>(kind)];
        if (field) entry += ":" + field->FieldName().toStdString();
        seen.push_back(entry);
    }
    void UpdateRecord(TStoreTable& table) override {
        if (onUpdate) onUpdate(table);
    }
    std::string Joined() {
        std::string out;
        for (const auto& s : seen)
            out += (out.empty() ? "" : " ") + s;
        seen.clear();
        return out;
    }
};

class ObservedTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        table.AddField("id", TFieldType::Integer);
        table.AddDecimalField("qtde", 3);
        table.AddDecimalField("preco", 4);
        table.AddCalculatedField("total", TFieldType::Float).SetDisplayFormat(",0.00");
        table.AddAggregateField("soma", "Sum(qtde*preco)");
        table.SetAggregatesActive(true);
        table.OnCalcFields = [this](TStoreTable& t) {
            ++calcRuns;
            t.FieldByName("total").SetAsFloat(t.FieldByName("qtde").AsFloat() *
                                              t.FieldByName("preco").AsFloat());
        };
        table.CreateDataSet();
        for (int i = 1; i <= 4; ++i) {
            table.Append();
            table.FieldByName("id").SetAsInteger(i);
            table.FieldByName("qtde").SetAsInteger(i);
            table.FieldByName("preco").SetAsFloat(1.5);
            table.Post();
        }
        table.First();
        table.AddObserver(&recorder);
    }
    void TearDown() override { table.RemoveObserver(&recorder); }
    TStoreTable table;
    Recorder recorder;
    int calcRuns = 0;
};

TEST_F(ObservedTableTest, ObserversFollowEveryChange) {
    table.Next();
    EXPECT_EQ(recorder.Joined(), "Record");
    table.Edit();
    table.FieldByName("preco").SetAsFloat(2);
    table.Post();
    EXPECT_EQ(recorder.Joined(), "State Field:preco State Data");
    table.SetFilter("id > 2");
    table.SetFiltered(true);
    EXPECT_EQ(recorder.Joined(), "Data");
    table.DisableControls();
    table.First();
    table.Next();
    table.Edit();
    table.FieldByName("preco").SetAsFloat(3);
    table.Post();
    EXPECT_EQ(recorder.Joined(), "");
    table.EnableControls();
    EXPECT_EQ(recorder.Joined(), "Data");
    table.Close();
    EXPECT_EQ(recorder.Joined(), "Active");
}

TEST_F(ObservedTableTest, PostFirstTakesValuesHeldByControls) {
    recorder.onUpdate = [](TStoreTable& t) {
        if (t.State() == TTableState::Edit) t.FieldByName("preco").SetAsQString("7,25");
    };
    table.Edit();
    table.Post();
    EXPECT_EQ(table.FieldByName("preco").AsDecimal().ToString(), "7.2500");
    EXPECT_DOUBLE_EQ(table.FieldByName("soma").AsFloat(), 7.25 + (2 + 3 + 4) * 1.5);
}

TEST_F(ObservedTableTest, RowsReadWithoutMovingTheCursor) {
    table.SetRecNo(2);
    int scrolls = 0;
    table.AfterScroll = [&](TStoreTable&) { ++scrolls; };
    table.Edit();
    table.FieldByName("preco").SetAsFloat(10);
    std::vector<QString> totals;
    for (int row = 0; row < table.ViewCount(); ++row)
        table.ReadRecordAt(row, [&] { totals.push_back(table.FieldByName("total").DisplayText()); });
    // The row being edited shows its edit buffer.
    EXPECT_EQ(totals, (std::vector<QString>{"1,50", "20,00", "4,50", "6,00"}));
    EXPECT_EQ(table.RecNo(), 2);
    EXPECT_EQ(table.State(), TTableState::Edit);
    EXPECT_EQ(table.FieldByName("total").DisplayText(), "20,00");
    EXPECT_EQ(scrolls, 0);
    table.Cancel();
    EXPECT_EQ(table.FieldByName("total").DisplayText(), "3,00");
    table.SetTag(1);
    table.Insert();
    EXPECT_EQ(table.ViewCount(), 5);
    EXPECT_EQ(table.CurrentViewIndex(), 1);
    std::vector<bool> nulls;
    for (int row = 0; row < table.ViewCount(); ++row)
        table.ReadRecordAt(row, [&] { nulls.push_back(table.FieldByName("id").IsNull()); });
    EXPECT_EQ(nulls, (std::vector<bool>{false, true, false, false, false}));
    table.FieldByName("id").SetAsInteger(9);
    table.Post();
    // Inserted before the second record, it keeps that place in the default order.
    std::vector<int> ids;
    for (table.First(); !table.Eof(); table.Next())
        ids.push_back(table.FieldByName("id").AsInteger());
    EXPECT_EQ(ids, (std::vector<int>{1, 9, 2, 3, 4}));
}

TEST_F(ObservedTableTest, AggregatesSwitchWithTheTableAndFieldFlags) {
    TStoreField& soma = table.FieldByName("soma");
    EXPECT_DOUBLE_EQ(soma.AsFloat(), 15.0);
    table.SetAggregatesActive(false);
    EXPECT_TRUE(soma.IsNull());
    table.SetAggregatesActive(true);
    EXPECT_DOUBLE_EQ(soma.AsFloat(), 15.0);
    soma.SetActive(false);
    EXPECT_TRUE(soma.IsNull());
    soma.SetActive(true);
    table.Last();
    table.Delete();
    EXPECT_DOUBLE_EQ(soma.AsFloat(), 9.0);
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(table.FieldByName("id").AsInteger(), 3);
}

TEST(TableAggregateTest, FunctionsOverVisibleRows) {
    TStoreTable table;
    table.AddField("grupo", TFieldType::Integer);
    table.AddDecimalField("valor", 2);
    table.AddDecimalField("tres", 3);
    TStoreField& count = table.AddAggregateField("n", "Count(*)");
    TStoreField& counted = table.AddAggregateField("nv", "Count(valor)");
    TStoreField& low = table.AddAggregateField("mn", "Min(valor)");
    TStoreField& high = table.AddAggregateField("mx", "Max(valor)");
    TStoreField& mean = table.AddAggregateField("avg", "Avg(valor)");
    TStoreField& mixed = table.AddAggregateField("mix", "(Sum(valor) + 1) * 2 / Count(*)");
    table.SetAggregatesActive(true);
    table.CreateDataSet();
    const char* values[] = {"10", "", "-4", "6"};
    for (int i = 0; i < 4; ++i) {
        table.Append();
        table.FieldByName("grupo").SetAsInteger(i % 2);
        table.FieldByName("valor").SetAsString(values[i]);
        table.Post();
    }
    EXPECT_EQ(count.AsString(), "4");
    EXPECT_EQ(counted.AsInteger(), 3);
    EXPECT_DOUBLE_EQ(low.AsFloat(), -4);
    EXPECT_DOUBLE_EQ(high.AsFloat(), 10);
    EXPECT_DOUBLE_EQ(mean.AsFloat(), 4);
    EXPECT_DOUBLE_EQ(mixed.AsFloat(), 6.5);
    table.SetFilter("grupo = 1 and valor is not null or grupo = 0 and valor < 0");
    table.SetFiltered(true);
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_DOUBLE_EQ(low.AsFloat(), -4);
    EXPECT_DOUBLE_EQ(high.AsFloat(), 6);
    table.SetFilter("valor <> 6");
    EXPECT_EQ(table.RecordCount(), 2); // NULL never passes
    table.First();
    table.Edit();
    table.FieldByName("tres").SetAsFloat(2.5009);
    EXPECT_EQ(table.FieldByName("tres").AsDecimal().ToString(), "2.500");
    table.FieldByName("valor").SetAsFloat(-9.995);
    EXPECT_EQ(table.FieldByName("valor").AsDecimal().ToString(), "-9.99");
    table.Post();
    EXPECT_DOUBLE_EQ(low.AsFloat(), -9.99);
    EXPECT_DOUBLE_EQ(high.AsFloat(), -4);
}

} // namespace
} // namespace quorvel
