// Cost of page pictures: recording a dense A4 page (200 text lines, 50 rectangles) through the
// metafile canvas and serialising it, reading the bytes back with every record checked, playing the
// page into a preview-sized image, and the bytes one such page takes.
#include "platform/Metafile.h"
#include "platform/MetafileCanvas.h"
#include "platform/MetafileEnumerator.h"
#include "support/BenchMain.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

using namespace quorvel;

constexpr int kPageWidth = 794; // A4 at 96 pixels per inch
constexpr int kPageHeight = 1123;

QByteArray RecordDensePage() {
    TMetafile page;
    page.SetPixelsPerInch(96);
    page.SetWidth(kPageWidth);
    page.SetHeight(kPageHeight);
    {
        TMetafileCanvas canvas(page);
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        for (int line = 0; line < 200; ++line) {
            const int y = 40 + line * 5;
            canvas.SetFont(TFont(QStringLiteral("Arial"), line % 10 == 0 ? 9 : 8,
                                 line % 10 == 0 ? TFontStyles(TFontStyle::fsBold) : TFontStyles()));
            canvas.SetTextAlign(TA_LEFT | TA_TOP);
            canvas.TextOut(40, y,
                           QStringLiteral("%1 Caneta esferográfica azul, ponta média, caixa com 50 unidades")
                               .arg(line + 1));
            canvas.SetTextAlign(TA_RIGHT | TA_TOP);
            canvas.TextOut(754, y,
                           QStringLiteral("R$ %1,%2").arg(line * 137 + 5).arg(line % 100, 2, 10, QChar('0')));
        }
        canvas.Pen().SetColor(clBlack);
        for (int box = 0; box < 50; ++box) {
            canvas.Brush().SetStyle(box % 2 ? TBrushStyle::bsClear : TBrushStyle::bsSolid);
            canvas.Brush().SetColor(RGBColor(230, 230, 240));
            canvas.Rectangle(38, 38 + box * 20, 756, 58 + box * 20);
        }
    }
    return page.SaveToBytes();
}

void RecordAndSerialise(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray page = RecordDensePage();
        bytes = page.size();
        benchmark::DoNotOptimize(page.constData());
    }
    state.counters["bytes_per_page"] = double(bytes);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(RecordAndSerialise)->Unit(benchmark::kMicrosecond);

void LoadChecked(benchmark::State& state) {
    const QByteArray bytes = RecordDensePage();
    for (auto _ : state) {
        TMetafile page;
        page.LoadFromBytes(bytes);
        benchmark::DoNotOptimize(page.Content().records.size());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(LoadChecked)->Unit(benchmark::kMicrosecond);

void PlayAtPreviewSize(benchmark::State& state) {
    TMetafile page;
    page.LoadFromBytes(RecordDensePage());
    QImage image(kPageWidth, kPageHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        page.Play(painter, QRectF(0, 0, kPageWidth, kPageHeight));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(PlayAtPreviewSize)->Unit(benchmark::kMillisecond);

void SearchText(benchmark::State& state) {
    TMetafile page;
    page.LoadFromBytes(RecordDensePage());
    for (auto _ : state) {
        bool found = false;
        EnumerateMetafileText(page, [&found](const TMetafileText& text) {
            found = text.Text.contains(QStringLiteral("R$ 27265,99"));
            return !found;
        });
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(SearchText)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QGuiApplication>(argc, argv);
}
