// The three formats written and read back: exact bytes where the format is text, the same cells and
// row numbers after a round trip where it is a zip, and the readers' handling of what other programs
// write (separators, quotes, encodings, repeated cells, shared and inline strings).
#include "SheetTestSupport.h"

#include "sheet/SheetError.h"
#include "sheet/SheetFile.h"
#include "sheet/SheetReaders.h"
#include "sheet/SheetWriters.h"
#include "sheet/ZipReader.h"

#include "sheet/SheetText.h"

#include <QDir>

#include <gtest/gtest.h>

namespace quorvel::testing {
namespace {

// Numbers with places and without, texts that need care in every format (separators, quotes,
// formulas, blanks at both ends and in runs, tabs, line ends of both kinds, accents, controls), a
// gap of rows and gaps of columns.
Sheet AwkwardSheet() {
    Sheet sheet;
    sheet.name = QStringLiteral("Itens");
    SheetRow& first = sheet.AddRow();
    first.heading = true;
    first.AddText(0, QStringLiteral("Preço Unitário"));
    first.AddText(2, QStringLiteral("Ação; \"aspas\", vírgula"));
    SheetRow& second = sheet.AddRow();
    second.AddNumber(0, 1234.5, 4);
    second.AddNumber(1, -0.25);
    second.AddNumber(2, 7, 0);
    second.AddText(3, QStringLiteral("=SOMA(A1:A2)"));
    second.AddText(4, QStringLiteral("-Acme"));
    second.AddText(5, QStringLiteral("'@marca"));
    sheet.rows.push_back({});
    SheetRow& gap = sheet.rows.back();
    gap.number = 5;
    gap.AddText(1, QStringLiteral("  dois  espaços\tentre  "));
    gap.AddText(2, QStringLiteral("linha 1\r\nlinha 2\rlinha 3\x01"));
    return sheet;
}

TEST(SheetCsv, WritesSemicolonsDecimalCommasAndGuardsFormulas) {
    EXPECT_EQ(WriteCsv(AwkwardSheet()), "\xEF\xBB\xBF"
                                        "Preço Unitário;;\"Ação; \"\"aspas\"\", vírgula\";;;\r\n"
                                        "1234,5000;-0,25;7;'=SOMA(A1:A2);'-Acme;''@marca\r\n"
                                        ";;;;;\r\n"
                                        ";;;;;\r\n"
                                        ";  dois  espaços\tentre  ;\"linha 1\nlinha 2\nlinha 3\";;;\r\n");
}

TEST(SheetCsv, ReadsSeparatorsQuotesLineEndsAndEncodings) {
    // ";" with quoted fields over lines, doubled quotes, an empty line, LF and CR line ends.
    EXPECT_EQ(Dump(ReadCsv(Bytes("a;\"b;\"\"c\"\"\nd\";12,50\n\r\n;x\r"))),
              "1: A='a' B='b;\"c\"\\nd' C='12,50'\n3: B='x'\n");
    // "," when the first line holds more commas than semicolons; quoted Brazilian numbers stay whole.
    EXPECT_EQ(Dump(ReadCsv(Bytes("Lote,Item,Pre\xC3\xA7o;x\n1,2,\"1.234,50\"\n"))),
              "1: A='Lote' B='Item' C='Preço;x'\n2: A='1' B='2' C='1.234,50'\n");
    // Windows-1252 when the bytes are no UTF-8; UTF-8 with or without its mark.
    EXPECT_EQ(Dump(ReadCsv(Bytes("Pre\xE7o;Descri\xE7\xE3o\n"))), "1: A='Preço' B='Descrição'\n");
    EXPECT_EQ(Dump(ReadCsv(Bytes("\xEF\xBB\xBFPre\xC3\xA7o\n"))), "1: A='Preço'\n");
    EXPECT_EQ(Dump(ReadCsv(Bytes("Pre\xC3\xA7o \xF0\x9F\x98\x80\n"))), "1: A='Preço \xF0\x9F\x98\x80'\n");
    // The apostrophe of a guarded formula is taken away; one that guards nothing stays.
    EXPECT_EQ(Dump(ReadCsv(Bytes("'=1+2;''-x;'texto;\"'@a\"\n"))), "1: A='=1+2' B=''-x' C=''texto' D='@a'\n");
    // Text after a closing quote belongs to the field, as spreadsheets read it.
    EXPECT_EQ(Dump(ReadCsv(Bytes("\"ab\"cd;e\n"))), "1: A='abcd' B='e'\n");
}

TEST(SheetCsv, RefusesOpenQuotesAndLongCellsWithTheirPlace) {
    try {
        ReadCsv(Bytes("a;b\nc;\"aberta\n;\n"));
        FAIL() << "an open quote was taken";
    } catch (const ESheetError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("linha 2: aspas abertas e não fechadas"));
    }
    SheetLimits limits;
    limits.maxCellChars = 5;
    EXPECT_EQ(Dump(ReadCsv(Bytes("12345;\"\xC3\xA1\xC3\xA1\xC3\xA1\xC3\xA1\xC3\xA1\"\n"), limits)),
              "1: A='12345' B='ááááá'\n");
    try {
        ReadCsv(Bytes("ok\nx;123456\n"), limits);
        FAIL() << "a long cell was taken";
    } catch (const ESheetError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("linha 2, coluna B: a célula passa de 5 caracteres"));
    }
}

