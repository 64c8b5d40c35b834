#include "QuorvelTestSupport.h"

#include <QFile>

namespace quorvel::testing {
namespace {

// PropagaValorLotes remembers what its last walk left and walks again only what changed since: every
// kind of stored change must still reach the rows (a missed one leaves rows with a stale lot total in
// the file), and a run with nothing changed must still answer and end as a full walk does.
class Propagacao : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Comercial Ltda"), QStringLiteral("Comercial"), QStringLiteral("1"));
    }

    // Runs the propagation with its warning; true when it warned of a missing price.
    bool Propaga() {
        dialogs.ClearCalls();
        EXPECT_TRUE(RunAction([this] { form->PropagaValorLotes(TFormQuorvel::kWarnUnpriced); }));
        return !Messages().isEmpty();
    }

    // The rows' valor and the lot's own value, for the lot of that id (selected on the way).
    QStringList ValoresDoLote(int lote) {
        EXPECT_TRUE(Lots().Locate(QStringLiteral("id_item"), TStoreValue(std::int64_t{lote})));
        QStringList valores = ColumnValues(Items(), "valor");
        valores.push_back(QStringLiteral("lote ") + TextOf(Lots(), "valor"));
        return valores;
    }

    // Two lots of two items (quantities 1 and 2), all priced: lot 1 at 2 and 3 (worth 8), lot 2 at 1
    // and 1 (worth 3), propagated once.
    void OpenPriced() {
        ASSERT_TRUE(OpenProposal(SaveProposal(LotProposal(2, 2))));
        ASSERT_TRUE(RunAction([this] {
            TypePrice(QStringLiteral("2"));
            Items().Next();
            TypePrice(QStringLiteral("3"));
            Lots().Next();
            TypePrice(QStringLiteral("1"));
            Items().Next();
            TypePrice(QStringLiteral("1"));
        }));
        ASSERT_FALSE(Propaga());
        ASSERT_EQ(ValoresDoLote(1), (QStringList{"8", "8", "lote 8"}));
        ASSERT_EQ(ValoresDoLote(2), (QStringList{"3", "3", "lote 3"}));
    }
};

TEST_F(Propagacao, ARunWithNothingChangedAnswersAndEndsAsTheWalkDoes) {
    ASSERT_TRUE(OpenProposal(SaveProposal(LotProposal(3, 2))));
    ASSERT_TRUE(RunAction([this] { TypePrice(QStringLiteral("2")); }));
    EXPECT_TRUE(Propaga());
    // The same answer again, and again the first lot selected with its first row current, wherever
    // the supplier was.
    ASSERT_TRUE(RunAction([this] {
        Lots().Last();
        Items().Last();
    }));
    EXPECT_TRUE(Propaga());
    EXPECT_EQ(TextOf(Lots(), "id_item"), QStringLiteral("1"));
    EXPECT_EQ(Items().RecNo(), 1);
    EXPECT_EQ(Items().RecordCount(), 2);
    EXPECT_EQ(ColumnValues(Items(), "valor"), (QStringList{"2", "2"}));
}

TEST_F(Propagacao, APriceTypedAfterTheWalkReachesItsLotAndTheAnswerCountsEveryLot) {
    ASSERT_TRUE(OpenProposal(SaveProposal(LotProposal(3, 2))));
    EXPECT_TRUE(Propaga());
    // Lot 2 gets all its prices: lots 1 and 3, not walked again, still lack theirs.
    ASSERT_TRUE(RunAction([this] {
        Lots().Next();
        TypePrice(QStringLiteral("4"));
        Items().Next();
        TypePrice(QStringLiteral("5"));
    }));
    EXPECT_TRUE(Propaga());
    EXPECT_EQ(ValoresDoLote(2), (QStringList{"14", "14", "lote 14"}));
    // Pricing lots 1 and 3 as well silences the warning.
    ASSERT_TRUE(RunAction([this] {
        for (const int lote : {1, 3}) {
            Lots().Locate(QStringLiteral("id_item"), TStoreValue(std::int64_t{lote}));
            Items().First();
            TypePrice(QStringLiteral("1"));
            Items().Next();
            TypePrice(QStringLiteral("1"));
        }
    }));
    EXPECT_FALSE(Propaga());
    EXPECT_EQ(ValoresDoLote(1), (QStringList{"3", "3", "lote 3"}));
    EXPECT_EQ(ValoresDoLote(3), (QStringList{"3", "3", "lote 3"}));
    // A price cleared again in lot 3 brings the warning back.
    ASSERT_TRUE(RunAction([this] {
        Lots().Last();
        TypePrice(QString());
    }));
    EXPECT_TRUE(Propaga());
    EXPECT_EQ(ValoresDoLote(3), (QStringList{"2", "2", "lote 2"}));
}

