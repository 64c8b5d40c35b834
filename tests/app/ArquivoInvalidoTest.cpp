#include "QuorvelTestSupport.h"

#include <QFile>
#include <QLineEdit>
#include <QToolButton>

#include <sys/stat.h>

namespace quorvel::testing {
namespace {

class ArquivoInvalido : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Comercial Ltda"), QStringLiteral("Comercial"), QStringLiteral("1"));
    }

    // A copy of a damaged file from the fixtures: a failed open must not touch the original anyway.
    QString CopyIn(const char* nome) {
        const QString destino = DataPath(QString::fromLatin1(nome));
        EXPECT_TRUE(QFile::copy(QStringLiteral(QUORVEL_TEST_DATA "/open_errors/") + QString::fromLatin1(nome),
                                destino));
        return destino;
    }
};

TEST_F(ArquivoInvalido, OpeningAFileThatIsNoProposalSaysWhatIsWrongAndWhere) {
    const QString malformado = QStringLiteral(
        "o conteúdo não é um pacote de dados bem formado ou termina antes do fim do documento");
    struct Case {
        const char* arquivo;
        int posicao;
    };
    // The offsets are where the reader stopped: the end of a cut file, the first tag of a foreign
    // document, the first byte of what is no XML at all.
    for (const Case caso :
         {Case{"truncated.xml", 4096}, Case{"random.bin", 0}, Case{"empty.xml", 0}, Case{"foo.xml", 4}}) {
        const QString path = CopyIn(caso.arquivo);
        const QByteArray antes = FileBytes(path);
        dialogs.ClearCalls();
        dialogs.QueueOpenFile(path);
        // The button's own handler shows the error: nothing unwinds through the toolkit's click.
        EXPECT_TRUE(RunAction([this] { ChildNamed<QToolButton>(*form, "BtnAbreXML").click(); }))
            << caso.arquivo;

        ASSERT_EQ(dialogs.Messages().size(), 1u) << caso.arquivo;
        EXPECT_EQ(dialogs.Messages()[0].text, QStringLiteral("O arquivo \"%1\" não pôde ser lido: %2 (erro "
                                                             "16389, posição %3)")
                                                  .arg(path, malformado)
                                                  .arg(caso.posicao));
        EXPECT_EQ(dialogs.Messages()[0].icon, MessageIcon::Stop);
        EXPECT_FALSE(Items().Active()) << caso.arquivo;
        EXPECT_EQ(ChildNamed<QLineEdit>(*form, "EdArquivo").text(), path);
        EXPECT_EQ(FileBytes(path), antes) << caso.arquivo;
    }

    // A good file opens afterwards as if nothing had happened.
    EXPECT_TRUE(OpenProposal(SaveProposal(ItemProposal(2))));
    EXPECT_EQ(Items().RecordCount(), 2);
}

// A FIFO chosen in the open dialog kept the program waiting for a writer for ever; a device was read
// until memory ran out.
TEST_F(ArquivoInvalido, AFileThatIsNoRegularFileIsRefusedWithoutReadingIt) {
    const QString fila = DataPath(QStringLiteral("fila.xml"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fila).constData(), 0600), 0);
    for (const QString& path : {fila, QStringLiteral("/dev/zero")}) {
        dialogs.ClearCalls();
        dialogs.QueueOpenFile(path);
        EXPECT_TRUE(RunAction([this] { ChildNamed<QToolButton>(*form, "BtnAbreXML").click(); }));
        ASSERT_EQ(dialogs.Messages().size(), 1u) << path.toStdString();
        EXPECT_EQ(dialogs.Messages()[0].text,
                  QStringLiteral("O arquivo \"%1\" não pôde ser lido: não é um arquivo comum").arg(path));
        EXPECT_FALSE(Items().Active());
    }
    EXPECT_FALSE(QFile::exists(fila + QStringLiteral(".lock")));
    EXPECT_TRUE(OpenProposal(SaveProposal(ItemProposal(2))));
}

} // namespace
} // namespace quorvel::testing
