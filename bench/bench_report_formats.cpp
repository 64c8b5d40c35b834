// quorvel-report writing the proposal report of a 10,000-item proposal (item mode, 80 % priced) to
// the text, comma-separated, spreadsheet and metafile formats: wall and processor time of the whole
// run (reading the proposal included) and its peak memory, beside the machine's load.

#include "support/BenchMain.h"
#include "support/ChildRun.h"
#include "support/ProposalGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

using namespace quorvel;

constexpr int kItens = 10000;

// The proposal file and an output folder, made once. No registration lies beside the tool, so the
// supplier comes from the proposal, as in the program's first run.
class Scenario {
public:
    Scenario() {
        const std::string xml = bench::GenerateProposalXml({kItens, 0, 0.8, 20110429});
        QFile file(ProposalPath());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(xml.data(), static_cast<qint64>(xml.size()));
    }
    QString ProposalPath() const { return pasta_.filePath(QStringLiteral("proposta.xml")); }
    QString OutputPath(const QString& nome) const { return pasta_.filePath(nome); }

private:
    QTemporaryDir pasta_;
};

const Scenario& TheScenario() {
    static const Scenario cenario;
    return cenario;
}

void SaveAs(benchmark::State& state, const char* formato) {
    const std::string programa =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-report")).toStdString();
    const std::string proposta = TheScenario().ProposalPath().toStdString();
    const std::string saida =
        TheScenario().OutputPath(QStringLiteral("relatorio.") + QLatin1String(formato)).toStdString();
    double cpu = 0;
    long picoKiB = 0;
    int runs = 0;
    for (auto _ : state) {
        const bench::ChildRun run = bench::RunChild({programa, proposta, saida});
        if (!run.ok) {
            state.SkipWithError("quorvel-report failed");
            break;
        }
        state.SetIterationTime(run.wallSeconds);
        cpu += run.cpuSeconds;
        picoKiB = std::max(picoKiB, run.peakKiB);
        ++runs;
    }
    double load[1] = {0};
    getloadavg(load, 1);
    state.counters["cpu_ms"] = runs ? cpu * 1000 / runs : 0;
    state.counters["peak_MiB"] = static_cast<double>(picoKiB) / 1024.0;
    state.counters["load1"] = load[0];
}

// The tool runs first, while this process is still small: a spawned child's peak counts it.
BENCHMARK_CAPTURE(SaveAs, txt, "txt")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SaveAs, csv, "csv")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SaveAs, xls, "xls")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SaveAs, wmf, "wmf")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SaveAs, emf, "emf")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
