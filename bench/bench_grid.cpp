// What the data-aware controls add to a walk over a large table: every row moved to, edited and
// posted (as the supplier data is written into every item row on opening a file), with and without a
// grid, a field display and a total display bound to the table.
#include "store/StoreTable.h"
#include "support/BenchMain.h"
#include "ui/DBControls.h"
#include "ui/DBGrid.h"
#include "ui/DBNavigator.h"

#include <QApplication>
#include <QLocale>

#include <benchmark/benchmark.h>

#include <memory>

namespace quorvel {
namespace {

constexpr int kRows = 20000;

std::unique_ptr<TStoreTable> MakeTable() {
    auto table = std::make_unique<TStoreTable>();
    table->AddField("material", TFieldType::String, 14);
    table->AddField("descr_item", TFieldType::String, 120);
    table->AddDecimalField("qtde", 3).SetDisplayFormat(",0.0000");
    TStoreField& preco = table->AddDecimalField("preco_ini", 4);
    preco.SetDisplayFormat(",0.0000");
    preco.SetEditFormat(",0.0000");
    table->AddField("razao_social", TFieldType::String, 80);
    table->AddAggregateField("SomaItens", "Sum(qtde*preco_ini)").SetDisplayFormat("###,##0.00");
    table->SetAggregatesActive(true);
    table->CreateDataSet();
    table->DisableControls();
    for (int i = 0; i < kRows; ++i) {
        table->Append();
        table->FieldByName("material").SetAsString("M-" + std::to_string(i));
        table->FieldByName("descr_item").SetAsString("ITEM " + std::to_string((i * 7919) % kRows));
        table->FieldByName("qtde").SetAsInteger(1 + i % 9);
        table->FieldByName("preco_ini").SetAsFloat(0.5 + i % 13);
        table->Post();
    }
    table->EnableControls();
    table->First();
    return table;
}

void WalkEditingEveryRow(TStoreTable& table, const char* name) {
    TStoreField& razao = table.FieldByName("razao_social");
    for (table.First(); !table.Eof(); table.Next()) {
        table.Edit();
        razao.SetAsString(name);
        table.Post();
    }
    table.First();
}

void BM_WalkTableAlone(benchmark::State& state) {
    auto table = MakeTable();
    int round = 0;
    for (auto _ : state)
        WalkEditingEveryRow(*table, ++round % 2 ? "Empresa A" : "Empresa B");
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_WalkTableAlone)->Unit(benchmark::kMillisecond);

enum Bound { kGrid = 1, kEdit = 2, kText = 4, kNavigator = 8, kMemo = 16, kAll = 31 };

void BM_WalkTableWithBoundControls(benchmark::State& state) {
    const auto bound = static_cast<int>(state.range(0));
    auto table = MakeTable();
    TDataSource source(table.get());
    TDBGrid grid;
    grid.SetDataSource(&source);
    grid.SetColumns({{"material", "", 80, false},
                     {"descr_item", "", 349, false},
                     {"qtde", "Qtde.", 72, false},
                     {"preco_ini", "Valor Item", 92, false}});
    grid.resize(800, 400);
    grid.show();
    TDBEdit edit;
    edit.SetDataField("material");
    TDBText total;
    total.SetDataField("SomaItens");
    TDBNavigator navigator;
    TDBMemo memo;
    memo.SetDataField("descr_item");
    memo.show();
    if ((bound & kMemo) != 0) memo.SetDataSource(&source);
    if ((bound & kGrid) == 0) grid.SetDataSource(nullptr);
    if ((bound & kEdit) != 0) edit.SetDataSource(&source);
    if ((bound & kText) != 0) total.SetDataSource(&source);
    if ((bound & kNavigator) != 0) navigator.SetDataSource(&source);
    int round = 0;
    for (auto _ : state) {
        WalkEditingEveryRow(*table, ++round % 2 ? "Empresa A" : "Empresa B");
        QCoreApplication::processEvents(); // the repaints the walk asked for
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_WalkTableWithBoundControls)
    ->Unit(benchmark::kMillisecond)
    ->ArgName("bound")
    ->Arg(kGrid)
    ->Arg(kEdit)
    ->Arg(kText)
    ->Arg(kNavigator)
    ->Arg(kMemo)
    ->Arg(kAll);

} // namespace
} // namespace quorvel

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QApplication>(argc, argv, quorvel::bench::BenchLocale::Brazilian);
}
