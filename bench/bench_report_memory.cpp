// The memory curve of quorvel-report: the proposal report of 10,000, 30,000 and 100,000 items (item
// mode, 80 % priced) written to PDF, HTML, RTF, text, the two metafile page sets and the saved-report
// file, each run as a child process. Counters: the run's peak resident size and wall time (reading
// the proposal included), the pages written, and the machine's load when the run ended.
//
// A report whose memory is bounded shows nearly the same peak for every item count of a format; the
// time grows with the items. Every run writes into a folder of its own, so that no run pays for
// removing the files of the one before.
//
// `bench_report_memory --write-proposal ITEMS FILE` only writes the proposal of ITEMS items that the
// runs read (the same generator and seed) to FILE, for a memory profiler run on quorvel-report.

#include "support/BenchMain.h"
#include "support/ChildRun.h"
#include "support/ProposalGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace quorvel;

constexpr std::array kItemCounts = {10000, 30000, 100000};

// Writes the proposal of `items` items in a forked child. A child spawned later from this process
// starts with this process's highest resident size as its own, so the generator's hundreds of
// megabytes for the largest proposal must never be this process's.
bool GenerateInChild(int items, const std::string& path) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        const std::string xml = bench::GenerateProposalXml({items, 0, 0.8, 20110429});
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(xml.data(), static_cast<std::streamsize>(xml.size()));
        file.close();
        _exit(file ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// This process's highest resident size: the floor under every child's peak.
double OwnPeakMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return 0;
}

// The proposal files, made once each on first use, and the output folders beside them.
class Proposals {
public:
    QString PathFor(int items) {
        auto found = paths_.find(items);
        if (found != paths_.end()) return found->second;
        const QString path = folder_.filePath(QStringLiteral("proposal-%1.xml").arg(items));
        if (!GenerateInChild(items, path.toStdString())) return {};
        return paths_.emplace(items, path).first->second;
    }
    QString NewOutput(const char* format) {
        const QString folder = folder_.filePath(QStringLiteral("run-%1").arg(++runs_));
        QDir().mkpath(folder);
        return QDir(folder).filePath(QStringLiteral("relatorio.") + QLatin1String(format));
    }

private:
    QTemporaryDir folder_;
    std::map<int, QString> paths_;
    int runs_ = 0;
};

Proposals& TheProposals() {
    static Proposals proposals;
    return proposals;
}

void Report(benchmark::State& state, const char* format) {
    const int items = static_cast<int>(state.range(0));
    const QString proposal = TheProposals().PathFor(items);
    if (proposal.isEmpty()) {
        state.SkipWithError("the proposal could not be written");
        return;
    }
    const std::string program =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-report")).toStdString();
    long peakKiB = 0;
    for (auto _ : state) {
        const bench::ChildRun run = bench::RunChild(
            {program, proposal.toStdString(), TheProposals().NewOutput(format).toStdString()});
        if (!run.ok) {
            state.SkipWithError("quorvel-report failed");
            break;
        }
        state.SetIterationTime(run.wallSeconds);
        peakKiB = std::max(peakKiB, run.peakKiB);
    }
    double load[1] = {0};
    getloadavg(load, 1);
    state.counters["items"] = items;
    state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024.0;
    state.counters["load1"] = load[0];
    state.counters["bench_MiB"] = OwnPeakMiB();
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--write-proposal") {
        const int items = std::atoi(argv[2]);
        return items > 0 && GenerateInChild(items, argv[3]) ? 0 : 1;
    }
    for (const char* format : {"pdf", "html", "rtf", "txt", "wmf", "emf", "qrp"}) {
        auto* benchmark =
            benchmark::RegisterBenchmark((std::string("Report/") + format).c_str(), Report, format);
        for (const int items : kItemCounts)
            benchmark->Arg(items);
        benchmark->ArgName("items")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
    }
    return bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
