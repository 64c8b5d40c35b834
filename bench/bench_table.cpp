#include "store/StoreTable.h"
#include "support/BenchMain.h"

#include <QCoreApplication>
#include <QLocale>

#include <benchmark/benchmark.h>

#include <memory>

namespace quorvel {
namespace {

constexpr int kRows = 50000;
constexpr int kLots = 100;

// A 50,000-row item table in lots of 500, filtered to half of them, with the running total.
std::unique_ptr<TStoreTable> MakeTable(const char* filter) {
    auto table = std::make_unique<TStoreTable>();
    table->AddField("id_item", TFieldType::Integer);
    table->AddField("numitem", TFieldType::Integer);
    table->AddField("descr_item", TFieldType::String, 120);
    table->AddDecimalField("qtde", 3);
    table->AddDecimalField("preco_ini", 4);
    table->AddAggregateField("SomaItens", "Sum(qtde*preco_ini)");
    table->SetAggregatesActive(true);
    table->SetIndexFieldNames("numitem");
    table->CreateDataSet();
    table->DisableControls();
    for (int i = 0; i < kRows; ++i) {
        table->Append();
        table->FieldByName("id_item").SetAsInteger(i % kLots);
        table->FieldByName("numitem").SetAsInteger(i + 1);
        table->FieldByName("descr_item").SetAsString("ITEM " + std::to_string((i * 7919) % kRows));
        table->FieldByName("qtde").SetAsInteger(1 + i % 9);
        table->FieldByName("preco_ini").SetAsFloat(0.5 + i % 13);
        table->Post();
    }
    table->EnableControls();
    table->SetFilter(filter);
    table->SetFiltered(true);
    return table;
}

void BM_EditPostWithSumOnFilteredTable(benchmark::State& state) {
    auto table = MakeTable("id_item < 50");
    table->SetRecNo(table->RecordCount() / 2);
    TStoreField& preco = table->FieldByName("preco_ini");
    TStoreField& soma = table->FieldByName("SomaItens");
    double price = 1;
    for (auto _ : state) {
        table->Edit();
        preco.SetAsFloat(price);
        table->Post();
        benchmark::DoNotOptimize(soma.AsFloat());
        price = price == 1 ? 2 : 1;
    }
    state.counters["visible"] = table->RecordCount();
}
BENCHMARK(BM_EditPostWithSumOnFilteredTable)->Unit(benchmark::kMicrosecond);

void BM_SelectLotFilter(benchmark::State& state) {
    auto table = MakeTable("id_item = 1");
    int lot = 0;
    for (auto _ : state) {
        table->SetFilter(QStringLiteral("id_item = %1").arg(lot));
        lot = (lot + 1) % kLots;
        benchmark::DoNotOptimize(table->FieldByName("SomaItens").AsFloat());
    }
}
BENCHMARK(BM_SelectLotFilter)->Unit(benchmark::kMillisecond);

void BM_OrderByDescription(benchmark::State& state) {
    auto table = MakeTable("id_item >= 0");
    bool byText = true;
    for (auto _ : state) {
        table->SetIndexFieldNames(byText ? "descr_item" : "numitem");
        byText = !byText;
    }
}
BENCHMARK(BM_OrderByDescription)->Unit(benchmark::kMillisecond);

void BM_LocateByPrefix(benchmark::State& state) {
    auto table = MakeTable("id_item >= 0");
    for (auto _ : state) {
        benchmark::DoNotOptimize(table->Locate("descr_item", std::string("item 4999"),
                                               TLocateOption::PartialKey | TLocateOption::CaseInsensitive));
    }
}
BENCHMARK(BM_LocateByPrefix)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorvel

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QCoreApplication>(argc, argv,
                                                           quorvel::bench::BenchLocale::Brazilian);
}
