// quorvel-packet's spreadsheet commands, through the built program: the export's exact bytes, the
// formats by extension, and the price check that lists every error and changes no file.
#include "sheet/SheetFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
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

    // Posting the prices is not this version's: without --dry-run nothing is read or written.
    run = Packet({QStringLiteral("import-prices"), Path("proposta.xml"), Path("outro.csv")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "usage: quorvel-packet import-prices PROPOSAL SHEET --dry-run\n"
              "quorvel-packet: import-prices: this version checks a sheet only (--dry-run); the prices "
              "are not posted\n");
    ExpectProposalUntouched();
}

} // namespace
