// Cost of storing report pages in the page list and reading them back, plain and splay-coded, and
// the bytes a dense page takes in each form. The page is recorded once through the canvas: an A4
// page with 200 lines of text and 50 rectangles.
#include "platform/MetafileCanvas.h"
#include "report/Qrprntr.h"
#include "support/BenchMain.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

using namespace quorvel;

constexpr int Pages = 50;

const TMetafile& DensePage() {
    static const TMetafile page = [] {
        TMetafile picture;
        picture.SetWidth(794);
        picture.SetHeight(1123);
        TMetafileCanvas canvas(picture);
        canvas.SetFont(TFont(QStringLiteral("Arial"), 8));
        for (int line = 0; line < 200; ++line)
            canvas.TextOut(30 + 380 * (line / 100), 20 + 10 * (line % 100),
                           QStringLiteral("%1  Caneta esferográfica azul  cx 50 un.  R$ %2,50")
                               .arg(line + 1, 3)
                               .arg(line * 3 + 1));
        for (int frame = 0; frame < 50; ++frame)
            canvas.Rectangle(30 + 15 * frame, 1040, 42 + 15 * frame, 1080);
        canvas.Finish();
        return picture;
    }();
    return page;
}

struct StoredReport {
    explicit StoredReport(bool coded)
        : stream(std::make_shared<TQRStream>(250000)) {
        list.SetStream(stream);
        list.SetCompression(coded);
        for (int i = 0; i < Pages; ++i)
            list.AddPage(DensePage());
        list.Finish();
    }
    std::shared_ptr<TQRStream> stream;
    TQRPageList list;
};

// Appending pages as the generator does: serialise, (code,) write the record; the stream moves to
// its temporary file after the first 250000 bytes.
void BM_StorePages(benchmark::State& state) {
    const bool coded = state.range(0) != 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        StoredReport report(coded);
        bytes = report.stream->Size();
    }
    state.SetItemsProcessed(state.iterations() * Pages);
    state.counters["bytes_per_page"] = double(bytes - TQRFileHeader::kLength) / Pages;
    state.counters["picture_bytes"] = double(DensePage().SaveToBytes().size());
}
BENCHMARK(BM_StorePages)->ArgName("coded")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Reading every page in order as a new picture (one chain step each, the picture checked).
void BM_ReadPagesInOrder(benchmark::State& state) {
    StoredReport report(state.range(0) != 0);
    for (auto _ : state)
        for (int page = 1; page <= Pages; ++page)
            benchmark::DoNotOptimize(report.list.GetPage(page));
    state.SetItemsProcessed(state.iterations() * Pages);
}
BENCHMARK(BM_ReadPagesInOrder)->ArgName("coded")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Jumping between pages as the preview's user does: each read walks the chain from the last one.
void BM_ReadPagesAtRandom(benchmark::State& state) {
    StoredReport report(state.range(0) != 0);
    std::mt19937 random(5);
    std::uniform_int_distribution<int> pick(1, Pages);
    for (auto _ : state)
        benchmark::DoNotOptimize(report.list.GetPageBody(pick(random)));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadPagesAtRandom)->ArgName("coded")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QGuiApplication>(argc, argv);
}
