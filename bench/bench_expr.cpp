// Cost of evaluating prepared report expressions. The headline case reads two fields of the
// current record and multiplies them, as a detail line's amount does; it must stay far below a
// microsecond and must not allocate. Allocations are counted by replacing the global operator new
// and reported per evaluation.
#include "report/expr/Qrexpr.h"
#include "store/StoreTable.h"
#include "support/BenchMain.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

std::atomic<long long> allocations{0};

} // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using namespace quorvel;

// A record of an item line held in plain members: quantity and unit price.
class ItemRecord final : public TQREvDataSet {
public:
    QString Name() const override { return QStringLiteral("CDSDigitacao"); }
    int FindField(QStringView name) const override {
        if (name.compare(QLatin1String("qtde"), Qt::CaseInsensitive) == 0) return 0;
        if (name.compare(QLatin1String("preco_ini"), Qt::CaseInsensitive) == 0) return 1;
        return -1;
    }
    QString FieldName(int field) const override { return field == 0 ? "qtde" : "preco_ini"; }
    TQREvFieldKind FieldKind(int) const override { return TQREvFieldKind::Float; }
    QString FieldText(int) const override { return QString(); }
    std::int32_t FieldInteger(int) const override { return 0; }
    double FieldFloat(int field) const override { return field == 0 ? quantity : price; }
    bool FieldBoolean(int) const override { return false; }

    double quantity = 12.0;
    double price = 3.25;
};

void Evaluate(benchmark::State& state, const char* expression, bool withFields) {
    auto record = std::make_shared<ItemRecord>();
    TQREvaluator evaluator;
    if (withFields) evaluator.DataSets().Add(record);
    evaluator.Prepare(QString::fromLatin1(expression));
    benchmark::DoNotOptimize(evaluator.Value()); // warm the argument lists
    const long long before = allocations.load();
    for (auto _ : state) {
        record->price += 0.01;
        benchmark::DoNotOptimize(evaluator.Value());
    }
    state.counters["allocs_per_eval"] =
        benchmark::Counter(double(allocations.load() - before), benchmark::Counter::kAvgIterations);
}

void BM_TwoFieldsProduct(benchmark::State& state) {
    Evaluate(state, "qtde * preco_ini", true);
}
void BM_ConstantArithmetic(benchmark::State& state) {
    Evaluate(state, "2+3*4-10/4", false);
}
void BM_FunctionCall(benchmark::State& state) {
    Evaluate(state, "INT(qtde * preco_ini) + DIV(7, 2)", true);
}

void BM_AggregateSum(benchmark::State& state) {
    auto record = std::make_shared<ItemRecord>();
    TQREvaluator evaluator;
    evaluator.DataSets().Add(record);
    evaluator.Prepare("SUM(qtde * preco_ini)");
    evaluator.DoAggregate();
    const long long before = allocations.load();
    for (auto _ : state)
        evaluator.DoAggregate();
    state.counters["allocs_per_eval"] =
        benchmark::Counter(double(allocations.load() - before), benchmark::Counter::kAvgIterations);
}

void BM_PrepareTwoFieldsProduct(benchmark::State& state) {
    auto record = std::make_shared<ItemRecord>();
    TQREvaluator evaluator;
    evaluator.DataSets().Add(record);
    for (auto _ : state)
        evaluator.Prepare("qtde * preco_ini");
}

// The same product over a store table's exact-decimal fields, as a report over the proposal reads them.
void BM_StoreTwoFieldsProduct(benchmark::State& state) {
    TStoreTable table;
    table.Name = "CDSDigitacao";
    table.AddDecimalField("qtde", 3);
    table.AddDecimalField("preco_ini", 4);
    table.CreateDataSet();
    table.Append();
    table.FieldByName("qtde").SetAsFloat(12.0);
    table.FieldByName("preco_ini").SetAsFloat(3.25);
    table.Post();
    TQREvaluator evaluator;
    evaluator.DataSets().Add(table);
    evaluator.Prepare("qtde * preco_ini");
    benchmark::DoNotOptimize(evaluator.Value());
    const long long before = allocations.load();
    for (auto _ : state)
        benchmark::DoNotOptimize(evaluator.Value());
    state.counters["allocs_per_eval"] =
        benchmark::Counter(double(allocations.load() - before), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_TwoFieldsProduct);
BENCHMARK(BM_StoreTwoFieldsProduct);
BENCHMARK(BM_ConstantArithmetic);
BENCHMARK(BM_FunctionCall);
BENCHMARK(BM_AggregateSum);
BENCHMARK(BM_PrepareTwoFieldsProduct);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
