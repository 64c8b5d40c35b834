// quorvel-packet's spreadsheet commands, through the built program: the export's exact bytes, the
// formats by extension, the price check that lists every error and changes no file, and the import
// that posts every row as typing does or, with any row in error, writes nothing.
#include "platform/FileLock.h"
#include "sheet/SheetFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

struct PacketRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

PacketRun Packet(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(QUORVEL_BIN_DIR "/quorvel-packet"), args);
    PacketRun run;
    if (!process.waitForFinished(60000)) return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

std::string Contents(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return file.readAll().toStdString();
}

void Write(const QString& path, const std::string& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// The rows of `quorvel-packet dump FILE [--all]`, each as "field=value" texts of the fields asked for
// (a missing value as "field=-").
std::vector<std::string> DumpedRows(const QString& file, const QStringList& fields, bool all = false) {
    QStringList args{QStringLiteral("dump"), file};
    if (all) args << QStringLiteral("--all");
    const PacketRun run = Packet(args);
    std::vector<std::string> rows;
    const QJsonArray dumped = QJsonDocument::fromJson(QByteArray::fromStdString(run.out))
                                  .object()
                                  .value(QStringLiteral("rows"))
                                  .toArray();
    for (const QJsonValue& row : dumped) {
        QStringList values;
        for (const QString& field : fields) {
            const QJsonValue value = row.toObject().value(field);
            values << field + QLatin1Char('=') +
                          (value.isUndefined() || value.isNull()
                               ? QStringLiteral("-")
                               : (value.isDouble() ? QString::number(value.toDouble()) : value.toString()));
        }
        rows.push_back(values.join(QLatin1Char(' ')).toStdString());
    }
    return rows;
}

class SheetTool : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUORVEL_TEST_DATA "/../../examples/proposta-por-lote.xml"),
                                Path("proposta.xml")));
        proposal_ = Contents(Path("proposta.xml"));
    }
    QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    // The proposal is only ever read: same bytes, and no lock file left beside it.
    void ExpectProposalUntouched() const {
        EXPECT_EQ(Contents(Path("proposta.xml")), proposal_);
        EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".lock")),
                  QStringList());
    }

    QTemporaryDir dir_;
    std::string proposal_;
};

TEST_F(SheetTool, ExportSheetWritesTheItemsInTheFormatItsExtensionNames) {
    const PacketRun csv = Packet({QStringLiteral("export-sheet"), Path("proposta.xml"), Path("itens.csv")});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(csv.out, "10 itens exportados\n");
    EXPECT_EQ(csv.err, "");
    EXPECT_EQ(Contents(Path("itens.csv")),
              Contents(QStringLiteral(QUORVEL_TEST_DATA "/sheet/proposta-por-lote.csv")));

    ASSERT_EQ(Packet({QStringLiteral("export-sheet"), Path("proposta.xml"), Path("itens.XLSX")}).exitCode, 0);
    ASSERT_EQ(Packet({QStringLiteral("export-sheet"), Path("proposta.xml"), Path("itens.ods")}).exitCode, 0);
    EXPECT_EQ(Contents(Path("itens.XLSX")).substr(0, 4), "PK\x03\x04");
    const quorvel::Sheet xlsx = quorvel::ReadSheetFile(Path("itens.XLSX"));
    const quorvel::Sheet ods = quorvel::ReadSheetFile(Path("itens.ods"));
    ASSERT_EQ(xlsx.rows.size(), 12u);
    ASSERT_EQ(ods.rows.size(), 12u);
    for (std::size_t r = 0; r < xlsx.rows.size(); ++r)
        EXPECT_EQ(xlsx.rows[r].cells, ods.rows[r].cells) << "row " << r + 1;
    ExpectProposalUntouched();
}

