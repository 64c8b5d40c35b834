// The preview over a long report: 700 dense pages (a proposal of about 10,000 items; 200 text lines
// and 50 frames a page) in a page store. Measures a page turn with its repaint at 100 % and a search
// over every page for a word that only the last page carries.
#include "platform/Canvas.h"
#include "report/Qrprntr.h"
#include "report/output/Qrprev.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace quorvel;

constexpr int Pages = 700;

void DrawProposalPage(TQRPrinter& pageStore, bool last) {
    TCanvas& canvas = pageStore.Canvas();
    canvas.SetFont(TFont(QStringLiteral("Arial"), 8));
    const int page = pageStore.PageNumber();
    for (int line = 0; line < 200; ++line)
        canvas.TextOut(pageStore.XPos(100 + 1000 * (line / 100)), pageStore.YPos(100 + 27 * (line % 100)),
                       QStringLiteral("%1 %2  Caneta esferográfica azul  cx 50 un.  R$ %3,50")
                           .arg(page)
                           .arg(line + 1, 3)
                           .arg(line * 3 + 1));
    for (int frame = 0; frame < 50; ++frame)
        canvas.Rectangle(pageStore.XPos(100 + 38 * frame), pageStore.YPos(2800),
                         pageStore.XPos(130 + 38 * frame), pageStore.YPos(2900));
    if (last) canvas.TextOut(pageStore.XPos(100), pageStore.YPos(2950), QStringLiteral("TOTAL GERAL"));
}

struct Report {
    TQRPrinter pageStore;
    Report() {
        pageStore.SetPaperSize(TQRPaperSize::A4);
        pageStore.BeginDoc();
        for (int page = 1; page <= Pages; ++page) {
            pageStore.NewPage();
            DrawProposalPage(pageStore, page == Pages);
        }
        pageStore.EndDoc();
    }
};

// Made on first use and freed in main, while the application object still exists.
std::unique_ptr<Report> sharedReport;

Report& SharedReport() {
    if (!sharedReport) sharedReport = std::make_unique<Report>();
    return *sharedReport;
}

// Next page and its repaint at 100 %, as Page Down does.
void BM_PageTurnRepaint(benchmark::State& state) {
    TQRPreview preview;
    preview.resize(900, 1200);
    preview.show();
    preview.SetQRPrinter(&SharedReport().pageStore);
    preview.SetZoom(100);
    QImage target(preview.PageImage().size(), QImage::Format_ARGB32_Premultiplied);
    int page = 1;
    for (auto _ : state) {
        page = page % Pages + 1;
        preview.SetPageNumber(page);
        preview.PageImage().render(&target);
    }
    // What was painted: the dark pixels of the last page shown, so a blank repaint shows up.
    const QImage& shown = target;
    int dark = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (qGray(shown.pixel(x, y)) < 128) ++dark;
    state.counters["dark_pixels"] = dark;
    preview.SetQRPrinter(nullptr);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PageTurnRepaint)->Unit(benchmark::kMillisecond);

// The search of the preview window over every page (fetch, enumerate the text records, compare).
void BM_SearchEveryPage(benchmark::State& state) {
    TQRPrinter& pageStore = SharedReport().pageStore;
    int hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (int page = 1; page <= pageStore.PageCount(); ++page)
            if (const auto picture = pageStore.GetPage(page);
                picture && StrInMetafile(QStringLiteral("Total"), *picture, false))
                ++hits;
    }
    state.counters["hits"] = hits;
    state.counters["pages"] = Pages;
}
BENCHMARK(BM_SearchEveryPage)->Unit(benchmark::kMillisecond);

// The share of the search that fetching the pages takes.
void BM_FetchEveryPage(benchmark::State& state) {
    TQRPrinter& pageStore = SharedReport().pageStore;
    for (auto _ : state)
        for (int page = 1; page <= pageStore.PageCount(); ++page)
            benchmark::DoNotOptimize(pageStore.GetPage(page));
}
BENCHMARK(BM_FetchEveryPage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sharedReport.reset();
    return 0;
}
