// The export filters fed the calls of the 10,000-item proposal report: about 700 A4 pages, each with
// a header, column titles and 15 item rows (number, description, unit, quantity, price, total) over
// band backgrounds. The figures are the filter's own time from Start to Finish (the report engine is
// not run) and, for the PDF filter, the memory of the pages it holds until Finish. The spreadsheet
// filter is also fed the report as the engine gives it to a streaming filter: one page without a
// bottom.
#include "report/export/Qrexport.h"
#include "report/export/Qrpdffilt.h"
#include "report/export/Qrwebfilt.h"
#include "support/BenchMain.h"

#include <QGuiApplication>
#include <QLocale>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

using namespace quorvel;

namespace {

constexpr int kPages = 700;
constexpr int kRowsPerPage = 15;

template <class Shape, class Before = void (*)()>
void FeedProposal(
    TQRExportFilter& filter, Shape&& shape, Before beforeFinish = [] {}) {
    const TFont plain(QStringLiteral("Arial"), 8);
    const TFont bold(QStringLiteral("Arial"), 10, TFontStyle::fsBold);
    TExportGraphic band;
    band.Width = 718;
    band.Height = 18;
    band.Brush = TBrush(clWhite);
    band.Pen.SetStyle(TPenStyle::psClear);
    filter.Start(2100, 2970, TFont(QStringLiteral("Arial"), 10));
    filter.EndPage();
    int item = 1;
    for (int page = 1; page <= kPages; ++page) {
        filter.NewPage();
        filter.TextOut(1050, 120, bold, clWhite, TAlignment::taCenter, QStringLiteral("PROPOSTA DE PREÇOS"));
        filter.TextOut(100, 200, plain, clWhite, TAlignment::taLeftJustify,
                       QStringLiteral("Pregão nº 42/2026 – Fornecedor Exemplo Ltda."));
        for (int row = 0; row < kRowsPerPage; ++row, ++item) {
            const double y = 300 + row * 160;
            shape(filter, band, 38.0, y * 96 / 254);
            filter.TextOut(100, y, plain, clWhite, TAlignment::taLeftJustify, QString::number(item));
            filter.TextOut(
                250, y, plain, clWhite, TAlignment::taLeftJustify,
                QStringLiteral("Caneta esferográfica azul, corpo transparente, caixa com %1").arg(item));
            filter.TextOut(250, y + 40, plain, clWhite, TAlignment::taLeftJustify,
                           QStringLiteral("ponta média de 1,0 mm, tinta à base de óleo"));
            filter.TextOut(1300, y, plain, clWhite, TAlignment::taLeftJustify, QStringLiteral("CX"));
            filter.TextOut(1500, y, plain, clWhite, TAlignment::taRightJustify, QStringLiteral("1.200"));
            filter.TextOut(1750, y, plain, clWhite, TAlignment::taRightJustify, QStringLiteral("12,3456"));
            filter.TextOut(1990, y, plain, clWhite, TAlignment::taRightJustify, QStringLiteral("14.814,72"));
        }
        filter.TextOut(1990, 2850, plain, clWhite, TAlignment::taRightJustify,
                       QStringLiteral("Página: %1").arg(page));
        filter.EndPage();
    }
    beforeFinish();
    filter.Finish();
}

void BM_PdfFilter(benchmark::State& state) {
    qsizetype bytes = 0;
    std::size_t held = 0;
    for (auto _ : state) {
        TQRPDFDocumentFilter filter{QString()};
        FeedProposal(
            filter,
            [](TQRExportFilter& f, const TExportGraphic& g, double x, double y) {
                static_cast<TQRPDFDocumentFilter&>(f).AcceptShape(x, y, g);
            },
            [&] { held = filter.HeldPageBytes(); });
        bytes = filter.Output()->Size();
    }
    state.counters["pages"] = kPages;
    state.counters["file_MiB"] = static_cast<double>(bytes) / (1 << 20);
    state.counters["held_pages_MiB"] = static_cast<double>(held) / (1 << 20);
}
BENCHMARK(BM_PdfFilter)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same document with each font embedded as a subset of the glyphs its texts show.
void BM_PdfFilterSubsetFonts(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state) {
        TQRPDFDocumentFilter filter{QString()};
        filter.SetEmbedSubsets(true);
        FeedProposal(filter, [](TQRExportFilter& f, const TExportGraphic& g, double x, double y) {
            static_cast<TQRPDFDocumentFilter&>(f).AcceptShape(x, y, g);
        });
        bytes = filter.Output()->Size();
    }
    state.counters["file_MiB"] = static_cast<double>(bytes) / (1 << 20);
}
BENCHMARK(BM_PdfFilterSubsetFonts)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_HtmlFilter(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state) {
        TQRGHTMLDocumentFilter filter{QString()};
        FeedProposal(filter, [](TQRExportFilter& f, const TExportGraphic& g, double x, double y) {
            static_cast<TQRGHTMLDocumentFilter&>(f).AcceptShape(x, y, g);
        });
        bytes = filter.Output()->Size();
    }
    state.counters["file_MiB"] = static_cast<double>(bytes) / (1 << 20);
}
BENCHMARK(BM_HtmlFilter)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RtfFilter(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state) {
        TQRRTFExportFilter filter{QString()};
        FeedProposal(filter, [](TQRExportFilter&, const TExportGraphic&, double, double) {});
        bytes = filter.Output()->Size();
    }
    state.counters["file_MiB"] = static_cast<double>(bytes) / (1 << 20);
}
BENCHMARK(BM_RtfFilter)->Unit(benchmark::kMillisecond)->Iterations(3);

