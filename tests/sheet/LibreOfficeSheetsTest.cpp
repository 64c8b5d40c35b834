// Sheets written by the office suite itself: a Brazilian CSV this test writes, and the item export
// filled in by rewriting its CSV, each converted to .xlsx and .ods; and the .xlsx and .ods exports
// saved again by the suite in the other format. Two runs of the suite convert them all.
#include "SheetTestSupport.h"

#include "sheet/ItemSheet.h"
#include "sheet/PriceImport.h"
#include "sheet/SheetFile.h"
#include "sheet/SheetText.h"
#include "sheet/SheetWriters.h"

#include "platform/CodePage.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace quorvel::testing {
namespace {

// The suite's CSV import as a Brazilian user has it: ";", '"', UTF-8, from line 1, Portuguese (Brazil).
constexpr char kBrazilianCsv[] = "--infilter=CSV:59,34,76,1,,1046";

// Prices written the ways a supplier writes them: numbers with a decimal comma, a text in reais, more
// decimals than the field keeps, a guarded formula as a brand, a column of notes.
constexpr char kPricesCsv[] =
    "\xEF\xBB\xBF"
    "Preg\xC3\xA3o;PE;58;2026\r\n"
    "Lote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio;Marca;Observa\xC3\xA7\xC3\xA3o\r\n"
    "1;1;1;12,5;Acme;\r\n"
    "1;2;2;\"R$ 1.234,50\";Bic Cristal;\r\n"
    "2;4;1;1,23455;'=Limpa;f\xC3\xB3rmula guardada\r\n"
    "2;5;;0,3;3M;\r\n"
    "3;6;1;35,9;Logi;igual\r\n";

struct Conversions {
    QTemporaryDir folder;
    QString error;
    Sheet exported;     // the lot example's export
    Sheet filledExport; // the same, with a price and a brand for every item
    QString Out(const QString& name) const { return folder.filePath(QStringLiteral("saida/") + name); }
};

std::unique_ptr<Conversions> conversions;

QString RunOffice(const Conversions& c, const QStringList& files, const QString& target) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (program.isEmpty())
        return QStringLiteral("soffice not found: scripts/setup --test installs the office suite");
    QStringList arguments{QStringLiteral("-env:UserInstallation=") +
                              QUrl::fromLocalFile(c.folder.filePath(QStringLiteral("perfil"))).toString(),
                          QStringLiteral("--headless"),
                          QStringLiteral("--norestore"),
                          QString::fromLatin1(kBrazilianCsv),
                          QStringLiteral("--convert-to"),
                          target,
                          QStringLiteral("--outdir"),
                          c.folder.filePath(QStringLiteral("saida"))};
    for (const QString& file : files)
        arguments << c.folder.filePath(file);
    QProcess office;
    office.start(program, arguments);
    if (!office.waitForFinished(240000) || office.exitCode() != 0)
        return QStringLiteral("soffice failed: ") + QString::fromLocal8Bit(office.readAllStandardError());
    for (const QString& file : files) {
        const QString converted = c.Out(QFileInfo(file).completeBaseName() + QLatin1Char('.') + target);
        if (!QFileInfo::exists(converted)) return QStringLiteral("soffice wrote no ") + converted;
    }
    return QString();
}

class LibreOfficeSheets : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        conversions = std::make_unique<Conversions>();
        Conversions& c = *conversions;
        WriteFileBytes(c.folder.filePath(QStringLiteral("precos.csv")), kPricesCsv);

        ProposalCopy lote(ExamplePath(QStringLiteral("proposta-por-lote.xml")));
        c.exported = BuildItemSheet(lote.Table());
        c.filledExport = c.exported;
        for (std::size_t r = 2; r < c.filledExport.rows.size(); ++r) {
            SheetRow& row = c.filledExport.rows[r];
            std::erase_if(row.cells, [](const SheetCell& cell) { return cell.column >= 8; });
            row.AddNumber(8, 100.0 + static_cast<double>(r) + 0.0625, 4);
            row.AddText(9, QStringLiteral("Marca nº %1").arg(r));
        }
        WriteFileBytes(c.folder.filePath(QStringLiteral("preenchida.csv")), WriteCsv(c.filledExport));
        WriteFileBytes(c.folder.filePath(QStringLiteral("exportada.xlsx")), WriteXlsx(c.exported));
        WriteFileBytes(c.folder.filePath(QStringLiteral("exportada.ods")), WriteOds(c.exported));

        c.error = RunOffice(
            c,
            {QStringLiteral("precos.csv"), QStringLiteral("preenchida.csv"), QStringLiteral("exportada.ods")},
            QStringLiteral("xlsx"));
        if (c.error.isEmpty())
            c.error = RunOffice(c,
                                {QStringLiteral("precos.csv"), QStringLiteral("preenchida.csv"),
                                 QStringLiteral("exportada.xlsx")},
                                QStringLiteral("ods"));
    }
    static void TearDownTestSuite() { conversions.reset(); }

    void SetUp() override { ASSERT_TRUE(conversions->error.isEmpty()) << conversions->error.toStdString(); }
};

