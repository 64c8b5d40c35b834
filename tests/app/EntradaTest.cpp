#include "QuorvelTestSupport.h"

#include "platform/Exceptions.h"

namespace quorvel::testing {
namespace {

class Entrada : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Papelaria Ação Ltda"), QStringLiteral("Ação"), QStringLiteral("0"));
    }
};

TEST_F(Entrada, LotTotalFollowsEveryPost) {
    Proposal p = LotProposal(2, 3);
    p.itens[2].qtde = "3.000"; // third item of lot 1
    ASSERT_TRUE(OpenProposal(SaveProposal(p)));
    EXPECT_TRUE(TextOf(Items(), "SomaItens").isEmpty());
    EXPECT_TRUE(TextOf(Lots(), "valor").isEmpty());

    ASSERT_TRUE(RunAction([this] {
        Items().Last();
        TypePrice(QStringLiteral("10,0000"));
    }));
    EXPECT_EQ(Displayed(Lots(), "valor"), QStringLiteral("30,0000"));
    EXPECT_EQ(Displayed(Items(), "SomaItens"), QStringLiteral("30,00"));
    EXPECT_EQ(Displayed(Items(), "totitem"), QStringLiteral("30,00"));

    // A second price adds to the lot; the other lot is untouched.
    ASSERT_TRUE(RunAction([this] {
        Items().First();
        TypePrice(QStringLiteral("0,5"));
    }));
    EXPECT_EQ(Displayed(Lots(), "valor"), QStringLiteral("30,5000"));
    RunAction([this] { Lots().Next(); });
    EXPECT_TRUE(TextOf(Lots(), "valor").isEmpty());
    EXPECT_TRUE(TextOf(Items(), "SomaItens").isEmpty());

    // Clearing every price of lot 1 empties its value again.
    RunAction([this] { Lots().First(); });
    ASSERT_TRUE(RunAction([this] {
        Items().First();
        TypePrice(QString());
        Items().Last();
        TypePrice(QString());
    }));
    EXPECT_TRUE(TextOf(Lots(), "valor").isEmpty());
    EXPECT_TRUE(Displayed(Items(), "SomaItens").isEmpty());
}

TEST_F(Entrada, LotTotalKeepsFourDecimalPlaces) {
    Proposal p = LotProposal(1, 1);
    p.itens[0].qtde = "1000.000";
    ASSERT_TRUE(OpenProposal(SaveProposal(p)));
    ASSERT_TRUE(RunAction([this] { TypePrice(QStringLiteral("12,3456")); }));
    EXPECT_EQ(Displayed(Lots(), "valor"), QStringLiteral("12.345,6000"));
}

TEST_F(Entrada, ItemModeCopiesThePriceIntoValorAndUnpricedRowsShowZeroTotals) {
    ASSERT_TRUE(OpenProposal(SaveProposal(ItemProposal(3))));
    // Opening posted every row with the supplier data: without a price valor is 0, not empty.
    EXPECT_EQ(TextOf(Items(), "valor"), QStringLiteral("0"));
    EXPECT_EQ(Displayed(Items(), "totitem"), QStringLiteral("0,00"));
    EXPECT_TRUE(TextOf(Items(), "SomaItens").isEmpty());

    ASSERT_TRUE(RunAction([this] {
        Items().Next();
        TypePrice(QStringLiteral("5,5000"));
    }));
    EXPECT_EQ(Displayed(Items(), "valor"), QStringLiteral("5,50"));
    EXPECT_EQ(Items().FieldByName(QStringLiteral("valor")).AsDecimal(), TDecimal::FromUnits(55, 1));
    EXPECT_EQ(Displayed(Items(), "SomaItens"), QStringLiteral("11,00")); // quantity 2
}

TEST_F(Entrada, NoRowCanBeAddedToEitherTable) {
    ASSERT_TRUE(OpenProposal(SaveProposal(LotProposal(2, 2))));
    const int itens = Items().RecordCount();
    const int lotes = Lots().RecordCount();
    dialogs.ClearCalls();
    EXPECT_THROW(Items().Append(), EAbort);
    EXPECT_THROW(Items().Insert(), EAbort);
    EXPECT_THROW(Lots().Append(), EAbort);
    EXPECT_EQ(Items().State(), TTableState::Browse);
    EXPECT_EQ(Lots().State(), TTableState::Browse);
    EXPECT_EQ(Items().RecordCount(), itens);
    EXPECT_EQ(Lots().RecordCount(), lotes);
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(Entrada, PropagationGivesEveryRowOfALotItsCurrentTotalAndWarnsOncePerRun) {
    ASSERT_TRUE(OpenProposal(SaveProposal(LotProposal(2, 2))));
    ASSERT_TRUE(RunAction([this] {
        TypePrice(QStringLiteral("2")); // lot 1: 1 × 2
        Items().Next();
        TypePrice(QStringLiteral("3")); // lot 1: + 2 × 3
    }));
    dialogs.ClearCalls();
    ASSERT_TRUE(RunAction([this] { form->PropagaValorLotes(TFormQuorvel::kWarnUnpriced); }));
    // Lot 2 has no price at all: one warning for the whole run.
    EXPECT_EQ(Messages(),
              QStringList{QStringLiteral("Existem preços de itens que não foram digitados. VERIFIQUE")});
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].title, QStringLiteral("AVISO"));
    EXPECT_EQ(dialogs.Messages()[0].icon, MessageIcon::Information);

    // Back on the first lot, both rows hold its total.
    EXPECT_EQ(TextOf(Lots(), "id_item"), QStringLiteral("1"));
    EXPECT_EQ(ColumnValues(Items(), "valor"), (QStringList{"8", "8"}));

    ASSERT_TRUE(RunAction([this] {
        Lots().Next();
        Items().First();
        TypePrice(QStringLiteral("1"));
        Items().Next();
        TypePrice(QStringLiteral("1"));
    }));
    dialogs.ClearCalls();
    ASSERT_TRUE(RunAction([this] { form->PropagaValorLotes(TFormQuorvel::kWarnUnpriced); }));
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(Entrada, OpeningGivesTheFirstRowOfALotTheCurrentTotalNotTheFilesStaleValue) {
    Proposal p = LotProposal(2, 2);
    p.itens[0].precoIni = "2.0000"; // quantity 1
    p.itens[1].precoIni = "3.0000"; // quantity 2
    p.itens[0].valor = "7.5000";    // stale: the lot is worth 8
    ASSERT_TRUE(OpenProposal(SaveProposal(p)));
    EXPECT_EQ(Displayed(Lots(), "valor"), QStringLiteral("8,0000"));
    EXPECT_EQ(ColumnValues(Items(), "valor"), (QStringList{"8", "8"}));
}

TEST_F(Entrada, ZeroPriceCountsAsMissing) {
    ASSERT_TRUE(OpenProposal(SaveProposal(LotProposal(1, 2))));
    ASSERT_TRUE(RunAction([this] {
        TypePrice(QStringLiteral("4"));
        Items().Next();
        TypePrice(QStringLiteral("0"));
    }));
    dialogs.ClearCalls();
    ASSERT_TRUE(RunAction([this] { form->PropagaValorLotes(TFormQuorvel::kWarnUnpriced); }));
    EXPECT_EQ(Messages().size(), 1);
}

} // namespace
} // namespace quorvel::testing
