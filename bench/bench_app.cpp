// The main window over large lot-mode proposals: opening one through the real handlers (the file read,
// supplier data written into every row, the lot table built, every row given its lot's total) at
// 2,000, 20,000 and 200,000 items with the time per item, the peak memory of a process that opens
// one, and, at 20,000 items, what the supplier then does many times: selecting a lot, typing a price
// (with the lot roll-up) and "Salvar Dados".

#include "support/BenchMain.h"
#include "support/ChildRun.h"
#include "support/ProposalGenerator.h"

#include "app/UQuorvel.h"
#include "platform/IniFile.h"
#include "platform/ScriptedDialogs.h"
#include "store/Packet.h"
#include "store/StoreTable.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

namespace {

using namespace quorvel;

// First arguments that make the program a child which only writes a generated proposal, or only
// opens one (see the functions at the end).
constexpr const char* kWriteProposalArgument = "--write-proposal";
constexpr const char* kOpenProposalArgument = "--open-proposal";

void WriteSupplierConfig(const QString& folder) {
    TIniFile ini(folder + QStringLiteral("config.ini"));
    ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("RAZAOSOCIAL"),
                    QStringLiteral("Comercial Ltda"));
    ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("IDENTIFICADOR"),
                    QStringLiteral("Comercial"));
    ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("TIPOEMPRESA"), QStringLiteral("1"));
}

// A temporary executable folder with a complete "config.ini" and the generated proposal's bytes, made
// once per size and kept for the program's run (200,000 items take seconds to generate).
class Scenario {
public:
    // With `salva`, the proposal is the file as the program saves it after opening the generated
    // one: every row holds the supplier's data and its lot's total, with the change log of that.
    Scenario(int itens, int lotes, bool salva)
        : itens_(itens)
        , lotes_(lotes)
        , xml_(bench::GenerateProposalXml({itens, lotes, 0.75, 20110429})) {
        WriteSupplierConfig(Folder());
        if (salva) SaveOnce();
    }

    static const Scenario& Of(int itens, int lotes, bool salva = false) {
        static std::map<std::tuple<int, int, bool>, std::unique_ptr<Scenario>> feitos;
        auto& cenario = feitos[{itens, lotes, salva}];
        if (!cenario) cenario = std::make_unique<Scenario>(itens, lotes, salva);
        return *cenario;
    }

    int Items() const { return itens_; }
    // Entries of the change log in the proposal's file.
    double LoggedChanges() const { return registradas_; }
    int Lots() const { return lotes_; }
    QString Folder() const { return pasta_.path() + QLatin1Char('/'); }