void NoShapes(TQRExportFilter&, const TExportGraphic&, double, double) {}

void BM_CsvFilter(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state) {
        TQRCommaSeparatedFilter filter{QString()};
        FeedProposal(filter, NoShapes);
        bytes = filter.Output()->Size();
    }
    state.counters["file_MiB"] = static_cast<double>(bytes) / (1 << 20);
}
BENCHMARK(BM_CsvFilter)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_XlsFilter(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state) {
        TQRXLSFilter filter{QString()};
        FeedProposal(filter, NoShapes);
        bytes = filter.Output()->Size();
    }
    state.counters["file_MiB"] = static_cast<double>(bytes) / (1 << 20);
}
BENCHMARK(BM_XlsFilter)->Unit(benchmark::kMillisecond)->Iterations(3);

// A spreadsheet export streams: the engine puts the whole report on one page without a bottom, so
// the filter meets all 10,500 item rows on a single page.
void BM_XlsFilterOneStreamingPage(benchmark::State& state) {
    const TFont plain(QStringLiteral("Arial"), 8);
    qsizetype bytes = 0;
    for (auto _ : state) {
        TQRXLSFilter filter{QString()};
        filter.Start(2100, 2970, TFont(QStringLiteral("Arial"), 10));
        filter.EndPage();
        filter.NewPage();
        for (int item = 1; item <= kPages * kRowsPerPage; ++item) {
            const double y = 300 + item * 160.0;
            filter.TextOut(100, y, plain, clWhite, TAlignment::taLeftJustify, QString::number(item));
            filter.TextOut(250, y, plain, clWhite, TAlignment::taLeftJustify,
                           QStringLiteral("Caneta esferográfica azul, caixa com %1").arg(item));
            filter.TextOut(1300, y, plain, clWhite, TAlignment::taLeftJustify, QStringLiteral("CX"));
            filter.TextOut(1500, y, plain, clWhite, TAlignment::taRightJustify, QStringLiteral("1.200"));
            filter.TextOut(1750, y, plain, clWhite, TAlignment::taRightJustify, QStringLiteral("12,3456"));
            filter.TextOut(1990, y, plain, clWhite, TAlignment::taRightJustify, QStringLiteral("14.814,72"));
        }
        filter.EndPage();
        filter.Finish();
        bytes = filter.Output()->Size();
    }
    state.counters["rows"] = kPages * kRowsPerPage;
    state.counters["file_MiB"] = static_cast<double>(bytes) / (1 << 20);
}
BENCHMARK(BM_XlsFilterOneStreamingPage)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TextFilter(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state) {
        TQRAsciiExportFilter filter{QString()};
        FeedProposal(filter, NoShapes);
        bytes = filter.Output()->Size();
    }
    state.counters["file_MiB"] = static_cast<double>(bytes) / (1 << 20);
}
BENCHMARK(BM_TextFilter)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QGuiApplication>(argc, argv, quorvel::bench::BenchLocale::Brazilian);
}