TEST_F(Propagacao, AnEditOfTheLotTableIsWalkedAgain) {
    OpenPriced();
    ASSERT_TRUE(RunAction([this] {
        Lots().First();
        Lots().Edit();
        Lots().FieldByName(QStringLiteral("valor")).SetAsQString(QStringLiteral("99"));
        Lots().Post();
    }));
    EXPECT_FALSE(Propaga());
    // The walk gives the lot its rows' total again, and the rows that total.
    EXPECT_EQ(ValoresDoLote(1), (QStringList{"8", "8", "lote 8"}));
}

TEST_F(Propagacao, ADeletedRowIsWalkedAgain) {
    OpenPriced();
    // A delete runs no roll-up of its own: only the walk brings lot 1 and its last row to 2.
    ASSERT_TRUE(RunAction([this] {
        Lots().First();
        Items().Last();
        Items().Delete();
    }));
    EXPECT_FALSE(Propaga());
    EXPECT_EQ(ValoresDoLote(1), (QStringList{"2", "lote 2"}));
    EXPECT_EQ(ValoresDoLote(2), (QStringList{"3", "3", "lote 3"}));
}

TEST_F(Propagacao, APriceStillBeingTypedIsPostedAndWalked) {
    OpenPriced();
    ASSERT_TRUE(RunAction([this] {
        Lots().Next();
        Items().Edit();
        Items().FieldByName(QStringLiteral("preco_ini")).SetText(QStringLiteral("7"));
    }));
    EXPECT_FALSE(Propaga());
    EXPECT_EQ(ValoresDoLote(2), (QStringList{"9", "9", "lote 9"}));
}

TEST_F(Propagacao, ATableLoadedAgainIsWalkedAgain) {
    OpenPriced();
    // The file on disk changes while the item table is closed (as around an export): the rows
    // loaded again are not the ones the last walk saw, although the lot table stayed as it was.
    Proposal outra = LotProposal(2, 2);
    outra.itens[0].precoIni = "10.0000";
    outra.itens[1].precoIni = "10.0000";
    outra.itens[2].precoIni = "1.0000";
    outra.itens[3].precoIni = "1.0000";
    ASSERT_TRUE(RunAction([this] { form->RecordSet().CloseItemTable(); }));
    WriteProposal(form->RecordSet().FileName(), outra);
    ASSERT_TRUE(RunAction([this] { form->RecordSet().OpenItemTable(); }));
    EXPECT_FALSE(Propaga());
    EXPECT_EQ(ValoresDoLote(1), (QStringList{"30", "30", "lote 30"}));
    EXPECT_EQ(ValoresDoLote(2), (QStringList{"3", "3", "lote 3"}));
}

TEST_F(Propagacao, TheWalkedRowsReachTheFile) {
    OpenPriced();
    ASSERT_TRUE(RunAction([this] {
        Lots().First();
        TypePrice(QStringLiteral("4")); // lot 1: 1 × 4 + 2 × 3
    }));
    ASSERT_TRUE(RunAction([this] { form->BitBtn3Click(); }));
    ASSERT_TRUE(RunAction([this] { form->RecordSet().CloseItemTable(); }));
    const Datapacket gravado = ReadPacketFile(form->RecordSet().FileName());
    QStringList valores;
    for (const PacketRow* row : CurrentRows(gravado))
        valores.push_back(QString::fromStdString(PacketFieldText(gravado, *row, "numitem") + " " +
                                                 PacketFieldText(gravado, *row, "valor")));
    valores.sort();
    EXPECT_EQ(valores, (QStringList{"1 10.0000", "2 10.0000", "3 3.0000", "4 3.0000"}));
}

} // namespace
} // namespace quorvel::testing
