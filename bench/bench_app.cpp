// The main window over a large lot-mode proposal: opening it through the real handlers (the file
// read, supplier data written into every row, the lot table built, every row given its lot's
// total) and one typed price posted with the lot roll-up.

#include "support/BenchMain.h"
#include "support/ProposalGenerator.h"

#include "app/UQuorvel.h"
#include "platform/IniFile.h"
#include "platform/ScriptedDialogs.h"
#include "store/StoreTable.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace quorvel;

// A temporary executable folder with a complete "config.ini" and the generated proposal's bytes.
class Scenario {
public:
    Scenario(int itens, int lotes)
        : xml_(bench::GenerateProposalXml({itens, lotes, 0.75, 20110429})) {
        TIniFile ini(Folder() + QStringLiteral("config.ini"));
        ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("RAZAOSOCIAL"),
                        QStringLiteral("Comercial Ltda"));
        ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("IDENTIFICADOR"),
                        QStringLiteral("Comercial"));
        ini.WriteString(QStringLiteral("FORNECEDOR"), QStringLiteral("TIPOEMPRESA"), QStringLiteral("1"));
    }

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
    QTemporaryDir pasta_;
    std::string xml_;
};

void OpenLotProposal(benchmark::State& state) {
    const int itens = static_cast<int>(state.range(0));
    const int lotes = static_cast<int>(state.range(1));
    const Scenario cenario(itens, lotes);
    ScriptedDialogs dialogs;
    const ScopedDialogService escopo(dialogs);
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<TFormQuorvel>(cenario.Folder());
        dialogs.QueueOpenFile(cenario.ProposalPath());
        state.ResumeTiming();

        form->BtnAbreXMLClick();

        state.PauseTiming();
        if (!form->LotTable().Active() || form->LotTable().RecordCount() != lotes || !dialogs.Calls().size())
            state.SkipWithError("the proposal did not open in lot mode");
        form.reset(); // writes the 20,000 changed rows back: not part of the opening
        dialogs.ClearCalls();
        state.ResumeTiming();
    }
}
BENCHMARK(OpenLotProposal)
    ->Args({2000, 200})
    ->Args({20000, 2000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void TypePriceWithLotTotal(benchmark::State& state) {
    const Scenario cenario(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    ScriptedDialogs dialogs;
    const ScopedDialogService escopo(dialogs);
    const auto form = cenario.OpenProposal(dialogs);
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
}
BENCHMARK(TypePriceWithLotTotal)->Args({20000, 2000})->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QApplication>(argc, argv, quorvel::bench::BenchLocale::Brazilian);
}
