// The price round trip of a large auction, 20,000 items in 2,000 lots: the items exported to a sheet
// (built from the item table and written as the file's bytes, and written to a file in its atomic
// step), and a priced .xlsx read back into the import plan. The posts of the plan belong to the
// proposal's entry rules and are measured with them.

#include "support/BenchMain.h"
#include "support/ProposalGenerator.h"

#include "sheet/ItemSheet.h"
#include "sheet/PriceImport.h"
#include "sheet/SheetFile.h"
#include "sheet/SheetReaders.h"
#include "sheet/SheetWriters.h"
#include "store/StoreTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace quorvel;

constexpr int kItems = 20000;
constexpr int kLots = 2000;

// The generated proposal, open in a table as quorvel-packet opens it.
class Proposal {
public:
    Proposal() {
        const std::string xml = bench::GenerateProposalXml({kItems, kLots, 0.75, 20110429});
        QFile file(Path());
        if (file.open(QIODevice::WriteOnly)) file.write(xml.data(), static_cast<qint64>(xml.size()));
        file.close();
        table_.SetFileName(Path());
        table_.Open();
    }
    TStoreTable& Table() { return table_; }
    QString Path() const { return folder_.filePath(QStringLiteral("proposta.xml")); }
    QString Folder() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    TStoreTable table_;
};

Proposal& Shared() {
    static Proposal proposal;
    return proposal;
}

void ExportToBytes(benchmark::State& state, SheetFormat format) {
    TStoreTable& table = Shared().Table();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string file = WriteSheet(BuildItemSheet(table), format);
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_ExportItemsXlsx(benchmark::State& state) {
    ExportToBytes(state, SheetFormat::Xlsx);
}
void BM_ExportItemsOds(benchmark::State& state) {
    ExportToBytes(state, SheetFormat::Ods);
}
void BM_ExportItemsCsv(benchmark::State& state) {
    ExportToBytes(state, SheetFormat::Csv);
}

// As quorvel-packet export-sheet does it, the file replaced atomically (and synced) included.
void BM_ExportItemsXlsxFile(benchmark::State& state) {
    TStoreTable& table = Shared().Table();
    const QString path = Shared().Folder() + QStringLiteral("/itens.xlsx");
    for (auto _ : state)
        WriteSheetFile(path, BuildItemSheet(table));
}

// Every item priced and branded anew, as a supplier's sheet comes back.
std::string PricedSheet(SheetFormat format) {
    Sheet sheet = BuildItemSheet(Shared().Table());
    for (std::size_t r = 2; r < sheet.rows.size(); ++r) {
        SheetRow& row = sheet.rows[r];
        std::erase_if(row.cells, [](const SheetCell& cell) { return cell.column >= 8; });
        row.AddNumber(8, 1.0 + static_cast<double>(r % 997) * 0.0125, 4);
        row.AddText(9, QStringLiteral("Marca %1").arg(r % 50));
    }
    return WriteSheet(sheet, format);
}

void ReadAndPlan(benchmark::State& state, SheetFormat format) {
    TStoreTable& table = Shared().Table();
    const std::string file = PricedSheet(format);
    int updates = 0;
    for (auto _ : state) {
        const PriceImportPlan plan = PlanPriceImport(ReadSheet({file.data(), file.size()}, format), table);
        if (plan.HasErrors()) state.SkipWithError("the priced sheet has errors");
        updates = static_cast<int>(plan.updates.size());
    }
    state.counters["updates"] = updates;
    state.counters["bytes"] = static_cast<double>(file.size());
}

// The two halves of the import's reading: the file into a sheet, the sheet into the plan.
void BM_ReadXlsx(benchmark::State& state) {
    const std::string file = PricedSheet(SheetFormat::Xlsx);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadXlsx({file.data(), file.size()}).rows.size());
}
void BM_PlanFromSheet(benchmark::State& state) {
    TStoreTable& table = Shared().Table();
    const std::string file = PricedSheet(SheetFormat::Xlsx);
    const Sheet sheet = ReadXlsx({file.data(), file.size()});
    for (auto _ : state)
        benchmark::DoNotOptimize(PlanPriceImport(sheet, table).updates.size());
}
void BM_BuildItemSheet(benchmark::State& state) {
    TStoreTable& table = Shared().Table();
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildItemSheet(table).rows.size());
}

void BM_ReadXlsxAndPlan(benchmark::State& state) {
    ReadAndPlan(state, SheetFormat::Xlsx);
}
void BM_ReadOdsAndPlan(benchmark::State& state) {
    ReadAndPlan(state, SheetFormat::Ods);
}
void BM_ReadCsvAndPlan(benchmark::State& state) {
    ReadAndPlan(state, SheetFormat::Csv);
}

BENCHMARK(BM_ExportItemsXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportItemsXlsxFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportItemsOds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportItemsCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadXlsxAndPlan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildItemSheet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanFromSheet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadOdsAndPlan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCsvAndPlan)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
