// The proposal report over a 10,000-item proposal (item mode, 80 % priced): the first finished page
// and all pages of a run through the same code as "Relatório", a page turn (one page picture played
// at 100 % zoom), a search of every page's texts for a word on the last page, and quorvel-report
// writing the PDF, with its wall time and peak memory.

#include "support/BenchMain.h"
#include "support/ChildRun.h"
#include "support/ProposalGenerator.h"

#include "app/UQuorvel.h"
#include "app/proposal/URelatorio.h"
#include "platform/IniFile.h"
#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"
#include "platform/ScriptedDialogs.h"
#include "report/Quickrpt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace quorvel;

constexpr int kItens = 10000;

class Scenario {
public:
    Scenario()
        : xml_(bench::GenerateProposalXml({kItens, 0, 0.8, 20110429})) {
        TIniFile ini(Folder() + QStringLiteral("config.ini"));
        ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("RAZAOSOCIAL"),
                        QStringLiteral("Comercial Ltda"));
        ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("IDENTIFICADOR"), QStringLiteral("1"));
        ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("TIPOEMPRESA"), QStringLiteral("1"));
        QFile file(ProposalPath());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(xml_.data(), static_cast<qint64>(xml_.size()));
    }
    QString Folder() const { return pasta_.path() + QLatin1Char('/'); }
    QString ProposalPath() const { return pasta_.filePath(QStringLiteral("proposta.xml")); }

    // The main window with the proposal open, as after "Abrir".
    std::unique_ptr<TFormQuorvel> OpenProposal(ScriptedDialogs& dialogs) const {
        auto form = std::make_unique<TFormQuorvel>(Folder());
        dialogs.QueueOpenFile(ProposalPath());
        form->BtnAbreXMLClick();
        return form;
    }

private:
    QTemporaryDir pasta_;
    std::string xml_;
};

const Scenario& TheScenario() {
    static const Scenario cenario;
    return cenario;
}

// quorvel-report as a separate process: wall time per run, and the largest resident size it reached.
// It runs first: a spawned child's peak counts the memory of the process it was spawned from, which
// is still small here.
void ToolToPdf(benchmark::State& state) {
    const std::string programa =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-report")).toStdString();
    const std::string proposta = TheScenario().ProposalPath().toStdString();
    const std::string saida = (TheScenario().Folder() + QStringLiteral("relatorio.pdf")).toStdString();
    long picoKiB = 0;
    for (auto _ : state) {
        const bench::ChildRun run = bench::RunChild({programa, proposta, saida});
        if (!run.ok) {
            state.SkipWithError("quorvel-report failed");
            break;
        }
        picoKiB = std::max(picoKiB, run.peakKiB);
    }
    state.counters["peak_MiB"] = static_cast<double>(picoKiB) / 1024.0;
}
BENCHMARK(ToolToPdf)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The first page is finished when the report ends it; the run stops there, as a preview that shows
// page 1 before the rest arrives would see it.
void FirstPageShown(benchmark::State& state) {
    ScriptedDialogs dialogs;
    const ScopedDialogService escopo(dialogs);
    const auto form = TheScenario().OpenProposal(dialogs);
    for (auto _ : state) {
        QElapsedTimer relogio;
        double segundos = 0;
        relogio.start();
        RunReport(form->RecordSet(), TReportOrder::ItemNumber, QStringLiteral("M"), [&](TQuickRep& leiaute) {
            leiaute.OnEndPage = [&](TCustomQuickRep& relatorio) {
                if (segundos == 0) segundos = relogio.nsecsElapsed() / 1e9;
                relatorio.Cancel();
            };
            leiaute.Prepare();
        });
        if (segundos == 0) state.SkipWithError("no page was finished");
        state.SetIterationTime(segundos);
    }
}
BENCHMARK(FirstPageShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void AllPagesShown(benchmark::State& state) {
    ScriptedDialogs dialogs;
    const ScopedDialogService escopo(dialogs);
    const auto form = TheScenario().OpenProposal(dialogs);
    int paginas = 0;
    for (auto _ : state)
        RunReport(form->RecordSet(), TReportOrder::ItemNumber, QStringLiteral("M"), [&](TQuickRep& leiaute) {
            leiaute.Prepare();
            paginas = leiaute.QRPrinter() ? leiaute.QRPrinter()->PageCount() : 0;
        });
    if (paginas < 2) state.SkipWithError("the report made no pages");
    state.counters["pages"] = paginas;
}
BENCHMARK(AllPagesShown)->Unit(benchmark::kMillisecond)->Iterations(3);

// The finished pages of one run, held for the page-turn and search benchmarks.
std::vector<std::unique_ptr<TMetafile>> RecordedPages() {
    ScriptedDialogs dialogs;
    const ScopedDialogService escopo(dialogs);
    const auto form = TheScenario().OpenProposal(dialogs);
    std::vector<std::unique_ptr<TMetafile>> paginas;
    RunReport(form->RecordSet(), TReportOrder::ItemNumber, QStringLiteral("M"), [&](TQuickRep& leiaute) {
        leiaute.Prepare();
        for (int n = 1; leiaute.QRPrinter() && n <= leiaute.QRPrinter()->PageCount(); ++n)
            paginas.push_back(leiaute.QRPrinter()->GetPage(n));
    });
    return paginas;
}

void TurnPage(benchmark::State& state) {
    const auto paginas = RecordedPages();
    if (paginas.empty()) {
        state.SkipWithError("no pages");
        return;
    }
    QImage tela(paginas[0]->Width(), paginas[0]->Height(), QImage::Format_RGB32);
    std::size_t n = 0;
    for (auto _ : state) {
        tela.fill(Qt::white);
        QPainter painter(&tela);
        paginas[n]->Play(painter, QRectF(0, 0, tela.width(), tela.height()));
        n = (n + 1) % paginas.size();
    }
}
BENCHMARK(TurnPage)->Unit(benchmark::kMillisecond);

void SearchAllPages(benchmark::State& state) {
    const auto paginas = RecordedPages();
    if (paginas.empty()) {
        state.SkipWithError("no pages");
        return;
    }
    const QString procurada = QStringLiteral("Página:%1").arg(paginas.size());
    for (auto _ : state) {
        std::size_t achada = 0;
        for (std::size_t n = 0; n < paginas.size() && achada == 0; ++n)
            EnumerateMetafileText(*paginas[n], [&](const TMetafileText& texto) {
                if (texto.Text.contains(procurada, Qt::CaseInsensitive)) achada = n + 1;
                return achada == 0;
            });
        if (achada != paginas.size()) state.SkipWithError("the word was not found on the last page");
    }
}
BENCHMARK(SearchAllPages)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QApplication>(argc, argv, quorvel::bench::BenchLocale::Brazilian);
}
