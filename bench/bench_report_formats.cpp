// quorvel-report writing the proposal report of a 10,000-item proposal (item mode, 80 % priced) to
// the text, comma-separated, spreadsheet and metafile formats: wall and processor time of the whole
// run (reading the proposal included) and its peak memory, beside the machine's load.
//
// Every format writes into a folder of its own for each run, so that no run pays for removing the
// files of the one before. The metafile runs are measured a second time replacing the page files of
// an earlier run, whose removal (and, on a file system that discards freed blocks, the discards) is
// part of the work then.

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

constexpr int kItems = 10000;

// The proposal file and an output folder, made once. No registration lies beside the tool, so the
// supplier comes from the proposal, as in the program's first run.
class Scenario {
public:
    Scenario() {
        const std::string xml = bench::GenerateProposalXml({kItems, 0, 0.8, 20110429});
        QFile file(ProposalPath());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(xml.data(), static_cast<qint64>(xml.size()));
    }
    QString ProposalPath() const { return folder_.filePath(QStringLiteral("proposal.xml")); }
    QString OutputPath(const QString& name) const { return folder_.filePath(name); }

private:
    QTemporaryDir folder_;
};

const Scenario& TheScenario() {
    static const Scenario scenario;
    return scenario;
}

enum class Destination { NewFolder, ReplacingEarlier };

void SaveAs(benchmark::State& state, const char* format, Destination destination) {
    const std::string program =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-report")).toStdString();
    const std::string proposal = TheScenario().ProposalPath().toStdString();
    const QString name = QStringLiteral("relatorio.") + QLatin1String(format);
    static int runNumber = 0; // across every format, so that no two runs share a folder
    const auto output = [&] {
        const QString folder =
            TheScenario().OutputPath(QStringLiteral("%1-%2")
                                         .arg(QLatin1String(format))
                                         .arg(destination == Destination::NewFolder ? ++runNumber : 0));
        QDir().mkpath(folder);
        return QDir(folder).filePath(name).toStdString();
    };
    if (destination == Destination::ReplacingEarlier && !bench::RunChild({program, proposal, output()}).ok) {
        state.SkipWithError("quorvel-report failed");
        return;
    }
    double cpu = 0;
    long peakKiB = 0;
    int runs = 0;
    for (auto _ : state) {
        const bench::ChildRun run = bench::RunChild({program, proposal, output()});
        if (!run.ok) {
            state.SkipWithError("quorvel-report failed");
            break;
        }
        state.SetIterationTime(run.wallSeconds);
        cpu += run.cpuSeconds;
        peakKiB = std::max(peakKiB, run.peakKiB);
        ++runs;
    }
    double load[1] = {0};
    getloadavg(load, 1);
    state.counters["cpu_ms"] = runs ? cpu * 1000 / runs : 0;
    state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024.0;
    state.counters["load1"] = load[0];
}

// The runs of one format and destination, under the name SaveAs/<name>.
void Register(const std::string& name, const char* format, Destination destination) {
    benchmark::RegisterBenchmark(("SaveAs/" + name).c_str(), SaveAs, format, destination)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
}

} // namespace

int main(int argc, char** argv) {
    using namespace quorvel;
    // The tool runs first, while this process is still small: a spawned child's peak counts it.
    for (const char* format : {"txt", "csv", "xls", "wmf", "emf"})
        Register(format, format, Destination::NewFolder);
    for (const char* format : {"wmf", "emf"})
        Register(std::string(format) + "_replacing", format, Destination::ReplacingEarlier);
    return bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
