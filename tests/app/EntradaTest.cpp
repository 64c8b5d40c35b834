#include "QuorvelTestSupport.h"

#include "platform/Exceptions.h"

namespace quorvel::testing {
namespace {

class Entrada : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        EscreveConfig(QStringLiteral("Papelaria Ação Ltda"), QStringLiteral("Ação"), QStringLiteral("0"));
    }
};

TEST_F(Entrada, LotTotalFollowsEveryPost) {
    Proposta p = PropostaEmLotes(2, 3);
    p.itens[2].qtde = "3.000"; // third item of lot 1
    ASSERT_TRUE(Abre(Grava(p)));
    EXPECT_TRUE(Texto(Itens(), "SomaItens").isEmpty());
    EXPECT_TRUE(Texto(Lotes(), "valor").isEmpty());

    ASSERT_TRUE(Roda([this] {
        Itens().Last();
        DigitaPreco(QStringLiteral("10,0000"));
    }));
    EXPECT_EQ(Exibido(Lotes(), "valor"), QStringLiteral("30,0000"));
    EXPECT_EQ(Exibido(Itens(), "SomaItens"), QStringLiteral("30,00"));
    EXPECT_EQ(Exibido(Itens(), "totitem"), QStringLiteral("30,00"));

    // A second price adds to the lot; the other lot is untouched.
    ASSERT_TRUE(Roda([this] {
        Itens().First();
        DigitaPreco(QStringLiteral("0,5"));
    }));
    EXPECT_EQ(Exibido(Lotes(), "valor"), QStringLiteral("30,5000"));
    Roda([this] { Lotes().Next(); });
    EXPECT_TRUE(Texto(Lotes(), "valor").isEmpty());
    EXPECT_TRUE(Texto(Itens(), "SomaItens").isEmpty());

    // Clearing every price of lot 1 empties its value again.
    Roda([this] { Lotes().First(); });
    ASSERT_TRUE(Roda([this] {
        Itens().First();
        DigitaPreco(QString());
        Itens().Last();
        DigitaPreco(QString());
    }));
    EXPECT_TRUE(Texto(Lotes(), "valor").isEmpty());
    EXPECT_TRUE(Exibido(Itens(), "SomaItens").isEmpty());
}

TEST_F(Entrada, LotTotalKeepsFourDecimalPlaces) {
    Proposta p = PropostaEmLotes(1, 1);
    p.itens[0].qtde = "1000.000";
    ASSERT_TRUE(Abre(Grava(p)));
    ASSERT_TRUE(Roda([this] { DigitaPreco(QStringLiteral("12,3456")); }));
    EXPECT_EQ(Exibido(Lotes(), "valor"), QStringLiteral("12.345,6000"));
}

TEST_F(Entrada, ItemModeCopiesThePriceIntoValorAndUnpricedRowsShowZeroTotals) {
    ASSERT_TRUE(Abre(Grava(PropostaPorItem(3))));
    // Opening posted every row with the supplier data: without a price valor is 0, not empty.
    EXPECT_EQ(Texto(Itens(), "valor"), QStringLiteral("0"));
    EXPECT_EQ(Exibido(Itens(), "totitem"), QStringLiteral("0,00"));
    EXPECT_TRUE(Texto(Itens(), "SomaItens").isEmpty());

    ASSERT_TRUE(Roda([this] {
        Itens().Next();
        DigitaPreco(QStringLiteral("5,5000"));
    }));
    EXPECT_EQ(Exibido(Itens(), "valor"), QStringLiteral("5,50"));
    EXPECT_EQ(Itens().FieldByName(QStringLiteral("valor")).AsDecimal(), TDecimal::FromUnits(55, 1));
    EXPECT_EQ(Exibido(Itens(), "SomaItens"), QStringLiteral("11,00")); // quantity 2
}

TEST_F(Entrada, NoRowCanBeAddedToEitherTable) {
    ASSERT_TRUE(Abre(Grava(PropostaEmLotes(2, 2))));
    const int itens = Itens().RecordCount();
    const int lotes = Lotes().RecordCount();
    dialogs.ClearCalls();
    EXPECT_THROW(Itens().Append(), EAbort);
    EXPECT_THROW(Itens().Insert(), EAbort);
    EXPECT_THROW(Lotes().Append(), EAbort);
    EXPECT_EQ(Itens().State(), TTableState::Browse);
    EXPECT_EQ(Lotes().State(), TTableState::Browse);
    EXPECT_EQ(Itens().RecordCount(), itens);
    EXPECT_EQ(Lotes().RecordCount(), lotes);
    EXPECT_TRUE(Mensagens().isEmpty());
}

TEST_F(Entrada, PropagationGivesEveryRowOfALotItsCurrentTotalAndWarnsOncePerRun) {
    ASSERT_TRUE(Abre(Grava(PropostaEmLotes(2, 2))));
    ASSERT_TRUE(Roda([this] {
        DigitaPreco(QStringLiteral("2")); // lot 1: 1 × 2
        Itens().Next();
        DigitaPreco(QStringLiteral("3")); // lot 1: + 2 × 3
    }));
    dialogs.ClearCalls();
    ASSERT_TRUE(Roda([this] { form->PropagaValorLotes(true); }));
    // Lot 2 has no price at all: one warning for the whole run.
    EXPECT_EQ(Mensagens(),
              QStringList{QStringLiteral("Existem preços de itens que não foram digitados. VERIFIQUE")});
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].title, QStringLiteral("AVISO"));
    EXPECT_EQ(dialogs.Messages()[0].icon, MessageIcon::Information);

    // Back on the first lot, both rows hold its total.
    EXPECT_EQ(Texto(Lotes(), "id_item"), QStringLiteral("1"));
    EXPECT_EQ(Coluna(Itens(), "valor"), (QStringList{"8", "8"}));

    ASSERT_TRUE(Roda([this] {
        Lotes().Next();
        Itens().First();
        DigitaPreco(QStringLiteral("1"));
        Itens().Next();
        DigitaPreco(QStringLiteral("1"));
    }));
    dialogs.ClearCalls();
    ASSERT_TRUE(Roda([this] { form->PropagaValorLotes(true); }));
    EXPECT_TRUE(Mensagens().isEmpty());
}

TEST_F(Entrada, OpeningGivesTheFirstRowOfALotTheCurrentTotalNotTheFilesStaleValue) {
    Proposta p = PropostaEmLotes(2, 2);
    p.itens[0].precoIni = "2.0000"; // quantity 1
    p.itens[1].precoIni = "3.0000"; // quantity 2
    p.itens[0].valor = "7.5000";    // stale: the lot is worth 8
    ASSERT_TRUE(Abre(Grava(p)));
    EXPECT_EQ(Exibido(Lotes(), "valor"), QStringLiteral("8,0000"));
    EXPECT_EQ(Coluna(Itens(), "valor"), (QStringList{"8", "8"}));
}

TEST_F(Entrada, ZeroPriceCountsAsMissing) {
    ASSERT_TRUE(Abre(Grava(PropostaEmLotes(1, 2))));
    ASSERT_TRUE(Roda([this] {
        DigitaPreco(QStringLiteral("4"));
        Itens().Next();
        DigitaPreco(QStringLiteral("0"));
    }));
    dialogs.ClearCalls();
    ASSERT_TRUE(Roda([this] { form->PropagaValorLotes(true); }));
    EXPECT_EQ(Mensagens().size(), 1);
}

} // namespace
} // namespace quorvel::testing
