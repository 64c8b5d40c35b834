// The price round trip in the window: "Exportar Planilha" writes the items to the sheet the save
// dialog names, "Importar Preços" shows what the sheet would change and posts it only on "Importar",
// as typing posts it; "Importar" is refused while a row is in error, and "Cancelar" changes nothing.
#include "QuorvelTestSupport.h"

#include "app/UImportaPrecos.h"
#include "sheet/SheetFile.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>

namespace quorvel::testing {
namespace {

class Planilha : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Comercial Ltda"), QStringLiteral("Comercial"), QStringLiteral("2"));
    }

    void WriteSheet(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    // "Importar Preços" with the open dialog answering `sheet`; `script` runs on the summary.
    bool ImportWith(const QString& sheet, std::function<void(TFormImportaPrecos&)> script) {
        dialogs.QueueOpenFile(sheet);
        WhenDialogShown<TFormImportaPrecos>(*form, "price import summary", std::move(script));
        return RunAction([this] { form->btnImpPrecosClick(); });
    }

    QString PriceInFile(const QString& path, const std::string& numitem) {
        const Datapacket packet = ReadPacketFile(path);
        for (const PacketRow* row : CurrentRows(packet))
            if (PacketFieldText(packet, *row, "numitem") == numitem)
                return QString::fromStdString(PacketFieldText(packet, *row, "preco_ini") + "|" +
                                              PacketFieldText(packet, *row, "valor") + "|" +
                                              PacketFieldText(packet, *row, "marca"));
        return QStringLiteral("<none>");
    }
};

TEST_F(Planilha, ExportThenImportPostsThePricesAsTypingAndRollsUpTheLots) {
    const QString path = SaveProposal(LotProposal(2, 2));
    ASSERT_TRUE(OpenProposal(path));

    // A name without a sheet extension takes the chosen filter's (the third: .csv).
    dialogs.QueueSaveFile(SaveFileChoice{DataPath(QStringLiteral("itens")), 3});
    ASSERT_TRUE(RunAction([this] { form->btnExpPlanilhaClick(); }));
    EXPECT_EQ(Messages().constLast(), QStringLiteral("Planilha exportada com sucesso!"));
    const Sheet exportada = ReadSheetFile(DataPath(QStringLiteral("itens.csv")));
    ASSERT_EQ(exportada.rows.size(), 6u); // the auction row, the headings, four items

    const std::size_t antes = Items().Data().changeLog.size();
    WriteSheet(
        DataPath(QStringLiteral("precos.csv")),
        "Lote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio;Marca\n1;1;1;10;Marca A\n1;2;2;2,5;\n2;3;1;4;\n");
    QString resumo;
    QString detalhes;
    ASSERT_TRUE(ImportWith(DataPath(QStringLiteral("precos.csv")), [&](TFormImportaPrecos& dialogo) {
        resumo = ChildNamed<QLabel>(dialogo, "LbResumo").text();
        detalhes = ChildNamed<QPlainTextEdit>(dialogo, "MemoDetalhes").toPlainText();
        ChildNamed<QPushButton>(dialogo, "BtnImportar").click();
    }));
    EXPECT_EQ(resumo, QStringLiteral("3 preços e 1 marcas a importar"));
    EXPECT_EQ(detalhes, QStringLiteral("Fora da planilha:\nLote 2, Item 4, Subitem 2"));

    // Three imported posts, then PropagaValorLotes posts each of the four rows once.
    EXPECT_EQ(Items().Data().changeLog.size(), antes + 7);
    // Lot 1: 1 x 10 + 2 x 2,5; lot 2: 1 x 4. The first lot is selected again.
    EXPECT_EQ(ColumnValues(Lots(), "valor"), (QStringList{"15", "4"}));
    EXPECT_EQ(TextOf(Lots(), "id_item"), QStringLiteral("1"));
    EXPECT_EQ(ColumnValues(Items(), "valor"), (QStringList{"15", "15"}));
    EXPECT_EQ(ColumnValues(Items(), "marca"), (QStringList{"Marca A", ""}));

    // The file is written as after typing: by "Salvar Dados" (and the close).
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_EQ(PriceInFile(path, "1"), QStringLiteral("10.0000|15.0000|Marca A"));
    EXPECT_EQ(PriceInFile(path, "2"), QStringLiteral("2.5000|15.0000|"));
    EXPECT_EQ(PriceInFile(path, "3"), QStringLiteral("4.0000|4.0000|"));
    EXPECT_EQ(PriceInFile(path, "4"), QStringLiteral("|4.0000|"));
}

TEST_F(Planilha, ImportarIsRefusedWhileARowIsInErrorAndCancelarChangesNothing) {
    dialogs.ClearCalls();
    EXPECT_FALSE(RunAction([this] { form->btnImpPrecosClick(); }));
    EXPECT_EQ(Messages(),
              QStringList{QStringLiteral(
                  "Não existe arquivo XML aberto. Antes de importar os preços, favor abrir o arquivo XML")});

    const QString path = SaveProposal(ItemProposal(3));
    ASSERT_TRUE(OpenProposal(path));
    const std::size_t antes = Items().Data().changeLog.size();
    WriteSheet(DataPath(QStringLiteral("erros.csv")),
               "Lote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio\n1;1;1;12,5,0\n2;2;2;3\n9;9;9;1\n");
    dialogs.ClearCalls();
    bool abertoDepoisDeImportar = false;
    QString detalhes;
    ASSERT_TRUE(ImportWith(DataPath(QStringLiteral("erros.csv")), [&](TFormImportaPrecos& dialogo) {
        detalhes = ChildNamed<QPlainTextEdit>(dialogo, "MemoDetalhes").toPlainText();
        ChildNamed<QPushButton>(dialogo, "BtnImportar").click();
        abertoDepoisDeImportar = dialogo.isVisible();
        ChildNamed<QPushButton>(dialogo, "BtnCancelar").click();
    }));
    EXPECT_TRUE(abertoDepoisDeImportar);
    EXPECT_EQ(detalhes,
              QStringLiteral("Linhas com erro:\nlinha 2, Preço Unitário: '12,5,0' não é um número\n\n"
                             "Não estão na proposta:\nlinha 4: Lote 9, Item 9, Subitem 9\n\n"
                             "Fora da planilha:\nLote 3, Item 3, Subitem 3"));
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text,
              QStringLiteral("A planilha tem linhas com erro; nada será importado enquanto houver erro. "
                             "Primeiro erro: linha 2, Preço Unitário: '12,5,0' não é um número"));
    EXPECT_EQ(dialogs.Messages()[0].title, QStringLiteral("Atenção!"));

    // A sheet without errors, cancelled.
    WriteSheet(DataPath(QStringLiteral("bom.csv")),
               "Lote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio\n2;2;2;3\n");
    ASSERT_TRUE(ImportWith(DataPath(QStringLiteral("bom.csv")), [](TFormImportaPrecos& dialogo) {
        ChildNamed<QPushButton>(dialogo, "BtnCancelar").click();
    }));
    EXPECT_EQ(Items().Data().changeLog.size(), antes);
    EXPECT_EQ(ColumnValues(Items(), "preco_ini"), (QStringList{"", "", ""}));
}

} // namespace
} // namespace quorvel::testing
