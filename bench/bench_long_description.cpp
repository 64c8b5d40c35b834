// quorvel-report writing the PDF of a one-item proposal whose description has 10,000, 75,000 and
// 600,000 lines, each run a child process: the wall time per description line should stay flat as the
// description grows (the continuation keeps its place across pages instead of laying the whole text
// out again on each one), and every line reaches the report.

#include "support/BenchMain.h"
#include "support/ChildRun.h"
#include "support/ProposalGenerator.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace quorvel;

// The description field of the proposal's item table.
constexpr std::size_t kComplDescr = 9;

// One priced item in item mode whose description is `lines` lines of about 40 characters.
bool WriteLongDescriptionProposal(const QString& path, int lines) {
    Datapacket packet = bench::GenerateProposal({1, 0, 1.0, 20110429});
    std::string description;
    description.reserve(std::size_t(lines) * 44);
    for (int i = 1; i <= lines; ++i) {
        if (i > 1) description += "\r\n";
        description += "Linha " + std::to_string(i) + " da especifica\xE7\xE3o do material";
    }
    packet.rows.front().values.Set(kComplDescr, std::move(description));
    const std::string xml = WriteDatapacketXml(packet);
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(xml.data(), qint64(xml.size())) == qint64(xml.size());
}

void LongDescriptionToPdf(benchmark::State& state) {
    const int lines = int(state.range(0));
    const QTemporaryDir folder;
    const QString proposal = folder.filePath(QStringLiteral("proposta.xml"));
    if (!folder.isValid() || !WriteLongDescriptionProposal(proposal, lines)) {
        state.SkipWithError("the proposal could not be written");
        return;
    }
    const std::string program =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-report")).toStdString();
    const std::string output = folder.filePath(QStringLiteral("relatorio.pdf")).toStdString();
    double seconds = 0;
    long peakKiB = 0;
    int runs = 0;
    for (auto _ : state) {
        const bench::ChildRun run = bench::RunChild({program, proposal.toStdString(), output});
        if (!run.ok) {
            state.SkipWithError("quorvel-report failed");
            break;
        }
        state.SetIterationTime(run.wallSeconds);
        seconds += run.wallSeconds;
        peakKiB = std::max(peakKiB, run.peakKiB);
        ++runs;
    }
    if (runs == 0) return;
    state.counters["us_per_line"] = seconds / runs / lines * 1e6;
    state.counters["peak_MiB"] = double(peakKiB) / 1024.0;
}
BENCHMARK(LongDescriptionToPdf)
    ->Arg(10000)
    ->Arg(75000)
    ->Arg(600000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