std::string Planned(const QString& sheetFile, const QString& proposal) {
    ProposalCopy copy(proposal);
    const PriceImportPlan plan = PlanPriceImport(ReadSheetFile(sheetFile), copy.Table());
    std::string out = std::to_string(plan.prices) + " preços, " + std::to_string(plan.brands) + " marcas\n";
    for (const PriceUpdate& u : plan.updates)
        out += DescribeItem(u.key).toStdString() + ":" +
               (u.price ? " " + u.price->ToString() : std::string()) +
               (u.brand ? " '" + Cp1252ToQString(*u.brand).toStdString() + "'" : std::string()) + "\n";
    for (const SheetRowError& e : plan.errors)
        out += e.Message().toStdString() + "\n";
    out += std::to_string(plan.notInSheet.size()) + " fora da planilha\n";
    return out;
}

TEST_F(LibreOfficeSheets, ABrazilianCsvConvertedByTheSuiteGivesTheSamePricesInBothFormats) {
    const std::string expected = "4 preços, 4 marcas\n"
                                 "Lote 1, Item 1, Subitem 1: 12.5000 'Acme'\n"
                                 "Lote 1, Item 2, Subitem 2: 1234.5000 'Bic Cristal'\n"
                                 "Lote 2, Item 4, Subitem 1: 1.2346 '=Limpa'\n"
                                 "Lote 2, Item 5, Subitem vazio: 0.3000 '3M'\n"
                                 "0 fora da planilha\n";
    const QString proposal = SheetDataPath(QStringLiteral("proposta-planilha.xml"));
    EXPECT_EQ(Planned(conversions->Out(QStringLiteral("precos.xlsx")), proposal), expected);
    EXPECT_EQ(Planned(conversions->Out(QStringLiteral("precos.ods")), proposal), expected);
    // Read as the CSV it is, the five decimals are a text's, which the import refuses; the suite
    // made the same cell a number, which the store's rule rounds.
    EXPECT_EQ(Planned(conversions->folder.filePath(QStringLiteral("precos.csv")), proposal),
              "3 preços, 4 marcas\n"
              "Lote 1, Item 1, Subitem 1: 12.5000 'Acme'\n"
              "Lote 1, Item 2, Subitem 2: 1234.5000 'Bic Cristal'\n"
              "Lote 2, Item 4, Subitem 1: '=Limpa'\n"
              "Lote 2, Item 5, Subitem vazio: 0.3000 '3M'\n"
              "linha 5, Preço Unitário: '1,23455' tem mais de 4 casas decimais\n"
              "0 fora da planilha\n");
}

TEST_F(LibreOfficeSheets, AnExportFilledInAndSavedByTheSuitePricesEveryItem) {
    std::string expected = "10 preços, 10 marcas\n";
    const Sheet& filled = conversions->filledExport;
    for (std::size_t r = 2; r < filled.rows.size(); ++r) {
        const SheetRow& row = filled.rows[r];
        const ItemKey key{static_cast<std::int64_t>(row.Cell(0)->number),
                          static_cast<std::int64_t>(row.Cell(1)->number),
                          static_cast<std::int64_t>(row.Cell(2)->number)};
        expected += DescribeItem(key).toStdString() + ": " +
                    QString::number(100.0 + static_cast<double>(r) + 0.0625, 'f', 4).toStdString() +
                    " 'Marca nº " + std::to_string(r) + "'\n";
    }
    expected += "0 fora da planilha\n";
    const QString proposal = ExamplePath(QStringLiteral("proposta-por-lote.xml"));
    EXPECT_EQ(Planned(conversions->Out(QStringLiteral("preenchida.xlsx")), proposal), expected);
    EXPECT_EQ(Planned(conversions->Out(QStringLiteral("preenchida.ods")), proposal), expected);
}

TEST_F(LibreOfficeSheets, TheSuiteReadsEveryCellOfAnExportAndSavesItBackUnchanged) {
    // What the export holds, with line ends as a file keeps them.
    Sheet expected = conversions->exported;
    for (SheetRow& row : expected.rows)
        for (SheetCell& cell : row.cells)
            if (cell.kind == SheetCell::Kind::Text) cell.text = CellTextForFile(cell.text);
    const std::string dump = Dump(expected);
    ASSERT_NE(dump.find("\\n"), std::string::npos) << "the example has descriptions of several lines";
    EXPECT_EQ(Dump(ReadSheetFile(conversions->Out(QStringLiteral("exportada.xlsx")))), dump) << "ods → xlsx";
    EXPECT_EQ(Dump(ReadSheetFile(conversions->Out(QStringLiteral("exportada.ods")))), dump) << "xlsx → ods";
}

} // namespace
} // namespace quorvel::testing
