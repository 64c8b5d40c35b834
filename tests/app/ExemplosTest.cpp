#include "QuorvelTestSupport.h"

#include <QDir>
#include <QFile>

namespace quorvel::testing {
namespace {

// The sample proposals in examples/ are written by the project's own datapacket writer from
// ExemploPorItem() and ExemploEmLotes(). Run this program with QUORVEL_WRITE_EXAMPLES=1 to write
// them anew after changing the samples.
QString PastaExemplos() {
    return QDir::cleanPath(QStringLiteral(QUORVEL_TEST_DATA "/../../examples"));
}

struct Exemplo {
    const char* nome;
    Proposta (*monta)();
};
const Exemplo kExemplos[] = {{"proposta-por-item.xml", &ExemploPorItem},
                             {"proposta-por-lote.xml", &ExemploEmLotes}};

class Exemplos : public QuorvelFixture {
protected:
    QString Copia(const char* nome) {
        const QString copia = Dados(QString::fromLatin1(nome));
        QFile::copy(PastaExemplos() + QLatin1Char('/') + QString::fromLatin1(nome), copia);
        return copia;
    }
};

TEST_F(Exemplos, SampleFilesAreExactlyWhatTheWriterMakesOfTheSamples) {
    for (const Exemplo& exemplo : kExemplos) {
        const QByteArray esperado =
            QByteArray::fromStdString(WriteDatapacketXml(PacoteProposta(exemplo.monta())));
        const QString path = PastaExemplos() + QLatin1Char('/') + QString::fromLatin1(exemplo.nome);
        if (qEnvironmentVariableIsSet("QUORVEL_WRITE_EXAMPLES")) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(esperado);
        }
        EXPECT_EQ(LeBytes(path), esperado) << exemplo.nome;
    }
}

TEST_F(Exemplos, ItemModeSampleOpensWithAllItems) {
    EscreveConfig(QStringLiteral("Exemplo Ltda"), QStringLiteral("Exemplo"), QStringLiteral("0"));
    ASSERT_TRUE(Abre(Copia("proposta-por-item.xml")));
    EXPECT_TRUE(Filho(*form, "Panel4").isHidden());
    EXPECT_EQ(Itens().RecordCount(), 8);
    EXPECT_EQ(Texto(Itens(), "descr_item"),
              QStringLiteral("Papel sulfite A4, 75 g/m², branco, resma com 500 folhas"));
    EXPECT_TRUE(Texto(Itens(), "compl_descr").contains(QStringLiteral("\r\nFormato 210 × 297 mm")));
}

TEST_F(Exemplos, LotModeSampleOpensWithThreeLots) {
    EscreveConfig(QStringLiteral("Exemplo Ltda"), QStringLiteral("Exemplo"), QStringLiteral("0"));
    ASSERT_TRUE(Abre(Copia("proposta-por-lote.xml")));
    EXPECT_FALSE(Filho(*form, "Panel4").isHidden());
    EXPECT_EQ(Coluna(Lotes(), "descr_lote"),
              (QStringList{QStringLiteral("Material de escritório e expediente"),
                           QStringLiteral("Material de limpeza e higienização"),
                           QStringLiteral("Equipamentos e acessórios de informática")}));
    EXPECT_EQ(Itens().RecordCount(), 3);
}

} // namespace
} // namespace quorvel::testing
