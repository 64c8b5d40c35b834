// The price round trip of a large auction, 20,000 items in 2,000 lots: the items exported to a sheet
// (built from the item table and written as the file's bytes, and written to a file in its atomic
// step), a priced .xlsx read back into the import plan, and the whole import into an open lot-mode
// proposal: read, plan, every row posted with its handlers and lot roll-up, PropagaValorLotes; and
// the floor of the .xlsx read, its worksheet part tokenized by QXmlStreamReader alone, and the part
// read in one pass and in two halves at once.

#include "support/BenchMain.h"
#include "support/ProposalGenerator.h"

#include "app/proposal/ProposalPriceImport.h"
#include "app/proposal/ProposalRecordSet.h"
#include "sheet/ItemSheet.h"
#include "sheet/PriceImport.h"
#include "sheet/SheetCollector.h"
#include "sheet/SheetFile.h"
#include "sheet/SheetReaders.h"
#include "sheet/SheetWriters.h"
#include "sheet/XlsxWorksheet.h"
#include "sheet/XmlPartReader.h"
#include "sheet/ZipReader.h"
#include "sheet/ZipWriter.h"
#include "store/StoreTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <benchmark/benchmark.h>

#include <ctime>
#include <map>
#include <memory>
#include <string_view>

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

// CPU time of all the process's threads: with the worksheet read on two threads, the CPU column
// (the calling thread's) leaves out the second one.
double ProcessCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

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
    const double start = ProcessCpuMs();
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadXlsx({file.data(), file.size()}).rows.size());
    state.counters["cpu_all_threads_ms"] = (ProcessCpuMs() - start) / static_cast<double>(state.iterations());
}
// The floor under BM_ReadXlsx: the worksheet part, inflated beforehand, only tokenized by
// QXmlStreamReader with nothing done for its tokens. What BM_ReadXlsx takes beyond this is the
// inflating and the reader's own work on the cells.
void BM_TokenizeXlsxWorksheet(benchmark::State& state) {
    const std::string file = PricedSheet(SheetFormat::Xlsx);
    const SheetLimits limits;
    ZipReader zip({file.data(), file.size()}, limits);
    const QByteArray part = zip.ReadAll(QStringLiteral("xl/worksheets/sheet1.xml"), limits.maxInflatedBytes);
    long tokens = 0;
    for (auto _ : state) {
        QXmlStreamReader xml(part);
        tokens = 0;
        while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::Invalid)
            ++tokens;
        if (xml.hasError()) state.SkipWithError("the worksheet part is not well-formed");
    }
    state.counters["tokens"] = static_cast<double>(tokens);
    state.counters["inflated_bytes"] = static_cast<double>(part.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * part.size());
}

