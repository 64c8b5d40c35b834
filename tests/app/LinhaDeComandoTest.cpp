#include "QuorvelTestSupport.h"

#include "app/ProgramArguments.h"
#include "platform/Exceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

namespace quorvel::testing {
namespace {

// `quorvel FILE` against "Abrir" answering FILE: both must leave the window in the same state.
class LinhaDeComando : public QuorvelFixture {
protected:
    // What the supplier sees, and what the next save would write, after an opening.
    struct Estado {
        QString arquivo;
        bool itensAbertos = false;
        bool painelLotes = false;
        QString tituloPreco;
        QString filtro;
        QStringList lotes;
        QStringList valoresDosLotes;
        QStringList itensVisiveis;
        QStringList fornecedores;
        std::size_t alteracoes = 0;
        QStringList mensagens;
        bool terminou = false; // the action ended without an error shown
    };

    // The state, with the open file's path written as "ARQUIVO" wherever it shows.
    Estado Observa(const QString& path) {
        Estado e;
        e.arquivo = ChildNamed<QLineEdit>(*form, "EdArquivo").text().replace(path, QStringLiteral("ARQUIVO"));
        e.itensAbertos = Items().Active();
        e.painelLotes = !ChildNamed(*form, "Panel4").isHidden();
        e.tituloPreco = Grid1().model()->headerData(4, Qt::Horizontal).toString();
        for (const QString& m : Messages())
            e.mensagens.push_back(QString(m).replace(path, QStringLiteral("ARQUIVO")));
        if (!e.itensAbertos) return e;
        e.filtro = Items().Filtered() ? Items().Filter() : QString();
        if (Lots().Active()) {
            e.lotes = ColumnValues(Lots(), "descr_lote");
            e.valoresDosLotes = ColumnValues(Lots(), "valor");
        }
        e.itensVisiveis = ColumnValues(Items(), "numitem");
        e.fornecedores = ColumnValues(Items(), "razao_social");
        e.alteracoes = Items().Data().changeLog.size();
        return e;
    }

    // Opens one copy of `origem` (a file that may not exist) through the command line and another
    // through "Abrir", each in a fresh window, and returns both states.
    std::pair<Estado, Estado> AbreDosDoisModos(const QString& origem) {
        const QString nome = QFileInfo(origem).fileName();
        const QString porArgumento = DataPath(QStringLiteral("argumento-") + nome);
        const QString porAbrir = DataPath(QStringLiteral("abrir-") + nome);
        if (QFile::exists(origem)) {
            EXPECT_TRUE(QFile::copy(origem, porArgumento));
            EXPECT_TRUE(QFile::copy(origem, porAbrir));
        }
        form = std::make_unique<TFormQuorvel>(ExeFolder());
        dialogs.ClearCalls();
        const bool terminouPorArgumento = RunAction([&] { form->OpenGivenFile(porArgumento); });
        Estado a = Observa(porArgumento);
        a.terminou = terminouPorArgumento;
        form = std::make_unique<TFormQuorvel>(ExeFolder());
        dialogs.ClearCalls();
        const bool terminouPorAbrir = OpenProposal(porAbrir);
        Estado b = Observa(porAbrir);
        b.terminou = terminouPorAbrir;
        return {a, b};
    }

