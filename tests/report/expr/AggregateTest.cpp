#include "report/expr/ExprTestSupport.h"

#include <memory>

namespace quorvel::testing {
namespace {

// One data set with a column of each kind the aggregates see, walked record by record.
class AggregateTest : public ::testing::Test {
protected:
    void SetUp() override {
        data_ = std::make_shared<FakeDataSet>(
            "T", std::vector<FakeDataSet::Column>{{"n", TQREvFieldKind::Integer},
                                                  {"x", TQREvFieldKind::Float},
                                                  {"s", TQREvFieldKind::String},
                                                  {"b", TQREvFieldKind::Boolean}});
        data_->AddRow({1, 0.5, "pear", false});
        data_->AddRow({2, 1.5, "apple", true});
        data_->AddRow({3, 2.0, "zebra", false});
    }

    // Prepares the expression and aggregates every record.
    TQREvResult Walk(TQREvaluator& evaluator, const QString& expression) {
        evaluator.DataSets().Add(data_);
        evaluator.Prepare(expression);
        evaluator.Reset();
        for (std::size_t row = 0; row < 3; ++row) {
            data_->SetRow(row);
            evaluator.DoAggregate();
        }
        return evaluator.Value();
    }

    std::shared_ptr<FakeDataSet> data_;
};

TEST_F(AggregateTest, SumCountMaxMinAverage) {
    TQREvaluator sum, count, max, min, minBool, maxText, average, mixed;
    EXPECT_TRUE(IsInt(Walk(sum, "SUM(n)"), 6));
    EXPECT_TRUE(sum.IsAggreg());
    EXPECT_TRUE(IsInt(Walk(count, "COUNT"), 3));
    EXPECT_TRUE(IsDouble(Walk(max, "MAX(x)"), 2.0));
    EXPECT_TRUE(IsInt(Walk(min, "MIN(n)"), 1));
    EXPECT_TRUE(IsBool(Walk(minBool, "MIN(b)"), false));
    EXPECT_TRUE(IsString(Walk(maxText, "MAX(s)"), "zebra"));
    EXPECT_TRUE(IsDouble(Walk(average, "AVERAGE(n)"), 2.0));
    // Integers and doubles together sum as a double.
    EXPECT_TRUE(IsDouble(Walk(mixed, "SUM(n) + SUM(x)"), 10.0));
}

TEST_F(AggregateTest, StateSurvivesValueAndClearsOnReset) {
    TQREvaluator evaluator;
    EXPECT_TRUE(IsDouble(Walk(evaluator, "AVERAGE(x)"), 4.0 / 3.0));
    EXPECT_TRUE(IsDouble(evaluator.Value(), 4.0 / 3.0)); // reading does not accumulate
    evaluator.Reset();
    EXPECT_TRUE(IsDouble(evaluator.Value(), 0.0));
    data_->SetRow(1);
    evaluator.DoAggregate();
    EXPECT_TRUE(IsDouble(evaluator.Value(), 1.5));

    TQREvaluator sum;
    sum.DataSets().Add(data_);
    sum.Prepare("SUM(n)");
    EXPECT_FALSE(sum.Aggregate());
    EXPECT_TRUE(IsInt(sum.Value(), 0)); // before any record
    TQREvaluator max;
    max.Prepare("MAX(1)");
    EXPECT_TRUE(IsInt(max.Value(), 0));
    TQREvaluator plain;
    plain.Prepare("1+2");
    EXPECT_FALSE(plain.IsAggreg());
}

TEST_F(AggregateTest, WrongArgumentsAndKindsGiveErrors) {
    TQREvaluator sumText, sumNone, countArg, maxMixed, averageText, sumError;
    EXPECT_TRUE(IsError(Walk(sumText, "SUM(s)"), "Wrong arguments for SUM"));
    EXPECT_TRUE(IsError(Walk(sumNone, "SUM()"), "Wrong arguments for SUM"));
    EXPECT_TRUE(IsError(Walk(countArg, "COUNT(n)"), "COUNT - Too many arguments"));
    EXPECT_TRUE(IsError(Walk(maxMixed, "MAX(IF(n=2, s, n))"), "Wrong arguments for MAX"));
    EXPECT_TRUE(IsError(Walk(averageText, "AVERAGE(b)"), "Wrong arguments for AVERAGE"));
    EXPECT_TRUE(IsError(Walk(sumError, "SUM(n/0)"), "Cannot divide by 0"));
    // Reset clears an error state as well.
    sumError.Reset();
    EXPECT_TRUE(IsInt(sumError.Value(), 0));
}

} // namespace
} // namespace quorvel::testing
