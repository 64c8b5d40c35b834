#include "QuorvelTestSupport.h"

#include <QApplication>

namespace quorvel::testing {
namespace {

class Abertura : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Comercial Três Irmãos Ltda"), QStringLiteral("Três Irmãos"),
                    QStringLiteral("1"));
    }
};

TEST_F(Abertura, ItemModeShowsAllItemsInNumitemOrderWithoutTheLotPanel) {
    Proposal p = ItemProposal(4);
    // Stored out of order: the grid still starts in numitem order.
    std::swap(p.itens[0], p.itens[3]);
    p.tipoprega = "X"; // any code but "L" behaves as item mode
    ASSERT_TRUE(OpenProposal(SaveProposal(p)));

    EXPECT_EQ(ChildNamed<QLineEdit>(*form, "EdArquivo").text(), DataPath(QStringLiteral("proposta.xml")));
    EXPECT_TRUE(Items().Active());
    EXPECT_FALSE(Items().Filtered());
    EXPECT_EQ(Items().IndexName(), QStringLiteral("CDSDigitacaoIndex2"));
    EXPECT_EQ(ColumnValues(Items(), "numitem"), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(TextOf(Items(), "numitem"), QStringLiteral("1"));
    EXPECT_TRUE(ChildNamed(*form, "Panel4").isHidden());
    EXPECT_FALSE(Lots().Active());
    EXPECT_EQ(ChildNamed(*form, "DBGrid1").palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::Base));
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
}

TEST_F(Abertura, LotModeBuildsOneLotPerIdItemInIdOrderAndFiltersTheFirst) {
    Proposal p = LotProposal(3, 2);
    // Lots stored in the order 3, 1, 2; within lot 2 the higher numitem comes first in the file and
    // carries another lot description: the lot takes the one of its lowest numitem.
    std::vector<ProposalItem> itens = {p.itens[4], p.itens[5], p.itens[0],
                                       p.itens[1], p.itens[3], p.itens[2]};
    itens[4].descrLote = "Descrição tardia";
    itens[5].valor = "7.5000";
    p.itens = itens;
    ASSERT_TRUE(OpenProposal(SaveProposal(p)));

    ASSERT_TRUE(Lots().Active());
    EXPECT_EQ(ColumnValues(Lots(), "id_item"), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(ColumnValues(Lots(), "descr_lote"), (QStringList{"Lote 1", "Lote 2", "Lote 3"}));
    EXPECT_FALSE(ChildNamed(*form, "Panel4").isHidden());
    EXPECT_EQ(ChildNamed(*form, "DBGrid1").palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::ToolTipBase));

    // The first lot is selected and the item table shows only its rows.
    EXPECT_EQ(TextOf(Lots(), "id_item"), QStringLiteral("1"));
    EXPECT_TRUE(Items().Filtered());
    EXPECT_EQ(Items().Filter(), QStringLiteral("id_item = 1"));
    EXPECT_EQ(ColumnValues(Items(), "numitem"), (QStringList{"1", "2"}));

    RunAction([this] { Lots().Next(); });
    EXPECT_EQ(Items().Filter(), QStringLiteral("id_item = 2"));
    EXPECT_EQ(ColumnValues(Items(), "numitem"), (QStringList{"3", "4"}));
    EXPECT_EQ(ColumnValues(Items(), "descr_lote"), (QStringList{"Lote 2", "Descrição tardia"}));
    EXPECT_EQ(TextOf(Items(), "numitem"), QStringLiteral("3"));
}

TEST_F(Abertura, OpeningAnItemModeFileAfterALotModeFileHidesTheLotsAndShowsAllItems) {
    ASSERT_TRUE(OpenProposal(SaveProposal(LotProposal(3, 2), QStringLiteral("lotes.xml"))));
    ASSERT_TRUE(OpenProposal(SaveProposal(ItemProposal(5), QStringLiteral("itens.xml"))));
    EXPECT_TRUE(ChildNamed(*form, "Panel4").isHidden());
    EXPECT_FALSE(Items().Filtered());
    EXPECT_EQ(Items().RecordCount(), 5);
}

