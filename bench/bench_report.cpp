// Cost of a generation pass into a page store (Prepare) for a report shaped like the item-mode
// proposal report: a page header with a child band, column heads, one detail band with a
// word-wrapped description of 6 to 40 words and a stretching brand, and a page footer with the date
// and the page number, over 1,000 to 100,000 records of which 80 % are printed (the others have no
// price and are suppressed by the detail band's BeforePrint, as the application does).
//
// BM_Proposal is the whole pass; BM_BandsOnly runs the same bands and records without controls,
// which is the engine's own work per band (cursor, space checks, page breaks, page pictures); the
// difference is what the controls cost. BM_MeasureOnly runs the whole report into an export filter
// that keeps nothing: the controls measure and wrap their texts but nothing is drawn or stored, so
// BM_Proposal minus BM_MeasureOnly is the drawing of the page pictures and the page store.
// BM_MakePageStore is the fixed cost of the fresh page store every output operation makes. Peak
// resident memory is reported after each run; it includes the item table itself.
#include "report/Quickrpt.h"
#include "report/controls/Qrctrls.h"
#include "report/pagestore/QrprntrFilter.h"
#include "store/StoreField.h"
#include "store/StoreTable.h"
#include "support/BenchMain.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <memory>
#include <random>

namespace {

using namespace quorvel;

double PeakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

const QStringList& Words() {
    static const QStringList words =
        QStringLiteral(
            "caneta esferográfica azul tinta corpo transparente ponta média papel sulfite branco formato "
            "A4 gramatura resma pacote caixa unidade pasta suspensa cartão kraft arquivo morto plástico "
            "polipropileno grampeador metal capacidade folhas grampos galvanizados envelope ofício "
            "régua acrílico cristal borracha macia lápis preto grafite apontador depósito tesoura aço "
            "inox cabo anatômico cola bastão atóxica marca-texto amarelo fluorescente clipes niquelados")
            .split(' ');
    return words;
}

// A proposal item table of n records. Only the table of the running size is kept, so that the peak
// resident memory of a run is that table's and the pass's.
TStoreTable& Items(int records) {
    static std::unique_ptr<TStoreTable> slot;
    static int slotRecords = 0;
    if (slot && slotRecords == records) return *slot;
    slot.reset();
    slot = std::make_unique<TStoreTable>();
    slotRecords = records;
    TStoreTable& table = *slot;
    table.Name = QStringLiteral("CDSDigitacao");
    table.AddField("numitem", TFieldType::Integer);
    table.AddField("descr_item", TFieldType::String, 1000);
    table.AddField("qtde", TFieldType::Float).SetDisplayFormat(",0.0000");
    table.AddField("upsigl", TFieldType::String, 2);
    table.AddField("marca", TFieldType::String, 100);
    table.AddField("preco_ini", TFieldType::Float).SetDisplayFormat(",0.0000");
    table.AddField("totitem", TFieldType::Float).SetDisplayFormat(",0.00");
    table.CreateDataSet();
    std::mt19937 random(11);
    std::uniform_int_distribution<int> wordCount(6, 40);
    std::uniform_int_distribution<int> brandWords(1, 6);
    std::uniform_int_distribution<int> word(0, static_cast<int>(Words().size()) - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    table.DisableControls();
    for (int i = 1; i <= records; ++i) {
        QStringList description;
        for (int w = wordCount(random); w > 0; --w)
            description.append(Words()[word(random)]);
        QStringList brand;
        for (int w = brandWords(random); w > 0; --w)
            brand.append(Words()[word(random)]);
        table.Append();
        table.FieldByName("numitem").SetAsInteger(i);
        table.FieldByName("descr_item").SetAsQString(description.join(' '));
        table.FieldByName("qtde").SetAsFloat(10.0 * (i % 17 + 1));
        table.FieldByName("upsigl").SetAsQString("UN");
        table.FieldByName("marca").SetAsQString(brand.join(' '));
        if (percent(random) < 80) {
            table.FieldByName("preco_ini").SetAsFloat(1.25 * (i % 101 + 1));
            table.FieldByName("totitem").SetAsFloat(12.5 * (i % 101 + 1) * (i % 17 + 1));
        }
        table.Post();
    }
    table.EnableControls();
    table.First();
    return table;
}

template <class T> T& Place(TReportForm& form, TQRCustomBand& band, double left, double top, double width) {
    T& control = CreateComponent<T>(form);
    control.SetParent(&band);
    control.Size().SetNativeValue(TQRPrintableSize::iLeft, left);
    control.Size().SetNativeValue(TQRPrintableSize::iTop, top);
    control.Size().SetNativeValue(TQRPrintableSize::iWidth, width);
    return control;
}

struct ProposalReport {
    ProposalReport(TStoreTable& table, bool withControls) {
        auto& data = CreateComponent<TDataSetComponent>(form, &table);
        data.SetName("CDSDigitacao");
        report = &CreateComponent<TQuickRep>(form);
        report->SetDataSet(&data);
        report->SetShowProgress(false);
        report->Page().SetPaperSize(TQRPaperSize::A4);
        const auto band = [&](TQRBandType type, double height) -> TQRCustomBand& {
            TQRCustomBand& b = report->CreateBand(type);
            b.Size().SetNativeValue(TQRBandSize::iHeight, height);
            return b;
        };
        TQRCustomBand& header = band(TQRBandType::rbPageHeader, 120);
        header.SetHasChild(true);
        TQRCustomBand& child = *header.GetChild();
        child.Size().SetNativeValue(TQRBandSize::iHeight, 60);
        TQRCustomBand& heads = band(TQRBandType::rbColumnHeader, 50);
        TQRCustomBand& detail = band(TQRBandType::rbDetail, 45);
        TQRCustomBand& footer = band(TQRBandType::rbPageFooter, 60);
        TDataSetComponent* items = &data;
        TStoreTable* rows = &table;
        detail.BeforePrint = [rows](TQRCustomBand&, bool& print) {
            print = !rows->FieldByName("preco_ini").IsNull();
        };
        for (TQRCustomBand* counted : {&header, &child, &heads, &detail, &footer})
            counted->AfterPrint = [this](TQRCustomBand&, bool printed) { bandsPrinted += printed; };
        if (!withControls) return;
        TQRLabel& title = Place<TQRLabel>(form, header, 0, 10, 1000);
        title.SetCaption(QStringLiteral("PROPOSTA DE PREÇOS"));
        title.SetFont(TFont("Arial", 14, TFontStyle::fsBold));
        title.SetAlignment(TAlignment::taCenter);
        title.SetAlignToBand(true);
        Place<TQRLabel>(form, child, 0, 5, 1000).SetCaption(QStringLiteral("Pregão nº 12/2024 - Fornecedor"));
        const char* headings[] = {"Item", "Descrição", "Qtde", "Unid.", "Marca", "Preço unit.", "Total"};
        const double columns[] = {0, 170, 1540, 1760, 1840, 2260, 2560};
        for (int i = 0; i < 7; ++i)
            Place<TQRLabel>(form, heads, columns[i], 10, 150).SetCaption(QString::fromUtf8(headings[i]));
        const auto field = [&](const char* name, double left, double width) -> TQRDBText& {
            TQRDBText& text = Place<TQRDBText>(form, detail, left, 5, width);
            text.SetDataSet(items);
            text.SetDataField(QString::fromLatin1(name));
            return text;
        };
        field("numitem", 0, 150);
        TQRDBText& description = field("descr_item", 170, 508 * 254.0 / 96);
        description.SetAutoSize(false);
        description.SetWordWrap(true);
        description.SetAutoStretch(true);
        field("qtde", 1540, 200).SetAlignment(TAlignment::taRightJustify);
        field("upsigl", 1760, 60);
        TQRDBText& brand = field("marca", 1840, 400);
        brand.SetAutoSize(false);
        brand.SetAutoStretch(true);
        field("preco_ini", 2260, 280).SetAlignment(TAlignment::taRightJustify);
        field("totitem", 2560, 300).SetAlignment(TAlignment::taRightJustify);
        TQRSysData& date = Place<TQRSysData>(form, footer, 0, 10, 600);
        date.SetData(TQRSysDataType::qrsDate);
        date.SetText(QStringLiteral("Data Emissão:"));
        TQRSysData& page = Place<TQRSysData>(form, footer, 2400, 10, 400);
        page.SetData(TQRSysDataType::qrsPageNumber);
        page.SetText(QStringLiteral("Página:"));
    }
    TReportForm form;
    TQuickRep* report = nullptr;
    long long bandsPrinted = 0;
};

// Counts the pages the export saw and keeps nothing.
class CountingFilter : public TQRExportFilter {
public:
    CountingFilter()
        : TQRExportFilter(QStringLiteral("unused")) {}
    void NewPage() override { ++pages; }
    int pages = 0;
};

enum class Output { PageStore, Filter };

void Run(benchmark::State& state, bool withControls, Output output = Output::PageStore) {
    const int records = static_cast<int>(state.range(0));
    TStoreTable& table = Items(records);
    ProposalReport proposal(table, withControls);
    int pages = 0;
    for (auto _ : state) {
        proposal.bandsPrinted = 0;
        if (output == Output::Filter) {
            CountingFilter filter;
            proposal.report->ExportToFilter(filter);
            pages = filter.pages;
        } else {
            proposal.report->Prepare();
            pages = proposal.report->QRPrinter()->PageCount();
        }
    }
    proposal.report->FreeQRPrinter();
    state.counters["pages"] = pages;
    state.counters["per_band"] =
        benchmark::Counter(static_cast<double>(proposal.bandsPrinted),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["us_per_record"] =
        benchmark::Counter(static_cast<double>(records),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["us_per_page"] = benchmark::Counter(pages, benchmark::Counter::kIsIterationInvariantRate |
                                                                  benchmark::Counter::kInvert);
    state.counters["peak_MiB"] = PeakResidentMiB();
}

// The curve over the record count: time per record and per page should stay flat.
void Sizes(benchmark::internal::Benchmark* b) {
    for (int records : {1000, 3000, 10000, 30000, 100000})
        b->Arg(records);
    b->Unit(benchmark::kMillisecond)->Iterations(1);
}

void BM_Proposal(benchmark::State& state) {
    Run(state, true);
}
BENCHMARK(BM_Proposal)->Apply(Sizes);

void BM_MeasureOnly(benchmark::State& state) {
    Run(state, true, Output::Filter);
}
BENCHMARK(BM_MeasureOnly)->Apply(Sizes);

void BM_BandsOnly(benchmark::State& state) {
    Run(state, false);
}
BENCHMARK(BM_BandsOnly)->Apply(Sizes);

void BM_MakePageStore(benchmark::State& state) {
    for (auto _ : state) {
        TQRPrinter store;
        benchmark::DoNotOptimize(store.PaperSize());
    }
}
BENCHMARK(BM_MakePageStore)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QGuiApplication>(argc, argv);
}
