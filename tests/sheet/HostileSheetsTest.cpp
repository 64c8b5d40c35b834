// Damaged and hostile spreadsheets: each ends in a clear error or in the little it holds, after
// bounded work and memory (measured in a child process, so that a reader that materialised a
// million rows or inflated a bomb would show).
#include "SheetTestSupport.h"

#include "sheet/SheetError.h"
#include "sheet/SheetFile.h"
#include "sheet/SheetReaders.h"

#include <zip.h>

#include <gtest/gtest.h>

namespace quorvel::testing {
namespace {

std::string ErrorOf(const std::function<Sheet()>& read) {
    try {
        const Sheet sheet = read();
        return "no error; read " + std::to_string(sheet.rows.size()) + " rows";
    } catch (const ESheetError& e) {
        return e.Message().toStdString();
    }
}

// Every 32-bit field at `offset` of every local header and central directory entry is set to
// `value`: the sizes a zip declares, made to lie.
std::string WithDeclaredSizes(std::string zip, std::uint32_t value) {
    const auto put = [&](std::size_t at) {
        for (int i = 0; i < 4; ++i)
            zip[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    for (std::size_t at = 0; (at = zip.find("PK\x03\x04", at)) != std::string::npos; at += 4)
        put(at + 22); // uncompressed size of a local header
    for (std::size_t at = 0; (at = zip.find("PK\x01\x02", at)) != std::string::npos; at += 4)
        put(at + 24); // uncompressed size of a central directory entry
    return zip;
}

TEST(HostileSheets, FilesThatAreNoZipOrNoSpreadsheetSaySo) {
    EXPECT_EQ(ErrorOf([] { return ReadXlsx(Bytes("Lote;Item\n1;2\n")); }), "o arquivo não é um zip");
    EXPECT_EQ(ErrorOf([] { return ReadOds(Bytes("")); }), "o arquivo está vazio");
    EXPECT_EQ(ErrorOf([] { return ReadXlsx(Bytes(OdsWith(""))); }),
              "o arquivo não é uma pasta de trabalho .xlsx");
    EXPECT_EQ(ErrorOf([] { return ReadOds(Bytes(XlsxWith("<worksheet/>"))); }),
              "o arquivo não é uma planilha OpenDocument: falta content.xml");
    EXPECT_EQ(ErrorOf([] {
                  return ReadOds(Bytes(ZipOf(
                      {{"mimetype", "application/vnd.oasis.opendocument.text"}, {"content.xml", "<x/>"}})));
              }),
              "o arquivo não é uma planilha OpenDocument (é application/vnd.oasis.opendocument.text)");
    // A zip cut short.
    const std::string whole = XlsxWith("<worksheet><sheetData/></worksheet>");
    EXPECT_EQ(ErrorOf([&] { return ReadXlsx(Bytes(whole.substr(0, whole.size() / 2))); }),
              "o arquivo não é um zip");
    // A part that points outside the archive, malformed XML, a document type.
    EXPECT_EQ(ErrorOf([] {
                  return ReadXlsx(Bytes(ZipOf(
                      {{"_rels/.rels", "<Relationships><Relationship Id=\"r\" Type=\"x/officeDocument\" "
                                       "Target=\"../../etc/passwd\"/></Relationships>"}})));
              }),
              "a parte _rels/.rels aponta para fora do arquivo (../../etc/passwd)");
    EXPECT_EQ(ErrorOf([] { return ReadXlsx(Bytes(XlsxWith("<worksheet><sheetData><row></sheetData>"))); }),
              "xl/worksheets/sheet1.xml, linha 1 do XML: Opening and ending tag mismatch.");
    EXPECT_EQ(ErrorOf([] {
                  return ReadOds(Bytes(
                      ZipOf({{"content.xml", "<!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\">"
                                             "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]><x>&b;</x>"}})));
              }),
              "content.xml, linha 1 do XML: declaração de tipo de documento");
}

TEST(HostileSheets, ZipBombsStopAtTheirDeclaredSizeOrAtTheAllowance) {
    // 300 MiB of one repeated row, deflated to well under a megabyte.
    std::string big = "<worksheet><sheetData>";
    big.reserve(300u << 20);
    while (big.size() < (300u << 20))
        big += "<row><c t=\"inlineStr\"><is><t>0000000000000000000000000000000000000000</t></is></c></row>";
    big += "</sheetData></worksheet>";
    const std::string bomb = XlsxWith(big);
    big = std::string();
    ASSERT_LT(bomb.size(), 4u << 20);

    ChildOutcome outcome = RunInChild([&] { ReadXlsx(Bytes(bomb)); });
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.message,
              "a parte xl/worksheets/sheet1.xml se expande para 300 MiB, além do limite de 256 MiB");
    EXPECT_LT(outcome.peakGrowthKiB, HostileMemoryAllowanceKiB());

    // The same bomb claiming to be small: inflating stops where the claim ends.
    const std::string liar = WithDeclaredSizes(bomb, 4096);
    outcome = RunInChild([&] { ReadXlsx(Bytes(liar)); });
    ASSERT_TRUE(outcome.ended);
    EXPECT_NE(outcome.message.find("xl/"), std::string::npos) << outcome.message;
    EXPECT_LT(outcome.peakGrowthKiB, HostileMemoryAllowanceKiB());

    // Several parts, each within the limit, together past it.
    SheetLimits limits;
    limits.maxInflatedBytes = 1 << 20;
    const std::string shared = "<sst>" + std::string(700 << 10, ' ') + "</sst>";
    EXPECT_EQ(ErrorOf([&] {
                  return ReadXlsx(
                      Bytes(XlsxWith("<worksheet>" + std::string(700 << 10, ' ') + "</worksheet>", shared)),
                      limits);
              }),
              "a parte xl/worksheets/sheet1.xml se expande para 700 KiB, além do limite de 1 MiB");
}

TEST(HostileSheets, AMillionEmptyRowsCostNothing) {
    std::string xml = "<worksheet><sheetData>";
    for (int r = 1; r <= 1000000; ++r)
        xml += "<row r=\"" + std::to_string(r) + "\"/>";
    xml += "<row r=\"1000001\"><c r=\"C1000001\"><v>7</v></c></row></sheetData></worksheet>";
    const std::string xlsx = XlsxWith(xml);
    xml = std::string();
    ChildOutcome outcome = RunInChild([&] {
        const Sheet sheet = ReadXlsx(Bytes(xlsx));
        if (Dump(sheet) != "1000001: C=7\n") throw Exception(QString::fromStdString(Dump(sheet)));
    });
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.message, "");
    EXPECT_LT(outcome.peakGrowthKiB, HostileMemoryAllowanceKiB());

    const std::string ods = OdsWith(
        "<table:table-row table:number-rows-repeated=\"1048570\"><table:table-cell "
        "table:number-columns-repeated=\"16384\"/></table:table-row><table:table-row><table:table-cell "
        "office:value-type=\"string\"><text:p>fim</text:p></table:table-cell></table:table-row>"
        "<table:table-row table:number-rows-repeated=\"1000\"><table:table-cell/></table:table-row>");
    outcome = RunInChild([&] {
        const Sheet sheet = ReadOds(Bytes(ods));
        if (Dump(sheet) != "1048571: A='fim'\n") throw Exception(QString::fromStdString(Dump(sheet)));
    });
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.message, "");
    EXPECT_LT(outcome.peakGrowthKiB, HostileMemoryAllowanceKiB());

