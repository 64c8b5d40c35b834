// Cost of writing a report layout as text and reading it back into a new form, for a layout of
// about 200 components: a report with a page header and its child, 40 groups with footers,
// sub-details with headers, loop bands and plain bands, each with its frame, font and size.
#include "report/Quickrpt.h"
#include "support/BenchMain.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace quorvel;

std::unique_ptr<TReportForm> BuildLayout() {
    auto form = std::make_unique<TReportForm>(nullptr, QStringLiteral("TFormRelatorio"));
    form->SetName("FormRelatorio");
    CreateComponent<TDataSetComponent>(*form).SetName("CDSDigitacao");
    TQuickRep& report = CreateComponent<TQuickRep>(*form);
    report.SetName("QuickRep1");
    report.SetReportTitle(QStringLiteral("Proposta de Preços"));
    report.Bands().SetHasPageHeader(true);
    report.Bands().BandOfIndex(2)->SetHasChild(true);
    report.Bands().SetHasDetail(true);
    report.Bands().SetHasPageFooter(true);
    int made = 5;
    for (int i = 0; made < 200; ++i) {
        TQRCustomBand* band = nullptr;
        switch (i % 4) {
        case 0: {
            TQRGroup& group = CreateComponent<TQRGroup>(*form);
            group.SetName("QRGroup" + QString::number(i));
            group.SetParent(&report);
            group.SetExpression("CDSDigitacao.id_item");
            TQRCustomBand& footer = report.CreateBand(TQRBandType::rbGroupFooter);
            group.SetFooterBand(&footer);
            band = &group;
            made += 2;
            break;
        }
        case 1: {
            TQRSubDetail& sub = CreateComponent<TQRSubDetail>(*form);
            sub.SetName("QRSubDetail" + QString::number(i));
            sub.SetParent(&report);
            sub.Bands().SetHasHeader(true);
            band = &sub;
            made += 2;
            break;
        }
        case 2: {
            TQRLoopBand& loop = CreateComponent<TQRLoopBand>(*form);
            loop.SetName("QRLoopBand" + QString::number(i));
            loop.SetParent(&report);
            loop.SetPrintCount(i);
            band = &loop;
            ++made;
            break;
        }
        default:
            band = &report.CreateBand(TQRBandType::rbColumnHeader);
            ++made;
            break;
        }
        band->Frame().DrawTop = true;
        band->Frame().Width = 2;
        band->SetFont(TFont(QStringLiteral("Arial"), 8 + i % 4));
        band->Size().SetNativeValue(TQRBandSize::iHeight, 50 + i);
    }
    return form;
}

void WriteLayout200(benchmark::State& state) {
    const std::unique_ptr<TReportForm> form = BuildLayout();
    QByteArray text;
    for (auto _ : state) {
        text = WriteLayout(*form);
        benchmark::DoNotOptimize(text);
    }
    state.counters["components"] = form->ComponentCount();
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(WriteLayout200)->Unit(benchmark::kMillisecond);

void ReadLayout200(benchmark::State& state) {
    const QByteArray text = WriteLayout(*BuildLayout());
    int components = 0;
    for (auto _ : state) {
        std::unique_ptr<TReportForm> form = ReadLayoutForm(text);
        components = form->ComponentCount();
        benchmark::DoNotOptimize(form);
    }
    state.counters["components"] = components;
}
BENCHMARK(ReadLayout200)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QGuiApplication>(argc, argv);
}