    // Writes the untouched proposal and returns its path.
    QString ProposalPath() const {
        const QString path = pasta_.filePath(QStringLiteral("proposta.xml"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(xml_.data(), static_cast<qint64>(xml_.size()));
        return path;
    }

    // A window with the proposal open, as the user finds it after "Abrir".
    std::unique_ptr<TFormQuorvel> OpenProposal(ScriptedDialogs& dialogs) const {
        auto form = std::make_unique<TFormQuorvel>(Folder());
        dialogs.QueueOpenFile(ProposalPath());
        form->BtnAbreXMLClick();
        return form;
    }

private:
    void SaveOnce() {
        ScriptedDialogs dialogs;
        const ScopedDialogService escopo(dialogs);
        {
            auto form = OpenProposal(dialogs);
            form->BitBtn3Click();
            form->CompleteSave();
        }
        QFile file(pasta_.filePath(QStringLiteral("proposta.xml")));
        if (file.open(QIODevice::ReadOnly)) xml_ = file.readAll().toStdString();
        registradas_ = static_cast<double>(
            ReadDatapacketXml(std::span<const char>(xml_.data(), xml_.size())).changeLog.size());
    }

    int itens_;
    int lotes_;
    QTemporaryDir pasta_;
    std::string xml_;
    double registradas_ = 0;
};

bool OpenedInLotMode(const TFormQuorvel& form, int lotes) {
    return form.LotTable().Active() && form.LotTable().RecordCount() == lotes;
}

// Closing the window would write every changed row back, which is not part of what is measured: the
// table keeps its content in memory instead.
void DiscardWithoutWriting(std::unique_ptr<TFormQuorvel>& form) {
    form->ItemTable().SetFileName(QString());
    form.reset();
}

// The same opening in a process of its own, which ends as soon as the proposal is open: its peak
// resident size is what opening a proposal of that size takes, the program's own start included. A
// spawned child's peak counts the memory of the process it was spawned from, so these run first, and
// another child writes the file.
void OpenLotProposalMemory(benchmark::State& state) {
    const std::string itens = std::to_string(state.range(0));
    const std::string lotes = std::to_string(state.range(1));
    const std::string programa = QCoreApplication::applicationFilePath().toStdString();
    const QTemporaryDir pasta;
    WriteSupplierConfig(pasta.path() + QLatin1Char('/'));
    const std::string proposta = pasta.filePath(QStringLiteral("proposta.xml")).toStdString();
    if (!bench::RunChild({programa, kWriteProposalArgument, proposta, itens, lotes}).ok) {
        state.SkipWithError("the proposal was not written");
        return;
    }
    long picoKiB = 0;
    double cpu = 0;
    for (auto _ : state) {
        const bench::ChildRun run =
            bench::RunChild({programa, kOpenProposalArgument, (pasta.path() + QLatin1Char('/')).toStdString(),
                             proposta, lotes});
        if (!run.ok) {
            state.SkipWithError("the child did not open the proposal in lot mode");
            break;
        }
        picoKiB = std::max(picoKiB, run.peakKiB);
        cpu += run.cpuSeconds;
    }
    state.counters["peak_MiB"] = static_cast<double>(picoKiB) / 1024.0;
    state.counters["child_cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}
BENCHMARK(OpenLotProposalMemory)
    ->Args({20000, 2000})
    ->Args({200000, 20000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// "Abrir" of the scenario's proposal, once per iteration; the counter time_per_item is the opening's
// time divided by its items, which stays the same from 2,000 to 200,000 items when the opening grows
// in proportion to the file, and changes_made the entries the opening added to the change log.
void MeasureOpening(benchmark::State& state, const Scenario& cenario) {
    ScriptedDialogs dialogs;
    const ScopedDialogService escopo(dialogs);
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<TFormQuorvel>(cenario.Folder());
        dialogs.QueueOpenFile(cenario.ProposalPath());
        state.ResumeTiming();

        form->BtnAbreXMLClick();

        state.PauseTiming();
        if (!OpenedInLotMode(*form, cenario.Lots()) || dialogs.Calls().empty())
            state.SkipWithError("the proposal did not open in lot mode");
        state.counters["changes_made"] =
            static_cast<double>(form->ItemTable().Data().changeLog.size()) - cenario.LoggedChanges();
        DiscardWithoutWriting(form);
        dialogs.ClearCalls();
        state.ResumeTiming();
    }
    state.counters["time_per_item"] = benchmark::Counter(
        cenario.Items(), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The opening of 2,000 items takes a few milliseconds, where a scheduler's hiccup is a large part of
// one iteration: it is repeated more often than the larger ones, so that its mean is as steady.
constexpr int kSmallOpenings = 20;
constexpr int kLargeOpenings = 2;

// The generated proposal as the organiser hands it out.
void OpenLotProposal(benchmark::State& state) {
    MeasureOpening(state, Scenario::Of(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
}
BENCHMARK(OpenLotProposal)->Args({2000, 200})->Unit(benchmark::kMillisecond)->Iterations(kSmallOpenings);
BENCHMARK(OpenLotProposal)
    ->Args({20000, 2000})
    ->Args({200000, 20000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kLargeOpenings);

// A proposal the program saved before (the supplier opening again what it saved): the rows hold the
// supplier's data and their lots' totals already, and the file carries every version of the first
// opening with its change log.
void OpenLotProposalSupplied(benchmark::State& state) {
    MeasureOpening(state,
                   Scenario::Of(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), true));
}
BENCHMARK(OpenLotProposalSupplied)
    ->Args({2000, 200})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kSmallOpenings);
BENCHMARK(OpenLotProposalSupplied)
    ->Args({20000, 2000})
    ->Args({200000, 20000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kLargeOpenings);

// A click on the next lot in the lot grid: the item table is filtered to that lot's rows and the item
// grid, memo and total label follow it.
void SelectLot(benchmark::State& state) {
    const Scenario& cenario =
        Scenario::Of(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    ScriptedDialogs dialogs;
    const ScopedDialogService escopo(dialogs);
    auto form = cenario.OpenProposal(dialogs);
    TStoreTable& lotes = form->LotTable();
    for (auto _ : state) {
        lotes.Next();
        if (lotes.Eof()) lotes.First();
    }
    if (form->ItemTable().RecordCount() != cenario.Items() / cenario.Lots())
        state.SkipWithError("the item table does not show one lot");
    DiscardWithoutWriting(form);
}
BENCHMARK(SelectLot)->Args({20000, 2000})->Unit(benchmark::kMicrosecond);

// A price typed into the selected lot's first item and posted: the item's total, the table's
// aggregate and the lot's value follow.
void TypePriceWithLotTotal(benchmark::State& state) {
    const Scenario& cenario =
        Scenario::Of(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    ScriptedDialogs dialogs;
    const ScopedDialogService escopo(dialogs);
    auto form = cenario.OpenProposal(dialogs);
    TStoreTable& itens = form->ItemTable();
    TStoreField& preco = itens.FieldByName(QStringLiteral("preco_ini"));
    const QString precos[] = {QStringLiteral("10,5000"), QStringLiteral("11,2500")};
    int vez = 0;
    for (auto _ : state) {
        itens.Edit();
        preco.SetText(precos[vez ^= 1]);
        itens.Post();
    }
    const QString total = form->LotTable().FieldByName(QStringLiteral("valor")).DisplayText();
    if (total.isEmpty()) state.SkipWithError("the lot total was not rolled up");
    DiscardWithoutWriting(form);
}
BENCHMARK(TypePriceWithLotTotal)->Args({20000, 2000})->Unit(benchmark::kMicrosecond);

// "Salvar Dados" (every row given its lot's total, the missing-price warning, the file's write handed
// to its thread). Range 2 is 1 when a price was typed since the last save, so that the file is
// written again; with 0 nothing changed and the file is left as it is; with 2 a lot's value was
// edited in the lot table itself, a change that makes the roll-up walk every lot again (as it did
// at every save before it kept track of what changed). With range 3 at 0 the time is
// what the window is held for; the write of the last save ends before the next price is typed (the
// seconds a supplier takes between two saves). With range 3 at 1 the time runs until the file is
// written and "Dados Salvos !!!" is shown.
void SalvarDados(benchmark::State& state) {
    const Scenario& cenario =
        Scenario::Of(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const bool digitaAntes = state.range(2) == 1;
    const bool editaLote = state.range(2) == 2;
    const bool esperaArquivo = state.range(3) != 0;
    ScriptedDialogs dialogs;
    const ScopedDialogService escopo(dialogs);
    auto form = cenario.OpenProposal(dialogs);
    form->BitBtn3Click(); // the opening's own changes reach the file once
    form->CompleteSave();
    TStoreTable& itens = form->ItemTable();
    TStoreField& preco = itens.FieldByName(QStringLiteral("preco_ini"));
    const QString precos[] = {QStringLiteral("10,5000"), QStringLiteral("11,2500")};
    int vez = 0;
    for (auto _ : state) {
        state.PauseTiming();
        form->CompleteSave();
        if (digitaAntes) {
            itens.Edit();
            preco.SetText(precos[vez ^= 1]);
            itens.Post();
        }
        if (editaLote) {
            TStoreTable& lotes = form->LotTable();
            lotes.Edit();
            lotes.FieldByName(QStringLiteral("valor")).SetText(precos[vez ^= 1]);
            lotes.Post();
        }
        dialogs.ClearCalls();
        state.ResumeTiming();
        form->BitBtn3Click();
        if (esperaArquivo) form->CompleteSave();
    }
    form->CompleteSave();
    if (dialogs.MessageTexts().isEmpty() ||
        dialogs.MessageTexts().back() != QStringLiteral("Dados Salvos !!!"))
        state.SkipWithError("\"Dados Salvos !!!\" was not shown");
    state.counters["rows_in_file"] = static_cast<double>(itens.Data().rows.size());
    DiscardWithoutWriting(form);
}
BENCHMARK(SalvarDados)
    ->Args({20000, 2000, 0, 0})
    ->Args({20000, 2000, 2, 0})
    ->Args({20000, 2000, 1, 0})
    ->Args({20000, 2000, 1, 1})
    ->Unit(benchmark::kMillisecond);

// A child of OpenLotProposalMemory: writes the proposal of that many items and lots to the file
// (arguments: file, items, lots).
int WriteInChild(int argc, char** argv) {
    if (argc != 5) return 2;
    const std::string xml =
        bench::GenerateProposalXml({std::atoi(argv[3]), std::atoi(argv[4]), 0.75, 20110429});
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    return file.write(xml.data(), static_cast<qint64>(xml.size())) == static_cast<qint64>(xml.size()) ? 0 : 1;
}

// The other child of OpenLotProposalMemory: opens the proposal in the given folder's settings and ends at
// once, without writing it back (arguments: folder, file, expected lot count).
int OpenInChild(int argc, char** argv) {
    if (argc != 5) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QApplication app(argc, argv);
    ScriptedDialogs dialogs;
    const ScopedDialogService escopo(dialogs);
    auto form = std::make_unique<TFormQuorvel>(QString::fromLocal8Bit(argv[2]));
    dialogs.QueueOpenFile(QString::fromLocal8Bit(argv[3]));
    form->BtnAbreXMLClick();
    const bool aberto = OpenedInLotMode(*form, std::atoi(argv[4]));
    std::_Exit(aberto ? 0 : 1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kWriteProposalArgument) == 0) return WriteInChild(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], kOpenProposalArgument) == 0) return OpenInChild(argc, argv);
    return quorvel::bench::RunBenchmarks<QApplication>(argc, argv, quorvel::bench::BenchLocale::Brazilian);
}