TEST_F(SheetTool, ExportSheetRefusesWhatItCannotWrite) {
    PacketRun run = Packet({QStringLiteral("export-sheet"), Path("proposta.xml"), Path("itens.txt")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "quorvel-packet: " + Path("itens.txt").toStdString() +
                           ": unknown sheet format: name it .xlsx, .ods or .csv\n");
    EXPECT_FALSE(QFile::exists(Path("itens.txt")));

    // A proposal kept under a sheet's name is not overwritten by its own export.
    ASSERT_EQ(Packet({QStringLiteral("convert"), Path("proposta.xml"), Path("binaria.csv")}).exitCode, 0);
    const std::string binary = Contents(Path("binaria.csv"));
    run = Packet({QStringLiteral("export-sheet"), Path("binaria.csv"), Path("binaria.csv")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "quorvel-packet: " + Path("binaria.csv").toStdString() +
                           ": the sheet would replace the proposal itself\n");
    EXPECT_EQ(Contents(Path("binaria.csv")), binary);

    run = Packet({QStringLiteral("export-sheet"), Path("nenhuma.xml"), Path("itens.csv")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "quorvel-packet: " + Path("nenhuma.xml").toStdString() + ": no such file\n");
    run = Packet({QStringLiteral("export-sheet"), Path("proposta.xml")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "usage: quorvel-packet export-sheet PROPOSAL OUT\n");
    ExpectProposalUntouched();
}

TEST_F(SheetTool, ImportPricesDryRunTellsWhatWouldChange) {
    Write(Path("precos.csv"), "Lote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio;Marca\n"
                              "1;1;1;12,5;\n1;2;2;;Bic\n1;3;3;0,99;\n2;4;1;;\n2;5;2;;\n2;6;3;;\n2;7;4;;\n"
                              "3;8;1;;\n3;9;2;;\n3;10;3;;\n9;9;9;1;\n");
    const PacketRun run = Packet({QStringLiteral("import-prices"), Path("proposta.xml"), Path("precos.csv"),
                                  QStringLiteral("--dry-run")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "2 preços e 1 marcas a importar\n"
                       "linha 12: Lote 9, Item 9, Subitem 9 não está na proposta\n");
    EXPECT_EQ(run.err, "");

    Write(Path("parte.csv"), "Lote;Item;Subitem;Marca\n3;10;3;Dell\n");
    EXPECT_EQ(Packet({QStringLiteral("import-prices"), QStringLiteral("--dry-run"), Path("proposta.xml"),
                      Path("parte.csv")})
                  .out,
              "0 preços e 1 marcas a importar\n"
              "fora da planilha: Lote 1, Item 1, Subitem 1\nfora da planilha: Lote 1, Item 2, Subitem 2\n"
              "fora da planilha: Lote 1, Item 3, Subitem 3\nfora da planilha: Lote 2, Item 4, Subitem 1\n"
              "fora da planilha: Lote 2, Item 5, Subitem 2\nfora da planilha: Lote 2, Item 6, Subitem 3\n"
              "fora da planilha: Lote 2, Item 7, Subitem 4\nfora da planilha: Lote 3, Item 8, Subitem 1\n"
              "fora da planilha: Lote 3, Item 9, Subitem 2\n");
    ExpectProposalUntouched();
}

TEST_F(SheetTool, ImportPricesListsEveryErrorAndRefusesWholeSheets) {
    Write(Path("erros.csv"), "Lote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio;Marca\n"
                             "1;1;1;12,5,0;\n1;2;2;1;\n1;3;3;-2;ABCDEFGHIJKLMNOPQRSTUVWXYZ12345\n");
    PacketRun run = Packet({QStringLiteral("import-prices"), Path("proposta.xml"), Path("erros.csv"),
                            QStringLiteral("--dry-run")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "linha 2, Preço Unitário: '12,5,0' não é um número\n"
              "linha 4, Preço Unitário: '-2' é negativo\n"
              "linha 4, Marca: 'ABCDEFGHIJKLMNOPQRSTUVWXYZ12345' tem 31 caracteres; a marca guarda até 30\n"
              "quorvel-packet: " +
                  Path("erros.csv").toStdString() + ": 3 erros; nada seria importado\n");

    Write(Path("outro.csv"), "Preg\xC3\xA3o;PE;99;2026\nLote;Item;Subitem;Marca\n1;1;1;X\n");
    run = Packet({QStringLiteral("import-prices"), Path("proposta.xml"), Path("outro.csv"),
                  QStringLiteral("--dry-run")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "quorvel-packet: " + Path("outro.csv").toStdString() +
                           ": a planilha é do pregão PE 99/2026, e a proposta é do pregão PE 58/2026\n");

    Write(Path("falsa.xlsx"), "Lote;Item\n");
    run = Packet({QStringLiteral("import-prices"), Path("proposta.xml"), Path("falsa.xlsx"),
                  QStringLiteral("--dry-run")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "quorvel-packet: " + Path("falsa.xlsx").toStdString() + ": o arquivo não é um zip\n");

    // A sheet refused whole is refused also when the prices would be posted: nothing is written.
    run = Packet({QStringLiteral("import-prices"), Path("proposta.xml"), Path("outro.csv")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "quorvel-packet: " + Path("outro.csv").toStdString() +
                           ": a planilha é do pregão PE 99/2026, e a proposta é do pregão PE 58/2026\n");
    ExpectProposalUntouched();
}

// Lot mode: every row of the sheet is posted, each lot's value follows its items, and at the end
// every item holds its lot's total, as "Salvar Dados" leaves them; the change log keeps the original
// rows, the imported edits and the copies of the lot values, in that order.
TEST_F(SheetTool, ImportPricesPostsEveryRowAsTypingDoesAndRollsUpTheLots) {
    Write(Path("precos.csv"), "\xEF\xBB\xBFLote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio;Marca;Obs.\n"
                              "1;1;1;2,5;;x\n1;2;2;1,25;Bic;\n1;3;3;10;;\n2;4;1;1;;\n2;5;2;2;;\n"
                              "2;6;3;0,5;;\n2;7;4;\"1.000,0001\";;\n3;8;1;3;;\n3;9;2;R$ 3,00;Marca X;\n"
                              "3;10;3;7,25;;\n9;9;9;1;;\n");
    const PacketRun run = Packet({QStringLiteral("import-prices"), Path("proposta.xml"), Path("precos.csv")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "linha 12: Lote 9, Item 9, Subitem 9 não está na proposta\n"
                       "10 preços, 2 marcas importados\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".lock")),
              QStringList());
    // Still the XML datapacket it was.
    EXPECT_EQ(Contents(Path("proposta.xml")).substr(0, 20), "<?xml version=\"1.0\" ");

    const QStringList fields{QStringLiteral("numitem"), QStringLiteral("preco_ini"), QStringLiteral("marca"),
                             QStringLiteral("valor")};
    EXPECT_EQ(DumpedRows(Path("proposta.xml"), fields),
              (std::vector<std::string>{
                  "numitem=1 preco_ini=2.5000 marca=- valor=2025.0000",
                  "numitem=2 preco_ini=1.2500 marca=Bic valor=2025.0000",
                  "numitem=3 preco_ini=10.0000 marca=- valor=2025.0000",
                  "numitem=4 preco_ini=1.0000 marca=- valor=200510.0200",
                  "numitem=5 preco_ini=2.0000 marca=- valor=200510.0200",
                  "numitem=6 preco_ini=0.5000 marca=- valor=200510.0200",
                  "numitem=7 preco_ini=1000.0001 marca=- valor=200510.0200",
                  "numitem=8 preco_ini=3.0000 marca=- valor=505.0000",
                  "numitem=9 preco_ini=3.0000 marca=Marca X valor=505.0000",
                  "numitem=10 preco_ini=7.2500 marca=- valor=505.0000",
              }));

    // Ten original rows (superseded), ten imported edits (superseded by the lot values), ten copies
    // of the lot values (the current rows).
    std::vector<std::string> states;
    for (const std::string& row : DumpedRows(Path("proposta.xml"), {QStringLiteral("RowState")}, true))
        states.push_back(row);
    std::vector<std::string> expected(10, "RowState=1");
    expected.insert(expected.end(), 10, "RowState=9");
    expected.insert(expected.end(), 10, "RowState=8");
    EXPECT_EQ(states, expected);
}

// Item mode: valor takes the unit price at every post; items the sheet leaves empty keep what they had.
TEST_F(SheetTool, ImportPricesInItemModeCopiesThePriceIntoValor) {
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUORVEL_TEST_DATA "/../../examples/proposta-por-item.xml"),
                            Path("itens.xml")));
    Write(Path("precos.csv"),
          "Preg\xC3\xA3o;PE;137;2026\nLote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio;Marca\n"
          "1;10;1;12,5;\n2;20;2;;\n3;30;3;R$ 2,75;Acme\n");
    const PacketRun run = Packet({QStringLiteral("import-prices"), Path("itens.xml"), Path("precos.csv")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "fora da planilha: Lote 4, Item 40, Subitem 4\n"
                       "fora da planilha: Lote 5, Item 50, Subitem 5\n"
                       "fora da planilha: Lote 6, Item 60, Subitem 6\n"
                       "fora da planilha: Lote 7, Item 70, Subitem 7\n"
                       "fora da planilha: Lote 8, Item 80, Subitem 8\n"
                       "2 preços, 1 marcas importados\n");
    // The dump lists the edited rows after the others, as the store keeps them.
    EXPECT_EQ(DumpedRows(Path("itens.xml"), {QStringLiteral("numitem"), QStringLiteral("preco_ini"),
                                             QStringLiteral("marca"), QStringLiteral("valor")}),
              (std::vector<std::string>{
                  "numitem=20 preco_ini=- marca=- valor=-",
                  "numitem=40 preco_ini=- marca=- valor=-",
                  "numitem=50 preco_ini=- marca=- valor=-",
                  "numitem=60 preco_ini=- marca=- valor=-",
                  "numitem=70 preco_ini=- marca=- valor=-",
                  "numitem=80 preco_ini=- marca=- valor=-",
                  "numitem=10 preco_ini=12.5000 marca=- valor=12.5000",
                  "numitem=30 preco_ini=2.7500 marca=Acme valor=2.7500",
              }));
}

// With any row in error, or the proposal being edited elsewhere, the file keeps its bytes.
TEST_F(SheetTool, ImportPricesWritesNothingUnlessEveryRowCanBePosted) {
    Write(Path("erros.csv"), "Lote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio;Marca\n"
                             "1;1;1;12,5,0;\n1;2;2;1;\n1;3;3;-2;ABCDEFGHIJKLMNOPQRSTUVWXYZ12345\n");
    PacketRun run = Packet({QStringLiteral("import-prices"), Path("proposta.xml"), Path("erros.csv")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "linha 2, Preço Unitário: '12,5,0' não é um número\n"
              "linha 4, Preço Unitário: '-2' é negativo\n"
              "linha 4, Marca: 'ABCDEFGHIJKLMNOPQRSTUVWXYZ12345' tem 31 caracteres; a marca guarda até 30\n"
              "quorvel-packet: " +
                  Path("erros.csv").toStdString() + ": 3 erros; nada foi importado\n");
    ExpectProposalUntouched();

    Write(Path("bom.csv"), "Lote;Item;Subitem;Pre\xC3\xA7o Unit\xC3\xA1rio\n1;1;1;1\n");
    {
        quorvel::FileLock lock(Path("proposta.xml"));
        ASSERT_EQ(lock.TryLock(), quorvel::FileLock::Result::Locked);
        run = Packet({QStringLiteral("import-prices"), Path("proposta.xml"), Path("bom.csv")});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("quorvel-packet: " + Path("proposta.xml").toStdString() +
                                    ": já está aberto para edição pelo processo " +
                                    std::to_string(QCoreApplication::applicationPid()),
                                0),
                  0u)
            << run.err;
        EXPECT_NE(run.err.find("; nada foi importado\n"), std::string::npos) << run.err;
    }
    ExpectProposalUntouched();

    run = Packet({QStringLiteral("import-prices"), Path("proposta.xml"), Path("nenhuma.csv")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(Path("nenhuma.csv").toStdString()), std::string::npos) << run.err;
    ExpectProposalUntouched();
}

} // namespace
