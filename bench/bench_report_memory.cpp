// The memory curve of quorvel-report: the proposal report of 10,000, 30,000 and 100,000 items (item
// mode, 80 % priced) written to PDF, HTML, RTF, text, the two metafile page sets and the saved-report
// file, each run as a child process; and to PDF in the description order (Report/pdf_especificacao)
// and from a lot-mode proposal of ten items a lot (ReportLots/pdf). Counters: the run's peak resident size
// and wall time (reading the proposal included), the pages written, and the machine's load when the run
// ended.
//
// A report whose memory is bounded shows nearly the same peak for every item count of a format; the
// time grows with the items. Every run writes into a folder of its own, so that no run pays for
// removing the files of the one before.
//
// `bench_report_memory --write-proposal ITEMS FILE [LOTS]` only writes the proposal of ITEMS items (in
// LOTS lots; in item mode without) that the runs read (the same generator and seed) to FILE, for a
// memory profiler run on quorvel-report.

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
#include <utility>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace quorvel;

constexpr std::array kItemCounts = {10000, 30000, 100000};

// Writes the proposal of `items` items in a forked child. A child spawned later from this process
// starts with this process's highest resident size as its own, so the generator's hundreds of
// megabytes for the largest proposal must never be this process's.
bool GenerateInChild(int items, int lots, const std::string& path) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        const std::string xml = bench::GenerateProposalXml({items, lots, 0.8, 20110429});
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
    // The item-mode proposal (lots 0), or the lot-mode one of `lots` lots.
    QString PathFor(int items, int lots) {
        auto found = paths_.find({items, lots});
        if (found != paths_.end()) return found->second;
        const QString path = folder_.filePath(QStringLiteral("proposal-%1-%2.xml").arg(items).arg(lots));
        if (!GenerateInChild(items, lots, path.toStdString())) return {};
        return paths_.emplace(std::pair{items, lots}, path).first->second;
    }
    QString NewOutput(const char* format) {
        const QString folder = folder_.filePath(QStringLiteral("run-%1").arg(++runs_));
        QDir().mkpath(folder);
        return QDir(folder).filePath(QStringLiteral("relatorio.") + QLatin1String(format));
    }

private:
    QTemporaryDir folder_;
    std::map<std::pair<int, int>, QString> paths_;
    int runs_ = 0;
};

Proposals& TheProposals() {
    static Proposals proposals;
    return proposals;
}

// How a run differs from the item-mode report in item number order.
struct Variant {
    const char* format;
    int itemsPerLot = 0; // 0: item mode
    bool byDescription = false;
};

void Report(benchmark::State& state, Variant variant) {
    const int items = static_cast<int>(state.range(0));
    const QString proposal =
        TheProposals().PathFor(items, variant.itemsPerLot == 0 ? 0 : items / variant.itemsPerLot);
    if (proposal.isEmpty()) {
        state.SkipWithError("the proposal could not be written");
        return;
    }
    const std::string program =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-report")).toStdString();
    long peakKiB = 0;
    for (auto _ : state) {
        std::vector<std::string> arguments = {program};
        if (variant.byDescription) arguments.insert(arguments.end(), {"--order", "especificacao"});
        arguments.push_back(proposal.toStdString());
        arguments.push_back(TheProposals().NewOutput(variant.format).toStdString());
        const bench::ChildRun run = bench::RunChild(arguments);
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
    if ((argc == 4 || argc == 5) && std::string(argv[1]) == "--write-proposal") {
        const int items = std::atoi(argv[2]);
        const int lots = argc == 5 ? std::atoi(argv[4]) : 0;
        return items > 0 && lots >= 0 && GenerateInChild(items, lots, argv[3]) ? 0 : 1;
    }
    const auto add = [](const std::string& name, Variant variant) {
        auto* benchmark = benchmark::RegisterBenchmark(name.c_str(), Report, variant);
        for (const int items : kItemCounts)
            benchmark->Arg(items);
        benchmark->ArgName("items")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
    };
    for (const char* format : {"pdf", "html", "rtf", "txt", "wmf", "emf", "qrp"})
        add(std::string("Report/") + format, {format});
    add("Report/pdf_especificacao", {"pdf", 0, true});
    add("ReportLots/pdf", {"pdf", 10});
    return bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
