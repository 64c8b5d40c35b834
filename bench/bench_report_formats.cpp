// quorvel-report writing the proposal report of a 10,000-item proposal (item mode, 80 % priced) to
// the text, comma-separated, spreadsheet and metafile formats: wall and processor time of the whole
// run (reading the proposal included) and its peak memory, beside the machine's load.
//
// Every format writes into a folder of its own for each run, so that no run pays for removing the
// files of the one before. The metafile runs are measured a second time replacing the page files of
// an earlier run, whose removal (and, on a file system that discards freed blocks, the discards) is
// part of the work then.

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
class Cenario {
public:
    Cenario() {
        const std::string xml = bench::GenerateProposalXml({kItens, 0, 0.8, 20110429});
        QFile file(Proposta());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(xml.data(), static_cast<qint64>(xml.size()));
    }
    QString Proposta() const { return pasta_.filePath(QStringLiteral("proposta.xml")); }
    QString Saida(const QString& nome) const { return pasta_.filePath(nome); }

private:
    QTemporaryDir pasta_;
};

const Cenario& TheCenario() {
    static const Cenario cenario;
    return cenario;
}

enum class Destino { PastaNova, SubstituiAnterior };

void Formato(benchmark::State& state, const char* formato, Destino destino) {
    const std::string programa =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-report")).toStdString();
    const std::string proposta = TheCenario().Proposta().toStdString();
    const QString nome = QStringLiteral("relatorio.") + QLatin1String(formato);
    static int execucao = 0; // across every format, so that no two runs share a folder
    const auto saida = [&] {
        const QString pasta = TheCenario().Saida(QStringLiteral("%1-%2")
                                                     .arg(QLatin1String(formato))
                                                     .arg(destino == Destino::PastaNova ? ++execucao : 0));
        QDir().mkpath(pasta);
        return QDir(pasta).filePath(nome).toStdString();
    };
    if (destino == Destino::SubstituiAnterior && !bench::RunChild({programa, proposta, saida()}).ok) {
        state.SkipWithError("quorvel-report failed");
        return;
    }
    double cpu = 0;
    long picoKiB = 0;
    int runs = 0;
    for (auto _ : state) {
        const bench::ChildRun run = bench::RunChild({programa, proposta, saida()});
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

// The runs of one format and destination, under the name Formato/<name>.
void Registra(const std::string& nome, const char* formato, Destino destino) {
    benchmark::RegisterBenchmark(("Formato/" + nome).c_str(), Formato, formato, destino)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // The tool runs first, while this process is still small: a spawned child's peak counts it.
    for (const char* formato : {"txt", "csv", "xls", "wmf", "emf"})
        Registra(formato, formato, Destino::PastaNova);
    for (const char* formato : {"wmf", "emf"})
        Registra(std::string(formato) + "_substituindo", formato, Destino::SubstituiAnterior);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
