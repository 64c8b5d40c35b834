#include "report/expr/ExprTestSupport.h"

#include "store/StoreTable.h"

namespace quorvel::testing {
namespace {

// A store table with one field of each kind an expression reads, filled with three records.
class StoreDataSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        table.Name = "CDSDigitacao";
        table.AddField("numitem", TFieldType::Integer);
        table.AddField("descr_item", TFieldType::String, 30);
        table.AddDecimalField("preco_ini", 4);
        table.AddDecimalField("qtde", 3);
        table.AddField("ativo", TFieldType::Boolean);
        table.AddField("obs", TFieldType::Memo);
        table.CreateDataSet();
        AddRow(1, "Caneta", 2.5, 10, false);
        AddRow(2, "Lápis", 0.75, 4, true);
        AddRow(3, "Borracha", 1.2345, 2, false);
        table.First();
    }

    void AddRow(int number, const char* description, double price, double quantity, bool active) {
        table.Append();
        table.FieldByName("numitem").SetAsInteger(number);
        table.FieldByName("descr_item").SetAsQString(QString::fromUtf8(description));
        table.FieldByName("preco_ini").SetAsFloat(price);
        table.FieldByName("qtde").SetAsFloat(quantity);
        table.FieldByName("ativo").SetAsBoolean(active);
        table.FieldByName("obs").SetAsQString("nota");
        table.Post();
    }

    // Aggregates the expression over every record of the table, from a reset.
    TQREvResult Walk(TQREvaluator& evaluator) {
        evaluator.Reset();
        for (table.First(); !table.Eof(); table.Next())
            evaluator.DoAggregate();
        return evaluator.Value();
    }

    TStoreTable table;
};

TEST_F(StoreDataSetTest, FieldsOfTheCurrentRecordByKind) {
    TQREvaluator evaluator;
    evaluator.DataSets().Add(table);
    evaluator.Prepare("qtde * preco_ini");
    EXPECT_TRUE(IsDouble(evaluator.Value(), 25.0));
    table.Next();
    EXPECT_TRUE(IsDouble(evaluator.Value(), 3.0));

    EXPECT_TRUE(IsInt(evaluator.Calculate("NUMITEM"), 2));
    EXPECT_TRUE(IsString(evaluator.Calculate("descr_item"), QString::fromUtf8("Lápis")));
    EXPECT_TRUE(IsBool(evaluator.Calculate("ativo"), true));
    // An exact decimal reads as a double of its four places.
    table.Next();
    EXPECT_TRUE(IsDouble(evaluator.Calculate("preco_ini"), 1.2345));
    EXPECT_TRUE(IsError(evaluator.Calculate("obs"), "Field obs is of unknown type"));
    EXPECT_TRUE(IsInt(evaluator.Calculate("cdsdigitacao.numitem"), 3));
    EXPECT_TRUE(IsError(evaluator.Calculate("CDSLotes.numitem"), "Unknown function : CDSLotes.numitem"));
}

TEST_F(StoreDataSetTest, AggregatesOverStoreRecords) {
    TQREvaluator sum, count, minBool, maxText, average, total;
    for (TQREvaluator* evaluator : {&sum, &count, &minBool, &maxText, &average, &total})
        evaluator->DataSets().Add(table);
    sum.Prepare("SUM(numitem)");
    count.Prepare("COUNT");
    minBool.Prepare("MIN(ativo)");
    maxText.Prepare("MAX(descr_item)");
    average.Prepare("AVERAGE(numitem)");
    total.Prepare("SUM(qtde * preco_ini)");
    EXPECT_TRUE(IsInt(Walk(sum), 6));
    EXPECT_TRUE(IsInt(Walk(count), 3));
    EXPECT_TRUE(IsBool(Walk(minBool), false));
    EXPECT_TRUE(IsString(Walk(maxText), QString::fromUtf8("Lápis")));
    EXPECT_TRUE(IsDouble(Walk(average), 2.0));
    EXPECT_TRUE(IsDouble(Walk(total), 25.0 + 3.0 + 2.469));

    // Reset starts the average again from the double 0; aggregating the last record alone.
    average.Reset();
    EXPECT_TRUE(IsDouble(average.Value(), 0.0));
    table.Last();
    average.DoAggregate();
    EXPECT_TRUE(IsDouble(average.Value(), 3.0));
    // Walking twice without a reset accumulates twice.
    count.Reset();
    for (int pass = 0; pass < 2; ++pass)
        for (table.First(); !table.Eof(); table.Next())
            count.DoAggregate();
    EXPECT_TRUE(IsInt(count.Value(), 6));
}

} // namespace
} // namespace quorvel::testing
