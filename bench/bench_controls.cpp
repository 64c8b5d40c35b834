// Word wrap and text measurement of a data-field text, the step that dominates the proposal
// report: a description of 6 to 40 words broken into lines no wider than 508 pixels (Arial 9 pt).
// BM_WrapDescription is the control's own path (each character measured once per font, lines grown
// word by word); BM_WrapByRemeasuring measures every candidate line again through the report's text
// width, as a straightforward implementation would, for comparison. Both report the lines made.
#include "report/Quickrpt.h"
#include "report/controls/Qrctrls.h"
#include "support/BenchMain.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <random>

namespace {

using namespace quorvel;

const char* const Words[] = {
    "caneta",       "esferográfica", "azul-escuro",  "tampa",       "anti-asfixia", "corpo",  "sextavado",
    "transparente", "ponta",         "média",        "1,0",         "mm",           "latão",  "esfera",
    "tungstênio",   "tinta",         "base",         "óleo;",       "embalagem",    "com",    "cinquenta",
    "unidades",     "caixa",         "papel-cartão", "reciclável,", "validade",     "mínima", "de",
    "vinte",        "quatro",        "meses",        "papel",       "A4",           "75",     "g/m²",
    "resma",        "500",           "folhas",       "branco",      "alcalino",     "e",      "para",
};

// Descriptions of 6 to 40 words, the same on every run.
std::vector<QString> Descriptions(int count) {
    std::mt19937 random(20110307);
    std::uniform_int_distribution<int> length(6, 40);
    std::uniform_int_distribution<int> word(0, int(std::size(Words)) - 1);
    std::vector<QString> result;
    for (int i = 0; i < count; ++i) {
        QStringList parts;
        for (int n = length(random); n > 0; --n)
            parts.append(QString::fromUtf8(Words[word(random)]));
        result.push_back(parts.join(QLatin1Char(' ')));
    }
    return result;
}

struct Setup {
    Setup()
        : report(CreateComponent<TQuickRep>(form))
        , band(CreateComponent<TQRBand>(form))
        , text(CreateComponent<TQRLabel>(form)) {
        band.SetBandType(TQRBandType::rbDetail);
        band.SetParent(&report);
        text.SetParent(&band);
        text.SetAutoSize(false);
        text.SetAutoStretch(true);
        text.SetFont(TFont(QStringLiteral("Arial"), 9));
        text.SetBounds(0, 0, 508, 17);
    }
    TReportForm form;
    TQuickRep& report;
    TQRBand& band;
    TQRLabel& text;
};

void BM_WrapDescription(benchmark::State& state) {
    Setup setup;
    const std::vector<QString> descriptions = Descriptions(1000);
    std::size_t next = 0;
    long long lines = 0;
    for (auto _ : state) {
        setup.text.SetCaption(descriptions[next++ % descriptions.size()]);
        lines += setup.text.FormattedLines().size();
    }
    state.counters["lines_per_text"] = benchmark::Counter(double(lines), benchmark::Counter::kAvgIterations);
}

void BM_WrapByRemeasuring(benchmark::State& state) {
    Setup setup;
    const std::vector<QString> descriptions = Descriptions(1000);
    const TFont font = setup.text.Font();
    std::size_t next = 0;
    long long lines = 0;
    for (auto _ : state) {
        const QString& text = descriptions[next++ % descriptions.size()];
        QString line;
        for (const QString& word : text.split(QLatin1Char(' '))) {
            const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (setup.report.TextWidth(font, candidate) <= 508) {
                line = candidate;
            } else {
                ++lines;
                line = word;
            }
        }
        ++lines;
        benchmark::DoNotOptimize(line);
    }
    state.counters["lines_per_text"] = benchmark::Counter(double(lines), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_WrapDescription);
BENCHMARK(BM_WrapByRemeasuring);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QGuiApplication>(argc, argv);
}
