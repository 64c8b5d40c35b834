// Reading an import sheet into a plan against the proposal's stored items, and posting a plan
// through the target that stands for the proposal's entry rules.
#include "SheetTestSupport.h"

#include "sheet/ItemSheet.h"
#include "sheet/PriceImport.h"
#include "sheet/SheetError.h"
#include "sheet/SheetFile.h"
#include "sheet/SheetReaders.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace quorvel::testing {
namespace {

// The plan as lines: each change ("Lote 1, Item 1, Subitem 1 (linha 4): 12.5000 'Acme'"), each error,
// the rows whose item is unknown and the items no row names.
std::string Describe(const PriceImportPlan& plan) {
    std::string out = std::to_string(plan.prices) + " preços, " + std::to_string(plan.brands) + " marcas\n";
    for (const PriceUpdate& u : plan.updates) {
        out += DescribeItem(u.key).toStdString() + " (linha " + std::to_string(u.sheetRow) + "):";
        if (u.price) out += " " + u.price->ToString();
        if (u.brand) out += " '" + Cp1252ToQString(*u.brand).toStdString() + "'";
        out += "\n";
    }
    for (const SheetRowError& e : plan.errors)
        out += "erro " + e.Message().toStdString() + "\n";
    for (const UnknownItem& u : plan.notInProposal)
        out +=
            "desconhecido linha " + std::to_string(u.row) + ": " + DescribeItem(u.key).toStdString() + "\n";
    for (const ItemKey& k : plan.notInSheet)
        out += "fora " + DescribeItem(k).toStdString() + "\n";
    return out;
}

class PriceImport : public ::testing::Test {
protected:
    PriceImportPlan Plan(const std::string& csv) {
        return PlanPriceImport(ReadCsv(Bytes(csv)), proposal_.Table());
    }
    std::string Refusal(const Sheet& sheet) {
        try {
            PlanPriceImport(sheet, proposal_.Table());
            return "accepted";
        } catch (const ESheetError& e) {
            return e.Message().toStdString();
        }
    }
    ProposalCopy proposal_{SheetDataPath(QStringLiteral("proposta-planilha.xml"))};
};

TEST_F(PriceImport, FindsTheHeadingsInAnyOrderAndPlansOnlyWhatChanges) {
    const PriceImportPlan plan = Plan("Preg\xC3\xA3o;pe;58;2026\n"
                                      "Observa\xC3\xA7\xC3\xA3o\n"
                                      "marca;PRECO UNITARIO;Extra;subitem;ITEM;lote;material\n"
                                      "Acme;12,50;x;1;1;1;0401.0032\n"
                                      ";R$ 1.234,5;;2;2;1;\n"
                                      "Limpa   ;;;; 5;2;'=0502.0044\n"
                                      "Logi;35,9;;1;6;3;0906.0012\n"
                                      ";R$\xC2\xA0"
                                      "9,99;;1;9;9;\n"
                                      ";;;;;;\n"
                                      ";;Total;;;;\n");
    EXPECT_EQ(Describe(plan), "2 preços, 2 marcas\n"
                              "Lote 1, Item 1, Subitem 1 (linha 4): 12.5000 'Acme'\n"
                              "Lote 1, Item 2, Subitem 2 (linha 5): 1234.5000\n"
                              "Lote 2, Item 5, Subitem vazio (linha 6): 'Limpa'\n"
                              "desconhecido linha 8: Lote 9, Item 9, Subitem 1\n"
                              "fora Lote 2, Item 4, Subitem 1\n");
}

TEST_F(PriceImport, RowErrorsNameTheRowTheColumnAndTheReason) {
    const PriceImportPlan plan = Plan("Lote;Item;Subitem;Material;Pre\xC3\xA7o Unit\xC3\xA1rio;Marca\n"
                                      "1;1;1;;12,5,0;\n"
                                      "1;2;2;;-3,00;\n"
                                      "2;4;1;;1,23456;\n"
                                      "2;5;;;12.50;ABCDEFGHIJKLMNOPQRSTUVWXYZ12345\n"
                                      "3;6;1;9999.9999;;\n"
                                      "1,5;1;1;;1;\n"
                                      ";x;1;;1;\n"
                                      "1;1;1;;2;\n"
                                      ";;;;7;\n");
    EXPECT_EQ(
        Describe(plan),
        "0 preços, 0 marcas\n"
        "erro linha 2, Preço Unitário: '12,5,0' não é um número\n"
        "erro linha 3, Preço Unitário: '-3,00' é negativo\n"
        "erro linha 4, Preço Unitário: '1,23456' tem mais de 4 casas decimais\n"
        "erro linha 5, Preço Unitário: '12.50' não é um número\n"
        "erro linha 5, Marca: 'ABCDEFGHIJKLMNOPQRSTUVWXYZ12345' tem 31 caracteres; a marca guarda até 30\n"
        "erro linha 6, Material: '9999.9999' não é o material do item (0906.0012)\n"
        "erro linha 7, Lote: '1,5' não é um número inteiro\n"
        "erro linha 8, Lote: falta o número\n"
        "erro linha 8, Item: 'x' não é um número inteiro\n"
        "erro linha 9, Item: o item Lote 1, Item 1, Subitem 1 já está na linha 2\n"
        "erro linha 10, Item: a linha não diz de que item é\n");

    // The largest price the field holds, a brand of exactly its width once trailing blanks go, and
    // what the file cannot hold.
    EXPECT_EQ(Describe(Plan("Lote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio;Marca\n"
                            "3;6;1;123456789012,00;Marca \xE2\x98\x85\n"
                            "1;2;2;;ABCDEFGHIJKLMNOPQRSTUVWXYZ1234   \n"
                            "1;1;1;99.999.999.999,9999;\n")),
              "1 preços, 1 marcas\n"
              "Lote 1, Item 1, Subitem 1 (linha 4): 99999999999.9999\n"
              "Lote 1, Item 2, Subitem 2 (linha 3): 'ABCDEFGHIJKLMNOPQRSTUVWXYZ1234'\n"
              "erro linha 2, Preço Unitário: '123456789012,00' passa do maior preço que a proposta guarda\n"
              "erro linha 2, Marca: 'Marca ★' tem o caractere '★', que a proposta não guarda\n"
              "fora Lote 2, Item 4, Subitem 1\n"
              "fora Lote 2, Item 5, Subitem vazio\n");
}

// Number cells, as a spreadsheet stores them: set through the store's rule (nearest 0.0001, a half
// to the even neighbour); the auction row may hold numbers too; a material code a spreadsheet took
// for a number agrees by its digits.
TEST_F(PriceImport, NumberCellsFollowTheStoreRounding) {
    Sheet sheet;
    SheetRow& auction = sheet.AddRow();
    auction.AddText(0, QStringLiteral("PREGAO"));
    auction.AddText(1, QStringLiteral("PE"));
    auction.AddNumber(2, 58);
    auction.AddNumber(3, 2026);
    SheetRow& headings = sheet.AddRow();
    const char* captions[] = {"Lote", "Item", "Subitem", "Material", "Preço Unitário", "Marca"};
    for (int c = 0; c < 6; ++c)
        headings.AddText(c, QString::fromUtf8(captions[c]));
    const auto item = [&](int lote, int numero, double subitem, double material, double price, double brand) {
        SheetRow& row = sheet.AddRow();
        row.AddNumber(0, lote);
        row.AddNumber(1, numero);
        if (subitem >= 0) row.AddNumber(2, subitem);
        if (material >= 0) row.AddNumber(3, material);
        row.AddNumber(4, price);
        if (brand >= 0) row.AddNumber(5, brand);
    };
    item(1, 1, 1, 4010032, 1.23455, 3);
    item(1, 2, 2, -1, 1.23445, -1);
    item(2, 4, 1, 5020008, 2.5, -1);
    item(2, 5, -1, -1, -0.5, -1);
    item(3, 6, 1.5, -1, 1e12, -1);
    EXPECT_EQ(Describe(PlanPriceImport(sheet, proposal_.Table())),
              "2 preços, 1 marcas\n"
              "Lote 1, Item 1, Subitem 1 (linha 3): 1.2346 '3'\n"
              "Lote 1, Item 2, Subitem 2 (linha 4): 1.2344\n"
              "erro linha 5, Material: '5020008' não é o material do item (0502.0007)\n"
              "erro linha 6, Preço Unitário: '-0,5' é negativo\n"
              "erro linha 7, Subitem: '1,5' não é um número inteiro\n"
              "fora Lote 3, Item 6, Subitem 1\n");
    sheet.rows[0].cells[2].number = 59;
    EXPECT_EQ(Refusal(sheet), "a planilha é do pregão PE 59/2026, e a proposta é do pregão PE 58/2026");
}

TEST_F(PriceImport, SheetsWithoutHeadingsOrWithRepeatedOnesAreRefusedWhole) {
    EXPECT_EQ(Refusal(ReadCsv(Bytes("Lote;Item;Pre\xC3\xA7o Unit\xC3\xA1rio\n1;1;12\n"))),
              "a planilha não tem a linha de títulos com Lote, Item, Subitem e Preço Unitário ou Marca");
    EXPECT_EQ(Refusal(ReadCsv(Bytes("Lote;Item;Subitem;Marca;Obs;MARCA\n"))),
              "linha 1: a coluna Marca aparece duas vezes (colunas D e F)");
    EXPECT_EQ(Refusal(ReadCsv(Bytes("Preg\xC3\xA3o;PE\nLote;Item;Subitem;Marca\n"))),
              "linha 1: a linha do pregão deve trazer a sigla, o número e o ano");
    EXPECT_EQ(Refusal(ReadCsv(Bytes("Preg\xC3\xA3o;PE;58;2025\nLote;Item;Subitem;Marca\n"))),
              "a planilha é do pregão PE 58/2025, e a proposta é do pregão PE 58/2026");
}

// Posts in the plan's order, then finishes once; a plan with an error posts nothing.
class RecordingTarget : public PriceImportTarget {
public:
    void PostItem(const PriceUpdate& update) override {
        calls.push_back("post " + DescribeItem(update.key).toStdString() +
                        (update.price ? " " + update.price->ToString() : std::string()) +
                        (update.brand ? " " + *update.brand : std::string()));
    }
    void Finish() override { calls.emplace_back("finish"); }
    std::vector<std::string> calls;
};

TEST_F(PriceImport, ApplyPostsEveryChangeThenFinishesAndRefusesAPlanInError) {
    RecordingTarget target;
    ApplyPriceImport(Plan("Lote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio;Marca\n"
                          "3;6;1;40;\n2;4;1;;Ype\n1;1;1;1,5;Chamex\n"),
                     target);
    EXPECT_EQ(target.calls, (std::vector<std::string>{"post Lote 1, Item 1, Subitem 1 1.5000 Chamex",
                                                      "post Lote 2, Item 4, Subitem 1 Ype",
                                                      "post Lote 3, Item 6, Subitem 1 40.0000", "finish"}));

    RecordingTarget refused;
    try {
        ApplyPriceImport(
            Plan("Lote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio\n1;1;1;1,5\n1;2;2;abc\n2;4;1;x\n"), refused);
        FAIL() << "a plan in error was applied";
    } catch (const ESheetError& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("nada foi importado: linha 3, Preço Unitário: 'abc' não é um número"));
    }
    EXPECT_TRUE(refused.calls.empty());
}

