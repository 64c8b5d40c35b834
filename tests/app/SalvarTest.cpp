#include "QuorvelTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <map>

namespace quorvel::testing {
namespace {

class Salvar : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Comercial Ltda"), QStringLiteral("Comercial"), QStringLiteral("2"));
    }

    QString PriceOf(const QString& path, const std::string& numitem) {
        const Datapacket packet = ReadPacketFile(path);
        for (const PacketRow* row : CurrentRows(packet))
            if (PacketFieldText(packet, *row, "numitem") == numitem)
                return QString::fromStdString(PacketFieldText(packet, *row, "preco_ini"));
        return QStringLiteral("<none>");
    }

    QTemporaryDir destino;
};

TEST_F(Salvar, SalvarDadosWritesTheTypedPriceAndShowsOnlyItsMessage) {
    const QString path = SaveProposal(ItemProposal(3));
    ASSERT_TRUE(OpenProposal(path));
    ASSERT_TRUE(RunAction([this] {
        Items().Next();
        TypePrice(QStringLiteral("7,25"));
    }));
    dialogs.ClearCalls();
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));

    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, QStringLiteral("Dados Salvos !!!"));
    EXPECT_EQ(dialogs.Messages()[0].title, QStringLiteral("Aviso"));
    EXPECT_EQ(dialogs.Messages()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(PriceOf(path, "2"), QStringLiteral("7.2500"));
    // The table stays open where it was, with its change log.
    EXPECT_TRUE(Items().Active());
    EXPECT_EQ(TextOf(Items(), "numitem"), QStringLiteral("2"));
    EXPECT_FALSE(ReadPacketFile(path).changeLog.empty());

    // Nothing changed since the write: another "Salvar Dados" leaves the file alone ...
    const QByteArray escrito = FileBytes(path);
    {
        QFile marca(path);
        ASSERT_TRUE(marca.open(QIODevice::WriteOnly | QIODevice::Truncate));
        marca.write("x");
    }
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_EQ(FileBytes(path), QByteArray("x"));
    // ... unless the file has vanished, which writes it again.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_EQ(FileBytes(path), escrito);
}

TEST_F(Salvar, SalvarDadosPostsAPendingEditInBothModes) {
    const QString itens = SaveProposal(ItemProposal(2), QStringLiteral("itens.xml"));
    ASSERT_TRUE(OpenProposal(itens));
    RunAction([this] {
        Items().Edit();
        Items().FieldByName(QStringLiteral("preco_ini")).SetText(QStringLiteral("3"));
    });
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_EQ(Items().State(), TTableState::Browse);
    EXPECT_EQ(PriceOf(itens, "1"), QStringLiteral("3.0000"));

    const QString lotes = SaveProposal(LotProposal(1, 2), QStringLiteral("lotes.xml"));
    ASSERT_TRUE(OpenProposal(lotes));
    RunAction([this] {
        Items().Edit();
        Items().FieldByName(QStringLiteral("preco_ini")).SetText(QStringLiteral("4"));
    });
    dialogs.ClearCalls();
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_EQ(PriceOf(lotes, "1"), QStringLiteral("4.0000"));
    EXPECT_EQ(Messages(),
              (QStringList{QStringLiteral("Existem preços de itens que não foram digitados. VERIFIQUE"),
                           QStringLiteral("Dados Salvos !!!")}));
}