// What every writer gives back through its reader: cells in place, numbers exact, texts with line
// ends as line feeds and without control characters; a CSV gives every cell back as text.
class SheetRoundTrip : public ::testing::TestWithParam<SheetFormat> {};

TEST_P(SheetRoundTrip, GivesBackEveryCellInItsPlace) {
    const std::string bytes = WriteSheet(AwkwardSheet(), GetParam());
    const std::string expected =
        GetParam() == SheetFormat::Csv
            ? "1: A='Preço Unitário' C='Ação; \"aspas\", vírgula'\n"
              "2: A='1234,5000' B='-0,25' C='7' D='=SOMA(A1:A2)' E='-Acme' F=''@marca'\n"
              "5: B='  dois  espaços\\tentre  ' C='linha 1\\nlinha 2\\nlinha 3'\n"
            : "1: A='Preço Unitário' C='Ação; \"aspas\", vírgula'\n"
              "2: A=1234.5 B=-0.25 C=7 D='=SOMA(A1:A2)' E='-Acme' F=''@marca'\n"
              "5: B='  dois  espaços\\tentre  ' C='linha 1\\nlinha 2\\nlinha 3'\n";
    EXPECT_EQ(Dump(ReadSheet(Bytes(bytes), GetParam())), expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, SheetRoundTrip,
                         ::testing::Values(SheetFormat::Xlsx, SheetFormat::Ods, SheetFormat::Csv),
                         [](const auto& info) { return FormatName(info.param); });

TEST(SheetOds, StartsWithTheUncompressedMimeTypeAndShowsDecimalPlaces) {
    const std::string ods = WriteOds(AwkwardSheet());
    // The first local header: signature, stored (method 0), the name "mimetype", then its bytes.
    ASSERT_GT(ods.size(), 100u);
    EXPECT_EQ(ods.substr(0, 4), "PK\x03\x04");
    EXPECT_EQ(ods.substr(8, 2), std::string("\0\0", 2));
    EXPECT_EQ(ods.substr(26, 4), std::string("\x08\0\0\0", 4)) << "name length 8, no extra field";
    EXPECT_EQ(ods.substr(30, 8 + 46), "mimetypeapplication/vnd.oasis.opendocument.spreadsheet");

    SheetLimits limits;
    ZipReader zip(Bytes(ods), limits);
    const QString content = QString::fromUtf8(zip.ReadAll(QStringLiteral("content.xml"), 1 << 20));
    EXPECT_TRUE(
        content.contains(QLatin1String("<number:number number:decimal-places=\"4\" "
                                       "number:min-decimal-places=\"4\" number:min-integer-digits=\"1\" "
                                       "number:grouping=\"true\"/>")));
    EXPECT_TRUE(content.contains(QLatin1String("office:value-type=\"float\" office:value=\"1234.5\">"
                                               "<text:p>1234,5000</text:p>")));
    // Blanks that a reader would fold are written as counted spaces.
    EXPECT_TRUE(
        content.contains(QString::fromUtf8("<text:p><text:s text:c=\"2\"/>dois <text:s/>espaços<text:tab/>"
                                           "entre<text:s text:c=\"2\"/></text:p>")));
    EXPECT_TRUE(zip.Has(QStringLiteral("META-INF/manifest.xml")));
}

TEST(SheetXlsx, KeepsNumbersAsNumbersWithFourPlacesAndTextsAsText) {
    const std::string xlsx = WriteXlsx(AwkwardSheet());
    SheetLimits limits;
    ZipReader zip(Bytes(xlsx), limits);
    const QString styles = QString::fromUtf8(zip.ReadAll(QStringLiteral("xl/styles.xml"), 1 << 20));
    EXPECT_TRUE(styles.contains(QLatin1String("formatCode=\"#,##0.0000\""))) << styles.toStdString();
    const QString worksheet =
        QString::fromUtf8(zip.ReadAll(QStringLiteral("xl/worksheets/sheet1.xml"), 1 << 20));
    EXPECT_TRUE(worksheet.contains(QLatin1String("<v>1234.5</v>"))) << worksheet.toStdString();
    EXPECT_TRUE(worksheet.contains(QLatin1String("t=\"inlineStr\"><is><t>=SOMA(A1:A2)</t></is>")));
    EXPECT_FALSE(worksheet.contains(QLatin1String("<f>")));
}

// A row is made as tall as its tallest text of several lines, counting the lines that wrap in the
// column's width (15 points a line), and only such a row gets a height; texts are indented from the
// left border so that they stand apart from a number aligned right in the column before them.
TEST(SheetXlsx, RowsAreAsTallAsTheirWrappedLinesAndTextsStandApartFromNumbers) {
    Sheet sheet;
    sheet.columns = {{10, SheetColumn::Entry::Any, -1}, {10, SheetColumn::Entry::Any, -1}};
    SheetRow& auction = sheet.AddRow();
    auction.heading = true;
    auction.AddNumber(0, 58, 0);
    auction.AddText(1, QStringLiteral("2026"));
    // One line, then 25 characters that wrap into three lines of a 10-character column.
    sheet.AddRow().AddText(1, QStringLiteral("curta\n") + QString(25, QLatin1Char('x')));
    // Long but of one line: not wrapped, so not made taller.
    sheet.AddRow().AddText(1, QString(25, QLatin1Char('y')));
    // Exactly as long as the column is wide: two lines, none wrapped.
    sheet.AddRow().AddText(0, QStringLiteral("0123456789\nabc"));

    const std::string xlsx = WriteXlsx(sheet);
    SheetLimits limits;
    ZipReader zip(Bytes(xlsx), limits);
    const std::string worksheet =
        zip.ReadAll(QStringLiteral("xl/worksheets/sheet1.xml"), 1 << 20).toStdString();
    EXPECT_NE(worksheet.find("<row r=\"1\">"), std::string::npos) << worksheet;
    EXPECT_NE(worksheet.find("<row r=\"2\" ht=\"60\" customHeight=\"1\">"), std::string::npos) << worksheet;
    EXPECT_NE(worksheet.find("<row r=\"3\">"), std::string::npos) << worksheet;
    EXPECT_NE(worksheet.find("<row r=\"4\" ht=\"30\" customHeight=\"1\">"), std::string::npos) << worksheet;
    const std::string styles = zip.ReadAll(QStringLiteral("xl/styles.xml"), 1 << 20).toStdString();
    EXPECT_NE(styles.find("indent=\"1\""), std::string::npos) << styles;
    // Heights and indents change how the cells look, not what they hold.
    EXPECT_EQ(Dump(ReadXlsx(Bytes(xlsx))), Dump(sheet));
}

// What other programs write that ours does not: shared strings with runs and reading aids, cells
// without references, formulas with their cached results, booleans and errors; repeated and covered
// cells, annotations and folded blanks.
TEST(SheetReaders, ReadWhatOtherWritersPutInTheirFiles) {
    const std::string shared =
        "<sst><si><t>Pre\xC3\xA7o</t></si><si><r><t>Ca</t></r><r><t xml:space=\"preserve\">neta </t></r>"
        "<rPh><t>X</t></rPh></si></sst>";
    const std::string sheet =
        "<worksheet><sheetData><row r=\"2\"><c r=\"B2\" t=\"s\"><v>1</v></c><c t=\"s\"><v>0</v></c>"
        "<c><f>1+1</f><v>2</v></c><c t=\"str\"><f>A1</f><v>texto</v></c><c t=\"b\"><v>1</v></c>"
        "<c t=\"e\"><v>#N/D</v></c><c r=\"AA2\" t=\"n\"><v>1.5E-3</v></c></row>"
        "<row><c r=\"A3\"><v> </v></c></row></sheetData></worksheet>";
    EXPECT_EQ(Dump(ReadXlsx(Bytes(XlsxWith(sheet, shared)))),
              "2: B='Caneta ' C='Preço' D=2 E='texto' F='VERDADEIRO' G='#N/D' AA=0.0015\n");

    const std::string rows =
        "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell/></table:table-row>"
        "<table:table-row><table:table-cell table:number-columns-repeated=\"2\" office:value-type=\"float\" "
        "office:value=\"3\"><text:p>3</text:p></table:table-cell><table:covered-table-cell><text:p>oculto</"
        "text:p>"
        "</table:covered-table-cell><table:table-cell "
        "office:value-type=\"string\"><office:annotation><text:p>nota"
        "</text:p></office:annotation><text:p>  a \n  b<text:s text:c=\"2\"/>c<text:line-break/>d</text:p>"
        "<text:p><text:span>e</text:span></text:p></table:table-cell></table:table-row>";
    EXPECT_EQ(Dump(ReadOds(Bytes(OdsWith(rows)))), "3: A=3 B=3 D='a b  c\\nd\\ne'\n");
}

// Every CSV seed of the fuzz target, those its findings added included, reads back the same after
// being written.
TEST(SheetCsv, EverySeedReadsBackTheSameAfterBeingWritten) {
    const QDir seeds(QStringLiteral(QUORVEL_TEST_DATA "/sheet_csv"));
    ASSERT_FALSE(seeds.entryList(QDir::Files).isEmpty());
    for (const QString& name : seeds.entryList(QDir::Files)) {
        const std::string bytes = ReadFileBytes(seeds.filePath(name));
        const Sheet sheet = ReadCsv(Bytes(bytes));
        Sheet expected;
        for (const SheetRow& row : sheet.rows) {
            SheetRow copy;
            copy.number = row.number;
            for (SheetCell cell : row.cells) {
                cell.text = CellTextForFile(cell.text);
                if (!cell.text.isEmpty()) copy.cells.push_back(cell);
            }
            if (!copy.cells.empty()) expected.rows.push_back(copy);
        }
        const std::string written = WriteCsv(sheet);
        EXPECT_EQ(Dump(ReadCsv(Bytes(written))), Dump(expected)) << name.toStdString();
    }
}

} // namespace
} // namespace quorvel::testing
