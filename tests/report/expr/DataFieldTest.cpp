#include "report/expr/ExprTestSupport.h"

#include <memory>

namespace quorvel::testing {
namespace {

std::shared_ptr<FakeDataSet> Items() {
    auto items = std::make_shared<FakeDataSet>(
        "CDSItens", std::vector<FakeDataSet::Column>{{"numitem", TQREvFieldKind::Integer},
                                                     {"descricao", TQREvFieldKind::String},
                                                     {"preco", TQREvFieldKind::Float},
                                                     {"ativo", TQREvFieldKind::Boolean},
                                                     {"data", TQREvFieldKind::DateTime},
                                                     {"foto", TQREvFieldKind::Unknown}});
    items->AddRow({1, "Caneta", 2.5, true, "01/02/2024", QVariant()});
    items->AddRow({2, "Lápis", 0.75, false, "03/04/2024", QVariant()});
    return items;
}

TEST(ExprDataFields, FieldsAreReadByKindAtEvaluationTime) {
    const auto items = Items();
    TQREvaluator evaluator;
    evaluator.DataSets().Add(items);
    evaluator.Prepare("numitem * 10");
    EXPECT_TRUE(IsInt(evaluator.Value(), 10));
    items->SetRow(1);
    EXPECT_TRUE(IsInt(evaluator.Value(), 20));

    EXPECT_TRUE(IsString(evaluator.Calculate("DESCRICAO"), QString::fromUtf8("Lápis")));
    EXPECT_TRUE(IsDouble(evaluator.Calculate("preco"), 0.75));
    EXPECT_TRUE(IsBool(evaluator.Calculate("ativo"), false));
    EXPECT_TRUE(IsString(evaluator.Calculate("data"), "03/04/2024"));
    EXPECT_TRUE(IsError(evaluator.Calculate("foto"), "Field foto is of unknown type"));
    EXPECT_TRUE(IsError(evaluator.Calculate("nada"), "Unknown function : nada"));
}

// A data set whose reads fail, as a damaged source would.
class FailingDataSet final : public TQREvDataSet {
public:
    QString Name() const override { return "Broken"; }
    int FindField(QStringView) const override { return 0; }
    QString FieldName(int) const override { return "x"; }
    TQREvFieldKind FieldKind(int) const override { return TQREvFieldKind::Float; }
    QString FieldText(int) const override { return {}; }
    std::int32_t FieldInteger(int) const override { return 0; }
    double FieldFloat(int) const override { throw EDatabaseError("Cannot read x"); }
    bool FieldBoolean(int) const override { return false; }
};

TEST(ExprDataFields, AFailingReadBecomesAnErrorResult) {
    TQREvaluator evaluator;
    evaluator.DataSets().Add(std::make_shared<FailingDataSet>());
    evaluator.Prepare("x * 2");
    EXPECT_TRUE(IsError(evaluator.Value(), "Cannot read x"));
}

TEST(ExprDataFields, DataSetNameSelectsTheDataSet) {
    auto lots = std::make_shared<FakeDataSet>(
        "CDSLotes", std::vector<FakeDataSet::Column>{{"numitem", TQREvFieldKind::Integer},
                                                     {"valor", TQREvFieldKind::Float}});
    lots->AddRow({7, 100.0});
    TQREvaluator evaluator;
    evaluator.DataSets().Add(Items());
    evaluator.DataSets().Add(lots);
    // A plain name is looked for in each data set in order.
    EXPECT_TRUE(IsInt(evaluator.Calculate("numitem"), 1));
    EXPECT_TRUE(IsDouble(evaluator.Calculate("valor"), 100.0));
    EXPECT_TRUE(IsInt(evaluator.Calculate("cdslotes.NUMITEM"), 7));
    EXPECT_TRUE(IsInt(evaluator.Calculate("[CDSItens.numitem] + cdslotes.numitem"), 8));
    EXPECT_TRUE(IsError(evaluator.Calculate("CDSItens.valor"), "Unknown function : CDSItens.valor"));
    EXPECT_TRUE(IsError(evaluator.Calculate("Outro.valor"), "Unknown function : Outro.valor"));
}

TEST(ExprDataFields, FieldsComeBeforeEnvironmentEntries) {
    TQREvEnvironment environment;
    environment.AddFunction("NUMITEM", "'entry'");
    environment.AddFunction("OTHER", "'other'");
    TQREvaluator evaluator;
    evaluator.SetEnvironment(&environment);
    EXPECT_TRUE(IsString(evaluator.Calculate("numitem"), "entry")); // no data-set list yet
    evaluator.DataSets().Add(Items());
    EXPECT_TRUE(IsInt(evaluator.Calculate("numitem"), 1));
    EXPECT_TRUE(IsString(evaluator.Calculate("other"), "other"));
}

TEST(ExprDataFields, EnvironmentEntriesReadTheEnvironmentsDataSets) {
    const auto items = Items();
    TQREvEnvironment environment;
    environment.DataSets().Add(items);
    environment.AddFunction("TOTAL", "preco * 2");
    environment.Prepare();
    EXPECT_TRUE(IsDouble(environment.Value("TOTAL"), 5.0));
    items->SetRow(1);
    EXPECT_TRUE(IsDouble(environment.Value("TOTAL"), 1.5));
    environment.Unprepare();
}

} // namespace
} // namespace quorvel::testing