// The export read back in each format, prices and brands filled in the sheet: every item gets its
// own, the material guard of a CSV included; the export as it is changes nothing.
class ExportRoundTrip : public PriceImport, public ::testing::WithParamInterface<SheetFormat> {};

TEST_P(ExportRoundTrip, EveryFilledPriceComesBackToItsItem) {
    const Sheet exported = BuildItemSheet(proposal_.Table());
    const PriceImportPlan unchanged =
        PlanPriceImport(ReadSheet(Bytes(WriteSheet(exported, GetParam())), GetParam()), proposal_.Table());
    EXPECT_EQ(Describe(unchanged), "0 preços, 0 marcas\n");

    Sheet filled = exported;
    for (std::size_t r = 2; r < filled.rows.size(); ++r) {
        SheetRow& row = filled.rows[r];
        std::erase_if(row.cells, [](const SheetCell& c) { return c.column >= 8; });
        row.AddNumber(8, 10.0 * static_cast<double>(r) + 0.125, 4);
        row.AddText(9, QStringLiteral("Marca %1").arg(r));
    }
    EXPECT_EQ(Describe(PlanPriceImport(ReadSheet(Bytes(WriteSheet(filled, GetParam())), GetParam()),
                                       proposal_.Table())),
              "5 preços, 5 marcas\n"
              "Lote 1, Item 1, Subitem 1 (linha 3): 20.1250 'Marca 2'\n"
              "Lote 1, Item 2, Subitem 2 (linha 4): 30.1250 'Marca 3'\n"
              "Lote 2, Item 4, Subitem 1 (linha 5): 40.1250 'Marca 4'\n"
              "Lote 2, Item 5, Subitem vazio (linha 6): 50.1250 'Marca 5'\n"
              "Lote 3, Item 6, Subitem 1 (linha 7): 60.1250 'Marca 6'\n");
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportRoundTrip,
                         ::testing::Values(SheetFormat::Xlsx, SheetFormat::Ods, SheetFormat::Csv),
                         [](const auto& info) { return FormatName(info.param); });

} // namespace
} // namespace quorvel::testing