TEST_F(Salvar, SalvarDadosWritesEveryRowOfALotWithItsCurrentTotal) {
    const QString path = SaveProposal(LotProposal(2, 2), QStringLiteral("lotes.xml"));
    ASSERT_TRUE(OpenProposal(path));
    // Quantities are 1 and 2 in each lot.
    ASSERT_TRUE(RunAction([this] {
        TypePrice(QStringLiteral("2"));
        Items().Next();
        TypePrice(QStringLiteral("3"));
        Lots().Next();
        Items().First();
        TypePrice(QStringLiteral("1"));
        Items().Next();
        TypePrice(QStringLiteral("1"));
    }));
    const auto valores = [&] {
        const Datapacket gravado = ReadPacketFile(path);
        std::map<std::string, std::string> porItem;
        for (const PacketRow* row : CurrentRows(gravado))
            porItem[PacketFieldText(gravado, *row, "numitem")] = PacketFieldText(gravado, *row, "valor");
        return porItem;
    };
    using Valores = std::map<std::string, std::string>;
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_EQ(valores(), (Valores{{"1", "8.0000"}, {"2", "8.0000"}, {"3", "3.0000"}, {"4", "3.0000"}}));

    // A later change to the first row of lot 1 reaches every row of that lot at the next save.
    ASSERT_TRUE(RunAction([this] {
        Lots().First();
        Items().First();
        TypePrice(QStringLiteral("4"));
    }));
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_EQ(valores(), (Valores{{"1", "10.0000"}, {"2", "10.0000"}, {"3", "3.0000"}, {"4", "3.0000"}}));

    // Rows that hold their lot's total already are left as they are: a save with nothing typed adds
    // no version.
    const std::size_t versoes = Items().Data().rows.size();
    const std::size_t alteracoes = Items().Data().changeLog.size();
    ASSERT_TRUE(RunAction([this] {
        Lots().Next();
        form->BitBtn3Click();
    }));
    EXPECT_EQ(Items().Data().rows.size(), versoes);
    EXPECT_EQ(Items().Data().changeLog.size(), alteracoes);
    EXPECT_EQ(valores(), (Valores{{"1", "10.0000"}, {"2", "10.0000"}, {"3", "3.0000"}, {"4", "3.0000"}}));

    // A lot without prices totals zero, and its rows, which held no value, receive that zero.
    const QString semPrecos = SaveProposal(LotProposal(1, 2), QStringLiteral("sem-precos.xml"));
    ASSERT_TRUE(OpenProposal(semPrecos));
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    std::map<std::string, std::string> gravados;
    const Datapacket gravado = ReadPacketFile(semPrecos);
    for (const PacketRow* row : CurrentRows(gravado))
        gravados[PacketFieldText(gravado, *row, "numitem")] = PacketFieldText(gravado, *row, "valor");
    EXPECT_EQ(gravados, (Valores{{"1", "0.0000"}, {"2", "0.0000"}}));
}

TEST_F(Salvar, FailedWriteShowsTheErrorAndNotTheSavedMessage) {
    const QString path = SaveProposal(ItemProposal(2));
    ASSERT_TRUE(OpenProposal(path));
    ASSERT_TRUE(RunAction([this] { TypePrice(QStringLiteral("1")); }));
    // The proposal's folder disappears under the program: the write cannot be done.
    const QByteArray antes = FileBytes(path);
    ASSERT_TRUE(QDir(pastaDados.path()).removeRecursively());
    dialogs.ClearCalls();
    EXPECT_FALSE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_FALSE(Messages().contains(QStringLiteral("Dados Salvos !!!")));
    EXPECT_TRUE(Items().Active());
    // Once the folder is back, the next "Salvar Dados" writes what was typed.
    ASSERT_TRUE(QDir().mkpath(pastaDados.path()));
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_EQ(PriceOf(path, "1"), QStringLiteral("1.0000"));
    EXPECT_NE(FileBytes(path), antes);
}

TEST_F(Salvar, SalvarDadosWithoutAnyFileDoesNothing) {
    EXPECT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    EXPECT_TRUE(RunAction([this] { form->btnExpArquivoClick(); }));
    EXPECT_TRUE(dialogs.Calls().empty());
}

