// A worksheet part read in two halves at once gives the sheet one pass gives, wherever it is cut, or
// declines and leaves the part to the one pass; ReadXlsx takes that way for a large part and keeps
// the one pass's sheet and messages.
#include "SheetTestSupport.h"

#include "sheet/SheetCollector.h"
#include "sheet/SheetError.h"
#include "sheet/SheetReaders.h"
#include "sheet/XlsxSharedStrings.h"
#include "sheet/XlsxWorksheet.h"
#include "sheet/XmlPartReader.h"

#include <gtest/gtest.h>

#include <regex>
#include <string_view>

namespace quorvel::testing {
namespace {

const QString kPart = QStringLiteral("xl/worksheets/sheet1.xml");
constexpr std::size_t kNone = std::string_view::npos;

std::span<const char> Span(const std::string& bytes) {
    return {bytes.data(), bytes.size()};
}

// The part read in one pass: the sheet's dump, or "error: " and the message.
std::string OnePass(const std::string& xml, const std::vector<QString>& strings, const SheetLimits& limits) {
    try {
        SheetCollector sheet(limits);
        XmlPartReader reader(kPart, {{Span(xml), 0, true}}, limits);
        ReadWorksheet(reader, sheet, strings);
        return Dump(sheet.Take());
    } catch (const ESheetError& e) {
        return "error: " + e.Message().toStdString();
    }
}

// Cuts the part at every byte: each cut the halves take gives the one pass's sheet, each cut they
// decline leaves the sheet empty. Returns the cuts taken.
std::vector<std::size_t> CutsTaken(const std::string& xml, const std::vector<QString>& strings,
                                   const SheetLimits& limits = {}) {
    const std::string whole = OnePass(xml, strings, limits);
    std::vector<std::size_t> taken;
    for (std::size_t cut = 0; cut <= xml.size(); ++cut) {
        SheetCollector sheet(limits);
        const bool read = ReadWorksheetInHalves(kPart, Span(xml), cut, sheet, strings);
        const std::string dump = Dump(sheet.Take());
        if (read) {
            taken.push_back(cut);
            EXPECT_EQ(dump, whole) << "cut at " << cut << ": ..." << xml.substr(cut, 30);
        } else {
            EXPECT_EQ(dump, "") << "cut at " << cut;
        }
    }
    return taken;
}

bool Taken(const std::vector<std::size_t>& cuts, std::size_t cut) {
    return std::find(cuts.begin(), cuts.end(), cut) != cuts.end();
}

// The byte where `tag` starts, after `after` occurrences of it.
std::size_t At(const std::string& xml, const std::string& tag, int after = 0) {
    std::size_t at = xml.find(tag);
    for (int i = 0; i < after && at != kNone; ++i)
        at = xml.find(tag, at + 1);
    EXPECT_NE(at, kNone) << tag;
    return at;
}

const std::vector<QString> kStrings = {QStringLiteral("Lote"), QStringLiteral("Caneta azul")};

// Shared, inline, rich and phonetic texts, numbers, booleans, formulas and their results, error
// values, rows one right after another and on lines of their own, a row without its number, an
// empty row, and row tags where no row of the data is: in a comment, in a text's CDATA, after the
// data.
const std::string kSheet =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:v=\"urn:row-&amp;-cell\"><dimension ref=\"A1:D9\"/><sheetViews><sheetView "
    "workbookViewId=\"0\"/></sheetViews>\n<sheetData>\n"
    "<row r=\"1\" v:height=\"2\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>"
    "Pre\xC3\xA7o &amp; \xC2\xABmarca\xC2\xBB</t></is></c></row>\n"
    "<row r=\"2\"><c r=\"A2\"><v>12.5</v></c><c r=\"C2\" t=\"b\"><v>1</v></c><c r=\"D2\"><f>A2*2</f>"
    "<v>25</v></c></row><row r=\"3\"><c r=\"A3\" t=\"s\"><v>1</v></c></row>\n"
    "<!-- <row r=\"50\"><c r=\"A50\"><v>9</v></c></row> -->\n"
    "<row r=\"4\"><c r=\"B4\" t=\"inlineStr\"><is><r><t>rich </t></r><r><t>text</t></r><rPh><t>ruby</t>"
    "</rPh></is></c></row>\n"
    "<row><c t=\"inlineStr\"><is><t><![CDATA[<row r=\"77\">]]></t></is></c><c><v> 3 </v></c></row>\n"
    "<row r=\"7\"/>\n"
    "<row r=\"8\" spans=\"1:4\"><c r=\"A8\" t=\"str\"><f>\"x\"</f><v>x</v></c><c r=\"C8\" t=\"e\">"
    "<v>#N/A</v></c></row>\n"
    "<row r=\"9\"><c r=\"A9\"><v>1e-5</v></c></row>\n"
    "</sheetData>\n<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>\n"
    "<extLst><ext uri=\"u\"><row r=\"1\"/></ext></extLst></worksheet>\n";

// The same sheet with its elements in a namespace by a prefix.
std::string Prefixed(const std::string& xml) {
    std::string out = std::regex_replace(xml, std::regex("<(/?)([A-Za-z])"), "<$1x:$2");
    out = std::regex_replace(out, std::regex(" xmlns=\""), " xmlns:x=\"");
    return out;
}

TEST(XlsxHalves, EveryCutTakenGivesTheOnePassSheet) {
    ASSERT_EQ(OnePass(kSheet, kStrings, {}), "1: A='Lote' B='Pre\xC3\xA7o & \xC2\xABmarca\xC2\xBB'\n"
                                             "2: A=12.5 C='VERDADEIRO' D=25\n"
                                             "3: A='Caneta azul'\n"
                                             "4: B='rich text'\n"
                                             "5: A='<row r=\"77\">' B=3\n"
                                             "8: A='x' C='#N/A'\n"
                                             "9: A=1e-05\n");
    const std::vector<std::size_t> taken = CutsTaken(kSheet, kStrings);
    // Every numbered row of the data, the one right after another included.
    for (const char* row : {"<row r=\"1\"", "<row r=\"2\"", "<row r=\"3\"", "<row r=\"4\"", "<row r=\"7\"",
                            "<row r=\"8\"", "<row r=\"9\""})
        EXPECT_TRUE(Taken(taken, At(kSheet, row))) << row;
    // The row without its number; the tags in the comment, in the CDATA, after the data.
    EXPECT_FALSE(Taken(taken, At(kSheet, "<row><c")));
    EXPECT_FALSE(Taken(taken, At(kSheet, "<row r=\"50\"")));
    EXPECT_FALSE(Taken(taken, At(kSheet, "<row r=\"77\"")));
    EXPECT_FALSE(Taken(taken, At(kSheet, "<row r=\"1\"", 1)));
    // Nowhere inside a row, nor before the data.
    for (const std::size_t cut : taken) {
        EXPECT_GT(cut, At(kSheet, "<sheetData>"));
        EXPECT_LT(cut, At(kSheet, "<mergeCells"));
    }

    const std::string prefixed = Prefixed(kSheet);
    ASSERT_EQ(OnePass(prefixed, kStrings, {}).substr(0, 12), "1: A='Lote' ");
    const std::vector<std::size_t> prefixedTaken = CutsTaken(prefixed, kStrings);
    EXPECT_TRUE(Taken(prefixedTaken, At(prefixed, "<x:row r=\"2\"")));
    EXPECT_TRUE(Taken(prefixedTaken, At(prefixed, "<x:row r=\"3\"")));
    EXPECT_FALSE(Taken(prefixedTaken, At(prefixed, "<x:row><x:c")));
}

TEST(XlsxHalves, RowTagsAreFoundFromTheMiddleOn) {
    const std::string xml = "<sheetData><rowBreaks/><row r=\"1\"/></row><x:row>a</x:row><row\n/>";
    EXPECT_EQ(FindRowTag(Span(xml), 0), At(xml, "<row r"));
    EXPECT_EQ(FindRowTag(Span(xml), At(xml, "<row r") + 1), At(xml, "<x:row"));
    EXPECT_EQ(FindRowTag(Span(xml), At(xml, "<x:row") + 1), At(xml, "<row\n"));
    // Past the last tag, the last before.
    EXPECT_EQ(FindRowTag(Span(xml), xml.size()), At(xml, "<row\n"));
    EXPECT_EQ(FindRowTag(Span(std::string("<sheetData><rowBreaks/></sheetData>")), 5), kNone);
}

TEST(XlsxHalves, FaultsAndLimitsAcrossTheCutAreLeftToTheOnePass) {
    const auto rows = [](const std::string& body) {
        return "<worksheet><sheetData>" + body + "</sheetData></worksheet>";
    };
    const std::string four = rows("<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>"
                                  "abcd</t></is></c></row><row r=\"2\"><c r=\"A2\"><v>2</v></c></row>"
                                  "<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>efgh</t></is></c></row>");
    // Each half keeps within the budgets, both together do not.
    SheetLimits cells;
    cells.maxCells = 3;
    EXPECT_EQ(OnePass(four, {}, cells), "error: a planilha passa de 3 células preenchidas");
    EXPECT_TRUE(CutsTaken(four, {}, cells).empty());
    SheetLimits chars;
    chars.maxTextChars = 7;
    EXPECT_EQ(OnePass(four, {}, chars).substr(0, 7), "error: ");
    EXPECT_TRUE(CutsTaken(four, {}, chars).empty());
    // Rows out of order, each half in order.
    const std::string backwards =
        rows("<row r=\"5\"><c r=\"A5\"><v>1</v></c></row><row r=\"3\"><c r=\"A3\"><v>2</v></c></row>");
    EXPECT_EQ(OnePass(backwards, {}, {}), "error: a linha 3 vem depois da linha 5");
    EXPECT_TRUE(CutsTaken(backwards, {}).empty());
    // A fault in one half only.
    const std::string missing = rows(
        "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"2\"><c r=\"A2\" t=\"s\"><v>4</v></c></row>");
    EXPECT_EQ(OnePass(missing, kStrings, {}),
              "error: linha 2, coluna A: o texto compartilhado '4' não existe (a planilha tem 2)");
    EXPECT_TRUE(CutsTaken(missing, kStrings).empty());
    const std::string broken = rows("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"2\"><c></row>");
    EXPECT_EQ(OnePass(broken, {}, {}).substr(0, 7), "error: ");
    EXPECT_TRUE(CutsTaken(broken, {}).empty());

    // A text in another encoding is read by the one pass only.
    const std::string latin = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" +
                              rows("<row r=\"1\"><c t=\"inlineStr\"><is><t>Pre\xE7o</t></is></c></row>"
                                   "<row r=\"2\"><c><v>1</v></c></row>");
    EXPECT_EQ(OnePass(latin, {}, {}), "1: A='Pre\xC3\xA7o'\n2: A=1\n");
    EXPECT_TRUE(CutsTaken(latin, {}).empty());

    // A token that came within two blocks of the limit might pass it in the whole: not cut.
    SheetLimits tokens;
    tokens.maxTokenBytes = 4 * XmlPartReader::kBlock;
    const std::string big =
        rows("<row r=\"1\"><c r=\"A1\" note=\"" + std::string(3 * XmlPartReader::kBlock + 1000, 'x') +
             "\"><v>1</v></c></row><row r=\"2\"><c><v>2</v></c></row>");
    ASSERT_EQ(OnePass(big, {}, tokens), "1: A=1\n2: A=2\n");
    const std::size_t second = At(big, "<row r=\"2\"");
    const SheetLimits usual;
    SheetCollector within(usual);
    EXPECT_TRUE(ReadWorksheetInHalves(kPart, Span(big), second, within, {}));
    EXPECT_EQ(Dump(within.Take()), OnePass(big, {}, {}));
    SheetCollector near(tokens);
    EXPECT_FALSE(ReadWorksheetInHalves(kPart, Span(big), second, near, {}));
}

// A sheet of `rows` rows on lines of their own, large enough to be read in halves, and its dump.
struct LargeSheet {
    std::string xml;
    std::string dump;
};
LargeSheet Large(int rows) {
    LargeSheet sheet{"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<worksheet "
                     "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>\n",
                     ""};
    for (int r = 1; r <= rows; ++r) {
        const std::string n = std::to_string(r);
        sheet.xml += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + n + "</v></c><c r=\"C" + n +
                     "\" t=\"inlineStr\"><is><t>Descri\xC3\xA7\xC3\xA3o do item " + n +
                     " com um texto longo que ocupa a linha</t></is></c></row>\n";
        sheet.dump += n + ": A=" + n + " C='Descri\xC3\xA7\xC3\xA3o do item " + n +
                      " com um texto longo que ocupa a linha'\n";
    }
    sheet.xml += "</sheetData></worksheet>\n";
    return sheet;
}

TEST(XlsxHalves, ALargeWorkbookReadsAsInOnePassWithItsMessages) {
    LargeSheet large = Large(20000);
    ASSERT_GT(large.xml.size(), std::size_t{1} << 20);
    EXPECT_EQ(Dump(ReadXlsx(Bytes(XlsxWith(large.xml)))), large.dump);
    // The way ReadXlsx takes: cut at the middle, in halves.
    const SheetLimits usual;
    SheetCollector halves(usual);
    EXPECT_TRUE(ReadWorksheetInHalves(kPart, Span(large.xml),
                                      FindRowTag(Span(large.xml), large.xml.size() / 2), halves, {}));

    // A fault far into the second half is named as the one pass names it, with its line.
    std::string broken = large.xml;
    broken.replace(broken.find("</row>", At(large.xml, "<row r=\"15000\"")), 6, "</rox>");
    const std::string expected = OnePass(broken, {}, {});
    ASSERT_TRUE(
        std::string_view(expected).starts_with("error: xl/worksheets/sheet1.xml, linha 15002 do XML: "))
        << expected;
    try {
        ReadXlsx(Bytes(XlsxWith(broken)));
        ADD_FAILURE() << "read a broken sheet";
    } catch (const ESheetError& e) {
        EXPECT_EQ("error: " + e.Message().toStdString(), expected);
    }
}

// The strings, one a line, or "error: " and the message.
std::string Lines(const std::vector<QString>& strings) {
    std::string lines;
    for (const QString& text : strings)
        lines += text.toStdString() + "|\n";
    return lines;
}
std::string OnePassStrings(const std::string& xml, const SheetLimits& limits = {}) {
    try {
        SheetCollector sheet(limits);
        XmlPartReader reader(QStringLiteral("xl/sharedStrings.xml"), {{Span(xml), 0, true}}, limits);
        return Lines(ReadSharedStrings(reader, sheet));
    } catch (const ESheetError& e) {
        return "error: " + e.Message().toStdString();
    }
}
std::vector<std::size_t> StringCutsTaken(const std::string& xml, const SheetLimits& limits = {}) {
    const std::string whole = OnePassStrings(xml, limits);
    std::vector<std::size_t> taken;
    for (std::size_t cut = 0; cut <= xml.size(); ++cut) {
        SheetCollector sheet(limits);
        const std::optional<std::vector<QString>> strings =
            ReadSharedStringsInHalves(QStringLiteral("xl/sharedStrings.xml"), Span(xml), cut, sheet);
        if (!strings) continue;
        taken.push_back(cut);
        EXPECT_EQ(Lines(*strings), whole) << "cut at " << cut << ": ..." << xml.substr(cut, 30);
    }
    return taken;
}

const std::string kStringsPart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sst "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"6\">\n"
    "<si><t>Lote</t></si><si><t xml:space=\"preserve\"> Caneta &amp; l\xC3\xA1pis </t></si>\n"
    "<!-- <si><t>no comment</t></si> -->\n"
    "<si><r><rPr><b/></rPr><t>rich </t></r><r><t>text</t></r><rPh sb=\"0\"><t>ruby</t></rPh></si>\n"
    "<si><t><![CDATA[<si>]]></t></si><si/>\n"
    "<x:extra xmlns:x=\"urn:x\"><si><t>nested</t></si></x:extra><si><t>last</t></si>\n</sst>\n";

TEST(XlsxHalves, SharedStringsCutAnywhereGiveTheOnePassStrings) {
    ASSERT_EQ(OnePassStrings(kStringsPart),
              "Lote|\n Caneta & l\xC3\xA1pis |\nrich text|\n<si>|\n|\nnested|\nlast|\n");
    const std::vector<std::size_t> taken = StringCutsTaken(kStringsPart);
    for (const char* item : {"<si><t>Lote", "<si><t xml", "<si><r>", "<si><t><!", "<si/>", "<si><t>last"})
        EXPECT_TRUE(Taken(taken, At(kStringsPart, item))) << item;
    // In the comment, in the CDATA, inside another element of the list.
    EXPECT_FALSE(Taken(taken, At(kStringsPart, "<si><t>no")));
    EXPECT_FALSE(Taken(taken, At(kStringsPart, "<si>]]")));
    EXPECT_FALSE(Taken(taken, At(kStringsPart, "<si><t>nested")));
    EXPECT_EQ(FindStringTag(Span(kStringsPart), At(kStringsPart, "<si><r>") - 2),
              At(kStringsPart, "<si><r>"));

    // Each half within the count of strings, both together not.
    SheetLimits count;
    count.maxCells = 6;
    EXPECT_EQ(OnePassStrings(kStringsPart, count).substr(0, 7), "error: ");
    EXPECT_TRUE(StringCutsTaken(kStringsPart, count).empty());
    SheetLimits chars;
    chars.maxTextChars = 30;
    EXPECT_EQ(OnePassStrings(kStringsPart, chars).substr(0, 7), "error: ");
    EXPECT_TRUE(StringCutsTaken(kStringsPart, chars).empty());
}

TEST(XlsxHalves, ALargeWorkbookOfSharedStringsReadsAsInOnePass) {
    std::string sst = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    std::string xml = "<worksheet><sheetData>";
    std::string dump;
    for (int r = 1; r <= 20000; ++r) {
        const std::string n = std::to_string(r);
        sst += "<si><t>Especifica\xC3\xA7\xC3\xA3o do item " + n + ", que ocupa a c\xC3\xA9lula</t></si>\n";
        xml += "<row r=\"" + n + "\"><c r=\"B" + n + "\" t=\"s\"><v>" + std::to_string(20000 - r) +
               "</v></c></row>";
        dump += n + ": B='Especifica\xC3\xA7\xC3\xA3o do item " + std::to_string(20001 - r) +
                ", que ocupa a c\xC3\xA9lula'\n";
    }
    sst += "</sst>";
    xml += "</sheetData></worksheet>";
    ASSERT_GT(sst.size(), std::size_t{1} << 20);
    ASSERT_GT(xml.size(), std::size_t{1} << 20);
    EXPECT_EQ(Dump(ReadXlsx(Bytes(XlsxWith(xml, sst)))), dump);
    const SheetLimits usual;
    SheetCollector charged(usual);
    EXPECT_TRUE(ReadSharedStringsInHalves(QStringLiteral("xl/sharedStrings.xml"), Span(sst),
                                          FindStringTag(Span(sst), sst.size() / 2), charged));

    // A string too long for a cell far into the second half is named as the one pass names it.
    std::string broken = sst;
    broken.insert(At(sst, "<si><t>Especifica\xC3\xA7\xC3\xA3o do item 15000,") + 7, std::string(40000, 'x'));
    const std::string expected = OnePassStrings(broken);
    ASSERT_EQ(expected, "error: texto compartilhado 14999: a c\xC3\xA9lula passa de 32.767 caracteres");
    try {
        ReadXlsx(Bytes(XlsxWith(xml, broken)));
        ADD_FAILURE() << "read a string longer than a cell";
    } catch (const ESheetError& e) {
        EXPECT_EQ("error: " + e.Message().toStdString(), expected);
    }
}

} // namespace
} // namespace quorvel::testing