    static void ExpectSame(const Estado& a, const Estado& b) {
        EXPECT_EQ(a.arquivo, b.arquivo);
        EXPECT_EQ(a.itensAbertos, b.itensAbertos);
        EXPECT_EQ(a.painelLotes, b.painelLotes);
        EXPECT_EQ(a.tituloPreco, b.tituloPreco);
        EXPECT_EQ(a.filtro, b.filtro);
        EXPECT_EQ(a.lotes, b.lotes);
        EXPECT_EQ(a.valoresDosLotes, b.valoresDosLotes);
        EXPECT_EQ(a.itensVisiveis, b.itensVisiveis);
        EXPECT_EQ(a.fornecedores, b.fornecedores);
        EXPECT_EQ(a.alteracoes, b.alteracoes);
        EXPECT_EQ(a.mensagens, b.mensagens);
        EXPECT_EQ(a.terminou, b.terminou);
    }
};

TEST_F(LinhaDeComando, AGivenFileOpensAsAbrirOpensItRegistrationFirstThenTheLotTable) {
    Proposal p = LotProposal(3, 2);
    p.itens[2].valor = "7.5000";
    const QString path = SaveProposal(p, QStringLiteral("lote.xml"));
    // The command line names the file relative to the folder the program starts in.
    const QString antes = QDir::currentPath();
    const auto volta = qScopeGuard([&] { QDir::setCurrent(antes); });
    ASSERT_TRUE(QDir::setCurrent(pastaDados.path()));

    bool registroPrimeiro = false;
    WhenRegistrationShown([&](TFormDadosForn& d) {
        // The file is already loaded when the registration is asked for, as after the dialog.
        registroPrimeiro = Items().Active() && !Lots().Active();
        RegistrationUi f = ControlsOf(d);
        f.EdRazaoSocial.setText(QStringLiteral("Papelaria Central Ltda"));
        f.EdIdentificador.setText(QStringLiteral("Central"));
        f.RGTipoEmpresaItem2.click();
        f.BitBtn1.click();
    });
    ASSERT_TRUE(RunAction([this] { form->OpenGivenFile(QStringLiteral("./sub/../lote.xml")); }));

    EXPECT_TRUE(registroPrimeiro);
    // Nothing asked which file to open.
    for (const DialogCall& call : dialogs.Calls())
        EXPECT_NE(call.kind, DialogCall::Kind::OpenFile);
    const Estado e = Observa(path);
    EXPECT_EQ(e.arquivo, QStringLiteral("ARQUIVO"));
    EXPECT_TRUE(e.painelLotes);
    EXPECT_EQ(e.tituloPreco, QStringLiteral("Valor Inicial"));
    EXPECT_EQ(e.lotes, (QStringList{"Lote 1", "Lote 2", "Lote 3"}));
    EXPECT_EQ(e.filtro, QStringLiteral("id_item = 1"));
    EXPECT_EQ(e.itensVisiveis, (QStringList{"1", "2"}));
    EXPECT_EQ(e.fornecedores, (QStringList{"Papelaria Central Ltda", "Papelaria Central Ltda"}));
    EXPECT_TRUE(FileBytes(ConfigFile()).contains("RAZAOSOCIAL=Papelaria Central Ltda\r\n"));

    // With the supplier registered, "Abrir" on an identical file leaves the window exactly so.
    const auto [porArgumento, porAbrir] = AbreDosDoisModos(SaveProposal(p, QStringLiteral("outro.xml")));
    ExpectSame(porArgumento, porAbrir);
    EXPECT_TRUE(porArgumento.terminou);
    EXPECT_EQ(porArgumento.lotes, e.lotes);
    EXPECT_GT(porArgumento.alteracoes, 0u);
}

TEST_F(LinhaDeComando, AFileThatCannotBeOpenedShowsTheErrorOfTheDialogPathAndTheWindowStaysUsable) {
    WriteConfig(QStringLiteral("Comercial Ltda"), QStringLiteral("Comercial"), QStringLiteral("1"));
    struct Caso {
        QString origem;
        QString mensagem;
    };
    for (const Caso& caso :
         {Caso{QStringLiteral(QUORVEL_TEST_DATA "/open_errors/truncated.xml"),
               QStringLiteral(
                   "O arquivo \"ARQUIVO\" não pôde ser lido: o conteúdo não é um pacote de dados bem "
                   "formado ou termina antes do fim do documento (erro 16389, posição 4096)")},
          Caso{DataPath(QStringLiteral("nao-existe.xml")),
               QStringLiteral("Missing data provider or data packet")}}) {
        const auto [porArgumento, porAbrir] = AbreDosDoisModos(caso.origem);
        ExpectSame(porArgumento, porAbrir);
        EXPECT_EQ(porArgumento.mensagens, QStringList{caso.mensagem});
        EXPECT_FALSE(porArgumento.terminou);
        EXPECT_FALSE(porArgumento.itensAbertos);
        EXPECT_EQ(porArgumento.arquivo, QStringLiteral("ARQUIVO"));
    }

    // The window goes on: the next file given opens.
    const QString bom = SaveProposal(ItemProposal(2));
    ASSERT_TRUE(RunAction([&] { form->OpenGivenFile(bom); }));
    EXPECT_EQ(Items().RecordCount(), 2);
    EXPECT_TRUE(ChildNamed(*form, "Panel4").isHidden());
    EXPECT_EQ(ColumnValues(Items(), "razao_social"), (QStringList{"Comercial Ltda", "Comercial Ltda"}));
}

TEST(ProgramArguments, NamesAtMostOneFileAndRefusesUnknownOptions) {
    const auto arquivo = [](QStringList args) {
        args.prepend(QStringLiteral("quorvel"));
        return ProposalFileArgument(args);
    };
    const auto erro = [&](const QStringList& args) {
        try {
            arquivo(args);
        } catch (const Exception& e) {
            return e.Message();
        }
        return QStringLiteral("(accepted)");
    };
    EXPECT_EQ(arquivo({}), QString());
    EXPECT_EQ(arquivo({QStringLiteral("proposta.xml")}), QStringLiteral("proposta.xml"));
    EXPECT_EQ(arquivo({QStringLiteral("--"), QStringLiteral("-proposta.xml")}),
              QStringLiteral("-proposta.xml"));
    EXPECT_EQ(erro({QStringLiteral("--abrir"), QStringLiteral("p.xml")}),
              QStringLiteral("Unknown option 'abrir'."));
    EXPECT_EQ(erro({QStringLiteral("a.xml"), QStringLiteral("b.xml")}),
              QStringLiteral("Only one proposal file can be opened at a time"));
}

} // namespace
} // namespace quorvel::testing
