// A proposal opened for a report only is read a window of rows at a time: every page must come out
// exactly as from the whole table, whatever the file's row order, the ties in the chosen order, the
// lots, the change log the file carries, or the window's size.
#include "ProposalTestSupport.h"

#include "app/proposal/ProposalRecordSet.h"
#include "app/proposal/TableAccess.h"
#include "app/proposal/URelatorio.h"
#include "platform/Metafile.h"
#include "report/Quickrpt.h"
#include "store/StoreTable.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace quorvel::testing {
namespace {

// What a report run produced and what the item table held meanwhile.
struct Execucao {
    std::vector<QByteArray> paginas;
    int linhasNaTabela = 0;
    bool porJanelas = false;
};

class RelatorioPorJanelas : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pasta.isValid()); }

    QString Path(const char* nome) const { return pasta.filePath(QString::fromLatin1(nome)); }

    Execucao Report(const QString& arquivo, TReportOrder ordem, ReportReading leitura) const {
        Execucao run;
        ProposalRecordSet proposta(pasta.path() + QLatin1Char('/'));
        proposta.OpenForReport(arquivo, leitura);
        proposta.SetSupplierName(QStringLiteral("Fornecedor de Teste"));
        TStoreTable& itens = proposta.ItemTable();
        itens.First();
        const QString tipo = FieldNamed(itens, "tipoprega").AsQString();
        run.porJanelas = proposta.ReportWindows() != nullptr;
        RunReport(proposta, ordem, tipo, [&](TQuickRep& leiaute) {
            leiaute.SetShowProgress(false);
            leiaute.Prepare();
            run.linhasNaTabela = itens.RecordCount();
            for (int n = 1; n <= leiaute.QRPrinter()->PageCount(); ++n)
                run.paginas.push_back(leiaute.QRPrinter()->GetPage(n)->SaveToBytes());
        });
        return run;
    }

    // Every order and window size against the whole table; returns the windowed runs' largest
    // item table.
    int ExpectSamePages(const QString& arquivo, int linhas) const {
        int maior = 0;
        for (const TReportOrder ordem : {TReportOrder::ItemNumber, TReportOrder::Description}) {
            const Execucao inteiro = Report(arquivo, ordem, {.whole = true});
            EXPECT_FALSE(inteiro.porJanelas);
            EXPECT_GE(inteiro.paginas.size(), 2u) << "the report must run over several pages";
            for (const std::uint32_t janela : {1u, 3u, 512u}) {
                const Execucao run = Report(arquivo, ordem, {.whole = false, .windowRows = janela});
                SCOPED_TRACE(::testing::Message() << "order " << int(ordem) << ", window " << janela);
                EXPECT_EQ(run.paginas.size(), inteiro.paginas.size());
                for (std::size_t p = 0; p < std::min(run.paginas.size(), inteiro.paginas.size()); ++p)
                    EXPECT_EQ(run.paginas[p], inteiro.paginas[p]) << "page " << p + 1;
                if (janela < static_cast<std::uint32_t>(linhas)) maior = std::max(maior, run.linhasNaTabela);
            }
        }
        return maior;
    }

    QTemporaryDir pasta;
};

// Items out of order in the file, two with the same number and two with the same description
// (ties go by the record's place), accents, unpriced ones left out, long descriptions.
Proposal Shuffled(Proposal proposta, unsigned semente) {
    std::mt19937 random(semente);
    std::shuffle(proposta.itens.begin(), proposta.itens.end(), random);
    proposta.itens[3].numitem = proposta.itens[4].numitem;
    proposta.itens[5].descrItem = proposta.itens[6].descrItem = "Álcool etílico 70%";
    for (std::size_t i = 0; i < proposta.itens.size(); ++i) {
        ProposalItem& item = proposta.itens[i];
        if (i % 7 != 2) item.precoIni = item.valor = std::to_string(3 + i % 11) + ".5000";
        item.complDescr =
            item.descrItem + (i % 4 == 0 ? "\nlinha de especificação " + std::to_string(i) : "");
        item.marca = "Marca " + std::to_string(i % 5);
    }
    return proposta;
}

// The file as the program leaves it after edits: modified versions (one modified twice, one with a
// new long description), a deleted row and an inserted one, all in the change log.
void EditAndSave(const QString& arquivo) {
    TStoreTable tabela;
    tabela.SetFileName(arquivo);
    tabela.Open();
    tabela.First();
    for (int i = 0; !tabela.Eof(); ++i) {
        if (i % 3 == 0) {
            tabela.Edit();
            tabela.FieldByName(QStringLiteral("preco_ini")).SetAsFloat(20 + i);
            if (i == 6)
                tabela.FieldByName(QStringLiteral("compl_descr"))
                    .SetAsQString(QStringLiteral("Nova especificação"));
            tabela.Post();
        }
        tabela.Next();
    }
    tabela.First();
    tabela.Edit();
    tabela.FieldByName(QStringLiteral("preco_ini")).SetAsFloat(99);
    tabela.Post();
    tabela.Next();
    tabela.Delete();
    tabela.Last();
    const QString tipo = tabela.FieldByName(QStringLiteral("tipoprega")).AsQString();
    // A new row of a lot of its own (the next number), without an item number.
    tabela.Append();
    tabela.FieldByName(QStringLiteral("nuitem")).SetAsInteger(2);
    tabela.FieldByName(QStringLiteral("tipoprega")).SetAsQString(tipo);
    tabela.FieldByName(QStringLiteral("preco_ini")).SetAsFloat(7.25);
    tabela.FieldByName(QStringLiteral("valor")).SetAsFloat(7.25);
    tabela.FieldByName(QStringLiteral("compl_descr")).SetAsQString(QStringLiteral("Item incluído"));
    tabela.Post();
    tabela.SaveToFile();
}

TEST_F(RelatorioPorJanelas, EveryOrderModeAndWindowGivesThePagesOfTheWholeTable) {
    const QString itens = Path("itens.xml");
    WriteProposal(itens, Shuffled(ItemProposal(60), 7));
    const int itensDoArquivo = 60;
    EXPECT_LT(ExpectSamePages(itens, itensDoArquivo), itensDoArquivo) << "the item table held every row";

    // Lots of different sizes, their rows interleaved in the file.
    Proposal lotes = LotProposal(9, 6);
    lotes.itens.resize(lotes.itens.size() - 4);
    const QString arquivoLotes = Path("lotes.xml");
    WriteProposal(arquivoLotes, Shuffled(lotes, 11));
    EXPECT_LE(ExpectSamePages(arquivoLotes, 50), 6) << "a lot's window held more than its rows";

    for (const QString& arquivo : {itens, arquivoLotes}) {
        SCOPED_TRACE(arquivo.toStdString());
        EditAndSave(arquivo);
        ASSERT_FALSE(ReadPacketFile(arquivo).changeLog.empty());
        ExpectSamePages(arquivo, 50);
    }
}

TEST_F(RelatorioPorJanelas, AFileOfAnotherFormIsReadWholeAndReportsTheSame) {
    const QString binario = Path("itens.cds");
    WriteProposal(binario, Shuffled(ItemProposal(30), 3));
    const Execucao inteiro = Report(binario, TReportOrder::ItemNumber, {.whole = true});
    const Execucao run = Report(binario, TReportOrder::ItemNumber, {});
    EXPECT_FALSE(run.porJanelas);
    EXPECT_EQ(run.linhasNaTabela, 30);
    EXPECT_EQ(run.paginas, inteiro.paginas);
}

} // namespace
} // namespace quorvel::testing
