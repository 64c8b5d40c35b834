#include "QuorvelTestSupport.h"

#include <QDir>
#include <QFile>

namespace quorvel::testing {
namespace {

// The sample proposals in examples/ are written by the project's own datapacket writer from
// ItemExample() and LotExample(). Run this program with QUORVEL_WRITE_EXAMPLES=1 to write
// them anew after changing the samples.
QString ExamplesFolder() {
    return QDir::cleanPath(QStringLiteral(QUORVEL_TEST_DATA "/../../examples"));
}

struct Example {
    const char* nome;
    Proposal (*monta)();
};
const Example kExemplos[] = {{"proposta-por-item.xml", &ItemExample}, {"proposta-por-lote.xml", &LotExample}};

class Exemplos : public QuorvelFixture {
protected:
    QString CopyIn(const char* nome) {
        const QString copia = DataPath(QString::fromLatin1(nome));
        QFile::copy(ExamplesFolder() + QLatin1Char('/') + QString::fromLatin1(nome), copia);
        return copia;
    }
};

TEST_F(Exemplos, SampleFilesAreExactlyWhatTheWriterMakesOfTheSamples) {
    for (const Example& exemplo : kExemplos) {
        const QByteArray esperado =
            QByteArray::fromStdString(WriteDatapacketXml(ProposalPacket(exemplo.monta())));
        const QString path = ExamplesFolder() + QLatin1Char('/') + QString::fromLatin1(exemplo.nome);
        if (qEnvironmentVariableIsSet("QUORVEL_WRITE_EXAMPLES")) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(esperado);
        }
        EXPECT_EQ(FileBytes(path), esperado) << exemplo.nome;
    }
}

TEST_F(Exemplos, ItemModeSampleOpensWithAllItems) {
    WriteConfig(QStringLiteral("Exemplo Ltda"), QStringLiteral("Exemplo"), QStringLiteral("0"));
    ASSERT_TRUE(OpenProposal(CopyIn("proposta-por-item.xml")));
    EXPECT_TRUE(ChildNamed(*form, "Panel4").isHidden());
    EXPECT_EQ(Items().RecordCount(), 8);
    EXPECT_EQ(TextOf(Items(), "descr_item"),
              QStringLiteral("Papel sulfite A4, 75 g/m², branco, resma com 500 folhas"));
    EXPECT_TRUE(TextOf(Items(), "compl_descr").contains(QStringLiteral("\r\nFormato 210 × 297 mm")));
}

TEST_F(Exemplos, LotModeSampleOpensWithThreeLots) {
    WriteConfig(QStringLiteral("Exemplo Ltda"), QStringLiteral("Exemplo"), QStringLiteral("0"));
    ASSERT_TRUE(OpenProposal(CopyIn("proposta-por-lote.xml")));
    EXPECT_FALSE(ChildNamed(*form, "Panel4").isHidden());
    EXPECT_EQ(ColumnValues(Lots(), "descr_lote"),
              (QStringList{QStringLiteral("Material de escritório e expediente"),
                           QStringLiteral("Material de limpeza e higienização"),
                           QStringLiteral("Equipamentos e acessórios de informática")}));
    EXPECT_EQ(Items().RecordCount(), 3);
}

} // namespace
} // namespace quorvel::testing