TEST_F(Salvar, ExportCopiesTheWrittenFileByteForByteAndReopensTheFirstLot) {
    const QString path = SaveProposal(LotProposal(3, 2), QStringLiteral("PE-058-2026.XML"));
    ASSERT_TRUE(OpenProposal(path));
    RunAction([this] {
        Lots().Next();
        TypePrice(QStringLiteral("9"));
    });
    dialogs.QueueFolder(destino.path());
    dialogs.ClearCalls();
    ASSERT_TRUE(RunAction([this] { form->btnExpArquivoClick(); }));

    const QString alvo = destino.filePath(QStringLiteral("PE-058-2026.XML"));
    EXPECT_EQ(FileBytes(alvo), FileBytes(path));
    EXPECT_TRUE(FileBytes(path).startsWith("<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET"));
    const auto mensagens = dialogs.Messages();
    ASSERT_FALSE(mensagens.empty());
    EXPECT_EQ(mensagens.back().text, QStringLiteral("Arquivo exportado com sucesso!"));
    EXPECT_EQ(mensagens.back().title, QStringLiteral("Aviso"));
    EXPECT_EQ(mensagens.back().icon, MessageIcon::Information);
    ASSERT_EQ(dialogs.Calls().front().kind, DialogCall::Kind::Message); // "AVISO" first, then "Dados Salvos"
    bool pediuPasta = false;
    for (const DialogCall& call : dialogs.Calls())
        if (call.kind == DialogCall::Kind::ChooseFolder) {
            pediuPasta = true;
            EXPECT_EQ(call.startFolder, ExeFolder());
        }
    EXPECT_TRUE(pediuPasta);

    EXPECT_TRUE(Items().Active());
    EXPECT_TRUE(Lots().Active());
    EXPECT_EQ(Lots().RecordCount(), 3);
    EXPECT_EQ(TextOf(Lots(), "id_item"), QStringLiteral("1"));
    EXPECT_EQ(Items().Filter(), QStringLiteral("id_item = 1"));
    EXPECT_EQ(ColumnValues(Items(), "numitem"), (QStringList{"1", "2"}));
    EXPECT_EQ(Items().IndexName(), QStringLiteral("CDSDigitacaoIndex2"));
    EXPECT_EQ(PriceOf(alvo, "3"), QStringLiteral("9.0000"));
}