    // Filled rows repeated past what a sheet may hold are refused before they are copied.
    const std::string filled =
        OdsWith("<table:table-row table:number-rows-repeated=\"1000000\"><table:table-cell "
                "table:number-columns-repeated=\"4\" office:value-type=\"float\" "
                "office:value=\"1\"/></table:table-row>");
    outcome = RunInChild([&] { ReadOds(Bytes(filled)); });
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.message, "a planilha passa de 1.500.000 células preenchidas");
    EXPECT_LT(outcome.peakGrowthKiB, HostileMemoryAllowanceKiB());
    EXPECT_EQ(ErrorOf([] {
                  return ReadOds(Bytes(
                      OdsWith("<table:table-row table:number-rows-repeated=\"1048576\"><table:table-cell/>"
                              "</table:table-row><table:table-row><table:table-cell "
                              "office:value-type=\"float\" office:value=\"1\"/></table:table-row>")));
              }),
              "a planilha passa de 1.048.576 linhas");
}

TEST(HostileSheets, SharedStringIndicesOutOfRangeNameTheCell) {
    const std::string shared = "<sst><si><t>a</t></si><si><t>b</t></si></sst>";
    const auto read = [&](const std::string& index) {
        return ErrorOf([&] {
            return ReadXlsx(
                Bytes(XlsxWith("<worksheet><sheetData><row r=\"4\"><c r=\"A4\" t=\"s\"><v>1</v></c>"
                               "<c r=\"C4\" t=\"s\"><v>" +
                                   index + "</v></c></row></sheetData></worksheet>",
                               shared)));
        });
    };
    EXPECT_EQ(read("1"), "no error; read 1 rows");
    EXPECT_EQ(read("2"), "linha 4, coluna C: o texto compartilhado '2' não existe (a planilha tem 2)");
    EXPECT_EQ(read("-1"), "linha 4, coluna C: o texto compartilhado '-1' não existe (a planilha tem 2)");
    EXPECT_EQ(
        read("99999999999999999999"),
        "linha 4, coluna C: o texto compartilhado '99999999999999999999' não existe (a planilha tem 2)");
    EXPECT_EQ(read("x"), "linha 4, coluna C: o texto compartilhado 'x' não existe (a planilha tem 2)");
    // Cells out of order, a row going back, a column past the last.
    EXPECT_EQ(ErrorOf([] {
                  return ReadXlsx(Bytes(XlsxWith("<worksheet><sheetData><row r=\"2\"><c r=\"B2\"><v>1</v></c>"
                                                 "<c r=\"A2\"><v>2</v></c></row></sheetData></worksheet>")));
              }),
              "linha 2, coluna A: a célula vem depois da coluna B");
    EXPECT_EQ(ErrorOf([] {
                  return ReadXlsx(Bytes(XlsxWith("<worksheet><sheetData><row r=\"5\"/><row r=\"3\"/>"
                                                 "</sheetData></worksheet>")));
              }),
              "a linha 3 vem depois da linha 5");
    EXPECT_EQ(ErrorOf([] {
                  return ReadXlsx(
                      Bytes(XlsxWith("<worksheet><sheetData><row r=\"1\"><c r=\"XFE1\"><v>1</v></c>"
                                     "</row></sheetData></worksheet>")));
              }),
              "xl/worksheets/sheet1.xml, linha 1 do XML: referência de célula inválida 'XFE1'");
}