TEST_F(Abertura, CancellingTheOpenDialogWritesTheChangedFileAndKeepsThePath) {
    const QString path = SaveProposal(ItemProposal(3));
    ASSERT_TRUE(OpenProposal(path));
    RunAction([this] {
        Items().Next();
        TypePrice(QStringLiteral("12,5"));
    });
    ASSERT_TRUE(OpenProposal(std::nullopt));

    EXPECT_FALSE(Items().Active());
    EXPECT_EQ(ChildNamed<QLineEdit>(*form, "EdArquivo").text(), path);
    const Datapacket gravado = ReadPacketFile(path);
    const auto linhas = CurrentRows(gravado);
    ASSERT_EQ(linhas.size(), 3u);
    QStringList precos;
    for (const PacketRow* row : linhas)
        precos << QString::fromStdString(PacketFieldText(gravado, *row, "preco_ini"));
    EXPECT_TRUE(precos.contains(QStringLiteral("12.5000")));
    EXPECT_FALSE(gravado.changeLog.empty());
}

TEST_F(Abertura, PriceBeingTypedWhenAnotherFileIsOpenedReachesTheFileWithItsLotTotal) {
    const QString path = SaveProposal(LotProposal(2, 2), QStringLiteral("lotes.xml"));
    ASSERT_TRUE(OpenProposal(path));
    // Second row of lot 1 (quantity 2) is being edited, not posted.
    RunAction([this] {
        TypePrice(QStringLiteral("1"));
        Items().Next();
        Items().Edit();
        Items().FieldByName(QStringLiteral("preco_ini")).SetText(QStringLiteral("10"));
    });
    ASSERT_TRUE(OpenProposal(std::nullopt));

    const Datapacket gravado = ReadPacketFile(path);
    for (const PacketRow* row : CurrentRows(gravado)) {
        const std::string numitem = PacketFieldText(gravado, *row, "numitem");
        if (numitem == "2") {
            EXPECT_EQ(PacketFieldText(gravado, *row, "preco_ini"), "10.0000");
        }
        // Lot 1 holds 1 × 1 + 2 × 10: every one of its rows carries 21, the first included.
        if (numitem == "1" || numitem == "2") {
            EXPECT_EQ(PacketFieldText(gravado, *row, "valor"), "21.0000") << numitem;
        }
    }
}

TEST_F(Abertura, PriceBeingTypedInItemModeIsPostedBeforeTheFileCloses) {
    const QString path = SaveProposal(ItemProposal(2));
    ASSERT_TRUE(OpenProposal(path));
    RunAction([this] {
        Items().Edit();
        Items().FieldByName(QStringLiteral("preco_ini")).SetText(QStringLiteral("4,5"));
    });
    ASSERT_TRUE(OpenProposal(std::nullopt));
    const Datapacket gravado = ReadPacketFile(path);
    for (const PacketRow* row : CurrentRows(gravado)) {
        if (PacketFieldText(gravado, *row, "numitem") == "1") {
            EXPECT_EQ(PacketFieldText(gravado, *row, "preco_ini"), "4.5000");
            EXPECT_EQ(PacketFieldText(gravado, *row, "valor"), "4.5000");
        }
    }
}

TEST_F(Abertura, FileLackingAFieldFailsWithTheStoresMessageAndLeavesTheTableClosed) {
    Datapacket packet = ProposalPacket(ItemProposal(2));
    const int preco = packet.FieldIndex("preco_ini");
    packet.fields.erase(packet.fields.begin() + preco);
    for (PacketRow& row : packet.rows)
        row.values.EraseColumn(static_cast<std::size_t>(preco));
    const QString path = DataPath(QStringLiteral("sem_preco.xml"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(WriteDatapacketXml(packet)));
    }
    EXPECT_FALSE(OpenProposal(path));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Field 'preco_ini' not found")});
    EXPECT_FALSE(Items().Active());
    EXPECT_EQ(ChildNamed<QLineEdit>(*form, "EdArquivo").text(), path);

    dialogs.ClearCalls();
    EXPECT_FALSE(OpenProposal(DataPath(QStringLiteral("nao_existe.xml"))));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Missing data provider or data packet")});
    EXPECT_FALSE(Items().Active());
}

} // namespace
} // namespace quorvel::testing
