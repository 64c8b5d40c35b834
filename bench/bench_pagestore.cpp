// The page store under a long preview run: 2,000 dense pages (200 text lines each) drawn through
// TQRPrinter under qrdMetafile. Reports the time to store a page (closing it in NewPage: serialise,
// append to the page list, open the next picture), the resident memory the run added against the
// memory limit, and the time GetPage takes for any page of the finished document.
#include "platform/Canvas.h"
#include "report/Qrprntr.h"
#include "support/BenchMain.h"

#include <QFile>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <random>

namespace {

using namespace quorvel;

constexpr int Pages = 2000;
constexpr int MemoryLimit = 250000;

// Resident memory of the process in bytes, from /proc.
double ResidentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toDouble() * 1024.0;
    return 0;
}

void DrawDensePage(TQRPrinter& pageStore) {
    TCanvas& canvas = pageStore.Canvas();
    canvas.SetFont(TFont(QStringLiteral("Arial"), 8));
    const int page = pageStore.PageNumber();
    for (int line = 0; line < 200; ++line)
        canvas.TextOut(pageStore.XPos(100 + 1000 * (line / 100)), pageStore.YPos(100 + 27 * (line % 100)),
                       QStringLiteral("%1 %2  Caneta esferográfica azul  cx 50 un.  R$ %3,50")
                           .arg(page)
                           .arg(line + 1, 3)
                           .arg(line * 3 + 1));
}

// One finished document of 2,000 pages, made once and shared by the GetPage benchmark.
struct Document {
    TQRPrinter pageStore;
    double storeSeconds = 0;
    double residentGrowth = 0;
    qint64 streamBytes = 0;

    Document() {
        pageStore.PrinterSettings().SetMemoryLimit(MemoryLimit);
        pageStore.SetPaperSize(TQRPaperSize::A4);
        pageStore.BeginDoc();
        pageStore.NewPage();
        DrawDensePage(pageStore);
        const double residentBefore = ResidentBytes();
        for (int page = 2; page <= Pages; ++page) {
            const auto start = std::chrono::steady_clock::now();
            pageStore.NewPage();
            storeSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            DrawDensePage(pageStore);
        }
        pageStore.EndDoc();
        residentGrowth = ResidentBytes() - residentBefore;
        streamBytes = pageStore.PageList().Stream()->Size();
    }
};

// Made on first use and freed in main, while the application object still exists.
std::unique_ptr<Document> sharedDocument;

Document& SharedDocument() {
    if (!sharedDocument) sharedDocument = std::make_unique<Document>();
    return *sharedDocument;
}

// Storing pages: the time of NewPage, which closes the drawn page and opens the next.
void BM_StoreDensePage(benchmark::State& state) {
    Document& document = SharedDocument();
    for (auto _ : state) {
        TQRPrinter pageStore;
        pageStore.BeginDoc();
        pageStore.NewPage();
        DrawDensePage(pageStore);
        const auto start = std::chrono::steady_clock::now();
        pageStore.NewPage();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        pageStore.EndDoc();
    }
    state.counters["run_store_ms_per_page"] = document.storeSeconds / (Pages - 1) * 1000.0;
    state.counters["run_resident_growth_kib"] = document.residentGrowth / 1024.0;
    state.counters["memory_limit_kib"] = MemoryLimit / 1024.0;
    state.counters["stream_mib"] = double(document.streamBytes) / (1024.0 * 1024.0);
    state.counters["in_memory"] = document.pageStore.PageList().Stream()->InMemory() ? 1 : 0;
}
BENCHMARK(BM_StoreDensePage)->UseManualTime()->Unit(benchmark::kMicrosecond);

// GetPage of pages picked at random over the whole document, the worst case for the page chain.
void BM_GetAnyPage(benchmark::State& state) {
    TQRPrinter& pageStore = SharedDocument().pageStore;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pick(1, Pages);
    for (auto _ : state)
        benchmark::DoNotOptimize(pageStore.GetPage(pick(random)));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetAnyPage)->Unit(benchmark::kMicrosecond);

// The farthest jumps: from the last page to the first and back.
void BM_GetPageAcrossTheDocument(benchmark::State& state) {
    TQRPrinter& pageStore = SharedDocument().pageStore;
    int page = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pageStore.GetPage(page));
        page = page == 1 ? Pages : 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetPageAcrossTheDocument)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QGuiApplication>(argc, argv, quorvel::bench::BenchLocale::System,
                                                          [] { sharedDocument.reset(); });
}