TEST(HostileSheets, AHundredMegabyteCellIsRefusedEarly) {
    const std::string cell(100u << 20, 'x');
    const std::string xlsx =
        XlsxWith("<worksheet><sheetData><row r=\"3\"><c r=\"B3\" t=\"inlineStr\"><is><t>" + cell +
                 "</t></is></c></row></sheetData></worksheet>");
    const std::string ods =
        OdsWith("<table:table-row><table:table-cell office:value-type=\"string\"><text:p>" + cell +
                "</text:p></table:table-cell></table:table-row>");
    const std::string csv = "a;" + std::string(40u << 20, 'y') + "\n";
    struct Case {
        std::string name;
        std::function<void()> read;
        std::string message;
    };
    for (const auto& [name, read, message] : std::vector<Case>{
             {"xlsx", [&] { ReadXlsx(Bytes(xlsx)); },
              "xl/worksheets/sheet1.xml, linha 1 do XML: linha 3, coluna B: a célula passa de 1.048.576 "
              "bytes de XML"},
             {"ods", [&] { ReadOds(Bytes(ods)); },
              "content.xml, linha 1 do XML: linha 1, coluna A: a célula passa de 1.048.576 bytes de XML"},
             {"csv", [&] { ReadCsv(Bytes(csv)); },
              "linha 1, coluna B: a célula passa de 32.767 caracteres"}}) {
        const ChildOutcome outcome = RunInChild(read);
        ASSERT_TRUE(outcome.ended) << name;
        EXPECT_LT(outcome.peakGrowthKiB, HostileMemoryAllowanceKiB()) << name;
        EXPECT_EQ(outcome.message, message) << name;
    }
    // A file beyond the size a sheet file may have is not read at all.
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("grande.csv"));
    WriteFileBytes(path, std::string(65u << 20, 'z'));
    EXPECT_EQ(ErrorOf([&] { return ReadSheetFile(path); }), "o arquivo tem 65 MiB, além do limite de 64 MiB");
}

TEST(HostileSheets, OnlyStoredAndDeflatedPartsAreRead) {
    if (!zip_compression_method_supported(ZIP_CM_BZIP2, 1)) GTEST_SKIP() << "libzip without bzip2";
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t* archive = zip_open_from_source(buffer, ZIP_CREATE | ZIP_TRUNCATE, &error);
    const std::string content = "<x/>";
    zip_file_add(archive, "content.xml", zip_source_buffer(archive, content.data(), content.size(), 0), 0);
    zip_set_file_compression(archive, 0, ZIP_CM_BZIP2, 0);
    ASSERT_EQ(zip_close(archive), 0);
    zip_source_open(buffer);
    zip_source_seek(buffer, 0, SEEK_END);
    std::string bytes(static_cast<std::size_t>(zip_source_tell(buffer)), '\0');
    zip_source_seek(buffer, 0, SEEK_SET);
    zip_source_read(buffer, bytes.data(), bytes.size());
    zip_source_close(buffer);
    zip_source_free(buffer);
    EXPECT_EQ(ErrorOf([&] { return ReadOds(Bytes(bytes)); }),
              "a parte content.xml usa uma compressão desconhecida");
}

} // namespace
} // namespace quorvel::testing