TEST_F(Salvar, ExportToAnExistingFileAsksAndReplacesOnlyOnYes) {
    const QString path = SaveProposal(ItemProposal(2));
    ASSERT_TRUE(OpenProposal(path));
    const QString alvo = destino.filePath(QStringLiteral("proposta.xml"));
    {
        QFile antigo(alvo);
        ASSERT_TRUE(antigo.open(QIODevice::WriteOnly));
        antigo.write("antigo");
    }
    dialogs.QueueFolder(destino.path());
    dialogs.QueueAnswer(DialogAnswer::No);
    dialogs.ClearCalls();
    ASSERT_TRUE(RunAction([this] { form->btnExpArquivoClick(); }));
    EXPECT_EQ(FileBytes(alvo), QByteArray("antigo"));
    const auto perguntas = dialogs.Messages();
    ASSERT_EQ(perguntas.size(), 2u);
    EXPECT_EQ(
        perguntas[1].text,
        QStringLiteral("O arquivo exportado já existe no local selecionado!\nDeseja substituir o arquivo?"));
    EXPECT_EQ(perguntas[1].title, QStringLiteral("Atenção!"));
    EXPECT_EQ(perguntas[1].icon, MessageIcon::Question);
    EXPECT_EQ(perguntas[1].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(Items().Active());

    dialogs.QueueFolder(destino.path());
    dialogs.QueueAnswer(DialogAnswer::Yes);
    ASSERT_TRUE(RunAction([this] { form->btnExpArquivoClick(); }));
    EXPECT_EQ(FileBytes(alvo), FileBytes(path));
}

TEST_F(Salvar, ExportToATypedNewFolderCreatesItAfterConfirmation) {
    const QString path = SaveProposal(ItemProposal(2));
    ASSERT_TRUE(OpenProposal(path));
    const QString nova = destino.filePath(QStringLiteral("entrega/pregao 137"));
    dialogs.QueueFolder(nova);
    dialogs.QueueAnswer(DialogAnswer::Yes);
    ASSERT_TRUE(RunAction([this] { form->btnExpArquivoClick(); }));
    EXPECT_EQ(FileBytes(nova + QStringLiteral("/proposta.xml")), FileBytes(path));

    // A cancelled chooser stops silently after "Dados Salvos !!!", with the tables left open.
    dialogs.QueueFolder(std::nullopt);
    dialogs.ClearCalls();
    ASSERT_TRUE(RunAction([this] { form->btnExpArquivoClick(); }));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Dados Salvos !!!")});
    EXPECT_TRUE(Items().Active());
}

TEST_F(Salvar, FailingCopyShowsTheFailureAndReopensTheTables) {
    const QString path = SaveProposal(LotProposal(2, 1));
    ASSERT_TRUE(OpenProposal(path));
    RunAction([this] { Lots().Next(); });
    // A folder of the same name stands where the copy should go: the copy cannot replace it.
    ASSERT_TRUE(QDir(destino.path()).mkdir(QStringLiteral("proposta.xml")));
    dialogs.QueueFolder(destino.path());
    dialogs.ClearCalls();
    ASSERT_TRUE(RunAction([this] { form->btnExpArquivoClick(); }));
    const auto mensagens = dialogs.Messages();
    ASSERT_FALSE(mensagens.empty());
    EXPECT_EQ(mensagens.back().text,
              QStringLiteral("O arquivo não pode ser exportado para o local selecionado!"));
    EXPECT_EQ(mensagens.back().title, QStringLiteral("Falha ao exportar"));
    EXPECT_EQ(mensagens.back().icon, MessageIcon::Stop);
    EXPECT_TRUE(Items().Active());
    EXPECT_TRUE(Lots().Active());
    EXPECT_EQ(TextOf(Lots(), "id_item"), QStringLiteral("1"));
}

TEST_F(Salvar, XmlExtensionInAnyCaseIsWrittenBackAsXmlAnyOtherAsBinary) {
    const QString xml = SaveProposal(ItemProposal(2), QStringLiteral("maiusculas.XML"));
    const QString bin = SaveProposal(ItemProposal(2), QStringLiteral("proposta.dat"));
    ASSERT_TRUE(OpenProposal(xml));
    ASSERT_TRUE(RunAction([this] { TypePrice(QStringLiteral("1")); }));
    ASSERT_TRUE(OpenProposal(bin));
    ASSERT_TRUE(RunAction([this] { TypePrice(QStringLiteral("2")); }));
    ASSERT_TRUE(OpenProposal(std::nullopt));
    EXPECT_TRUE(FileBytes(xml).startsWith("<?xml"));
    EXPECT_TRUE(FileBytes(bin).startsWith(QByteArray("\x96\x19\xE0\xBD", 4)));
    EXPECT_EQ(PriceOf(xml, "1"), QStringLiteral("1.0000"));
    EXPECT_EQ(PriceOf(bin, "1"), QStringLiteral("2.0000"));
}

TEST_F(Salvar, ClosingTheProgramAfterEditingAPriceLeavesItInTheFile) {
    const QString path = SaveProposal(ItemProposal(3));
    ASSERT_TRUE(OpenProposal(path));
    RunAction([this] {
        Items().Last();
        Items().Edit();
        Items().FieldByName(QStringLiteral("preco_ini")).SetText(QStringLiteral("15,75"));
    });
    dialogs.ClearCalls();
    form->show();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Dados Salvos !!!")});
    form.reset();
    EXPECT_EQ(PriceOf(path, "3"), QStringLiteral("15.7500"));
    const Datapacket gravado = ReadPacketFile(path);
    EXPECT_GT(gravado.rows.size(), 3u);
    EXPECT_FALSE(gravado.changeLog.empty());
}

} // namespace
} // namespace quorvel::testing