// The worksheet part of BM_ReadXlsx, inflated beforehand, read into rows in one pass and in two
// halves on two threads (as ReadXlsx reads a part of this size); "in_halves" tells the halves were
// taken. Wall time is what the import waits for; CPU time counts the calling thread only.
QByteArray PricedWorksheetPart() {
    const std::string file = PricedSheet(SheetFormat::Xlsx);
    const SheetLimits limits;
    ZipReader zip({file.data(), file.size()}, limits);
    return zip.ReadAll(QStringLiteral("xl/worksheets/sheet1.xml"), limits.maxInflatedBytes);
}
void BM_ReadWorksheetOnePass(benchmark::State& state) {
    const QByteArray part = PricedWorksheetPart();
    const std::span<const char> bytes(part.constData(), static_cast<std::size_t>(part.size()));
    const SheetLimits limits;
    std::size_t rows = 0;
    for (auto _ : state) {
        SheetCollector sheet(limits);
        XmlPartReader xml(QStringLiteral("sheet1.xml"), {{bytes, 0, true}}, limits);
        ReadWorksheet(xml, sheet, {});
        rows = sheet.Take().rows.size();
    }
    state.counters["rows"] = static_cast<double>(rows);
}
void BM_ReadWorksheetInHalves(benchmark::State& state) {
    const QByteArray part = PricedWorksheetPart();
    const std::span<const char> bytes(part.constData(), static_cast<std::size_t>(part.size()));
    const SheetLimits limits;
    const std::size_t cut = FindRowTag(bytes, bytes.size() / 2);
    std::size_t rows = 0;
    bool halves = false;
    const double start = ProcessCpuMs();
    for (auto _ : state) {
        SheetCollector sheet(limits);
        halves = ReadWorksheetInHalves(QStringLiteral("sheet1.xml"), bytes, cut, sheet, {});
        rows = sheet.Take().rows.size();
    }
    state.counters["cpu_all_threads_ms"] = (ProcessCpuMs() - start) / static_cast<double>(state.iterations());
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["in_halves"] = halves ? 1 : 0;
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

// The priced sheet as a spreadsheet program saves it: every text a shared string (each distinct
// text once), the worksheet's cells naming them by number. Only the parts the reader reads are kept.
std::string WithSharedStrings(const std::string& xlsx) {
    const SheetLimits limits;
    ZipReader zip({xlsx.data(), xlsx.size()}, limits);
    const QByteArray inlined =
        zip.ReadAll(QStringLiteral("xl/worksheets/sheet1.xml"), limits.maxInflatedBytes);
    const std::string_view sheet(inlined.constData(), static_cast<std::size_t>(inlined.size()));
    const std::string_view open = "t=\"inlineStr\"><is><t";
    const std::string_view close = "</t></is>";
    std::string worksheet;
    std::string strings;
    std::map<std::string_view, int> index;
    std::size_t at = 0;
    for (std::size_t found; (found = sheet.find(open, at)) != std::string_view::npos;) {
        const std::size_t text = sheet.find('>', found + open.size()) + 1;
        const std::size_t end = sheet.find(close, text);
        const std::string_view escaped = sheet.substr(text, end - text);
        const auto [entry, added] = index.emplace(escaped, static_cast<int>(index.size()));
        if (added) strings.append("<si><t xml:space=\"preserve\">").append(escaped).append("</t></si>");
        worksheet.append(sheet.substr(at, found - at)).append("t=\"s\"><v>");
        worksheet.append(std::to_string(entry->second)).append("</v>");
        at = end + close.size();
    }
    worksheet.append(sheet.substr(at));
    const QByteArray main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const QByteArray rels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    ZipWriter out;
    out.Add(QStringLiteral("_rels/.rels"), zip.ReadAll(QStringLiteral("_rels/.rels"), 1 << 20));
    out.Add(QStringLiteral("xl/workbook.xml"), zip.ReadAll(QStringLiteral("xl/workbook.xml"), 1 << 20));
    out.Add(QStringLiteral("xl/_rels/workbook.xml.rels"),
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" Type=\"" +
                rels + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId9\" Type=\"" +
                rels + "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>");
    out.Add(QStringLiteral("xl/worksheets/sheet1.xml"), QByteArray::fromStdString(worksheet));
    out.Add(QStringLiteral("xl/sharedStrings.xml"), "<sst xmlns=\"" + main + "\" uniqueCount=\"" +
                                                        QByteArray::number(static_cast<int>(index.size())) +
                                                        "\">" + QByteArray::fromStdString(strings) +
                                                        "</sst>");
    return out.Finish();
}

// As the window's "Importar" and quorvel-packet import-prices do it, on a proposal opened and its
// lots built as the program opens it (not timed), up to the file's write at the close (not timed).
void ImportInLotMode(benchmark::State& state, const std::string& file) {
    int updates = 0;
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto proposta = std::make_unique<ProposalRecordSet>(Shared().Folder() + QLatin1Char('/'));
        proposta->OpenForReport(Shared().Path());
        state.ResumeTiming();
        const double start = ProcessCpuMs();
        const PriceImportPlan plan =
            PlanPriceImport(ReadSheet({file.data(), file.size()}, SheetFormat::Xlsx), proposta->ItemTable());
        {
            ProposalPriceImport target(*proposta);
            ApplyPriceImport(plan, target);
        }
        updates = static_cast<int>(plan.updates.size());
        cpu += ProcessCpuMs() - start;
        state.PauseTiming();
        proposta.reset();
        state.ResumeTiming();
    }
    state.counters["updates"] = updates;
    state.counters["cpu_all_threads_ms"] = cpu / static_cast<double>(state.iterations());
    state.counters["bytes"] = static_cast<double>(file.size());
}
void BM_ImportXlsxWithPostsInLotMode(benchmark::State& state) {
    ImportInLotMode(state, PricedSheet(SheetFormat::Xlsx));
}
void BM_ImportSharedStringsXlsxInLotMode(benchmark::State& state) {
    ImportInLotMode(state, WithSharedStrings(PricedSheet(SheetFormat::Xlsx)));
}

// The posting half of the import alone: the plan made beforehand, every row posted with its
// handlers and lot roll-up, then PropagaValorLotes.
void BM_PostPriceImportInLotMode(benchmark::State& state) {
    const std::string file = PricedSheet(SheetFormat::Xlsx);
    const Sheet sheet = ReadXlsx({file.data(), file.size()});
    for (auto _ : state) {
        state.PauseTiming();
        auto proposta = std::make_unique<ProposalRecordSet>(Shared().Folder() + QLatin1Char('/'));
        proposta->OpenForReport(Shared().Path());
        const PriceImportPlan plan = PlanPriceImport(sheet, proposta->ItemTable());
        state.ResumeTiming();
        {
            ProposalPriceImport target(*proposta);
            ApplyPriceImport(plan, target);
        }
        state.PauseTiming();
        proposta.reset();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_ImportXlsxWithPostsInLotMode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportSharedStringsXlsxInLotMode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExportItemsXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportItemsXlsxFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportItemsOds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportItemsCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadXlsxAndPlan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BuildItemSheet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadXlsx)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TokenizeXlsxWorksheet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWorksheetOnePass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWorksheetInHalves)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlanFromSheet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PostPriceImportInLotMode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadOdsAndPlan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCsvAndPlan)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
