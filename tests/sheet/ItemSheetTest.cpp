// The item sheet a proposal exports: every current item once, in number order whatever the table's
// order and filter, with the auction row and the headings above them.
#include "SheetTestSupport.h"

#include "sheet/ItemSheet.h"
#include "sheet/SheetError.h"

#include <gtest/gtest.h>

namespace quorvel::testing {
namespace {

TEST(ItemSheet, ListsEveryCurrentItemInNumberOrderUnderTheAuctionAndHeadings) {
    ProposalCopy proposal(SheetDataPath(QStringLiteral("proposta-planilha.xml")));
    TStoreTable& table = proposal.Table();
    // The window keeps a lot selected and the grid in its own order: the export sees past both.
    table.SetIndexFieldNames(QStringLiteral("descr_item"));
    table.SetFilter(QStringLiteral("id_item = 2"));
    table.SetFiltered(true);

    const Sheet sheet = BuildItemSheet(table);
    EXPECT_EQ(
        Dump(sheet),
        "1: A='Pregão' B='PE' C=58 D='2026'\n"
        "2: A='Lote' B='Item' C='Subitem' D='Material' E='Descrição' F='Especificação' G='Un.' H='Qtde.' "
        "I='Preço Unitário' J='Marca'\n"
        "3: A=1 B=1 C=1 D='0401.0032' E='Papel sulfite A4, 75 g/m²' G='RM' H=250\n"
        "4: A=1 B=2 C=2 D='0401.0118' E='Caneta esferográfica azul' "
        "F='Corpo sextavado.\\r\\nCarga  removível;  tinta \"gel\".' G='UN' H=800 I=1.25 J='Bic'\n"
        "5: A=2 B=4 C=1 D='0502.0007' E='Álcool etílico 70%' G='FR' H=300\n"
        "6: A=2 B=5 D='=0502.0044' E='-Sabão líquido neutro' G='GL' H=75.5\n"
        "7: A=3 B=6 C=1 D='0906.0012' E='Mouse óptico USB' G='UN' H=60 I=35.9 J='Logi'\n");
    // Keys show as whole numbers, quantity and price with four places; what is typed later into the
    // price column becomes a number, into the brand column a text.
    const SheetRow& caneta = sheet.rows[3];
    EXPECT_EQ(caneta.Cell(0)->decimals, 0);
    EXPECT_EQ(caneta.Cell(7)->decimals, 4);
    EXPECT_EQ(caneta.Cell(8)->decimals, 4);
    EXPECT_TRUE(sheet.rows[0].heading && sheet.rows[1].heading && !caneta.heading);
    ASSERT_EQ(sheet.columns.size(), 10u);
    EXPECT_EQ(sheet.columns[8].entry, SheetColumn::Entry::Number);
    EXPECT_EQ(sheet.columns[8].decimals, 4);
    EXPECT_EQ(sheet.columns[9].entry, SheetColumn::Entry::Text);
    EXPECT_EQ(sheet.frozenRows, 2);
    // The table is left as it was.
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(table.IndexFieldNames(), QStringLiteral("descr_item"));
}

TEST(ItemSheet, CutsADescriptionLongerThanACellAndRefusesAProposalWithoutItsFields) {
    ProposalCopy proposal(SheetDataPath(QStringLiteral("proposta-planilha.xml")));
    TStoreTable& table = proposal.Table();
    table.SetIndexFieldNames(QStringLiteral("numitem"));
    table.First();
    table.Edit();
    table.FieldByName(QStringLiteral("compl_descr")).SetAsQString(QString(40000, QLatin1Char('e')));
    table.Post();
    const QString cut = BuildItemSheet(table).rows[2].Cell(5)->text;
    EXPECT_EQ(cut.size(), 32767);
    EXPECT_EQ(cut, QString(32766, QLatin1Char('e')) + QChar(0x2026));

    ProposalCopy without(SheetDataPath(QStringLiteral("proposta-sem-marca.xml")));
    try {
        BuildItemSheet(without.Table());
        FAIL() << "a proposal without marca was exported";
    } catch (const ESheetError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("a proposta não tem o campo 'marca'"));
    }
}

} // namespace
} // namespace quorvel::testing
