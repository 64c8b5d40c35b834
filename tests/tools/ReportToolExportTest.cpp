// quorvel-report writing the text, comma-separated, spreadsheet and metafile formats through its
// built binary, each file read back by an independent reader: Python's csv module and the office
// suite run headless. The pages of a saved-report run of the same proposal are the reference.
#include "output/ExternalReaders.h"
#include "output/OutputTestFiles.h"
#include "output/WmfReading.h"
#include "tools/ToolTestFiles.h"

#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"
#include "report/QrprntrPrinter.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace quorvel {
namespace {

using namespace testing;

const QString kItens = QStringLiteral(QUORVEL_TEST_DATA "/report/itens-precificados.xml");
const QString kLotes = QStringLiteral(QUORVEL_TEST_DATA "/report/lotes-precificados.xml");
// 40 priced items: three pages.
const QString kVariasPaginas = QStringLiteral(QUORVEL_TEST_DATA "/report_tool/itens-varias-paginas.xml");
const QString kTool = QStringLiteral(QUORVEL_BIN_DIR "/quorvel-report");

class ReportToolExport : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const QString& name) const { return dir.filePath(name); }
    ToolRun Report(const QStringList& args) const { return RunTool(kTool, args, 120000); }
    // Every entry of the folder, hidden ones too (a staging folder left behind would show).
    QStringList Entries() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    // The pages of the proposal's report, as a saved-report run of the tool writes them.
    std::vector<std::unique_ptr<TMetafile>> Pages(const QString& proposal) {
        const QString saved = Path(QStringLiteral("referencia.qrp"));
        EXPECT_EQ(Report({proposal, saved}).ExitCode, 0);
        TQRPrinter store;
        store.Load(saved);
        std::vector<std::unique_ptr<TMetafile>> pages;
        for (int n = 1; n <= store.PageCount(); ++n)
            pages.push_back(store.GetPage(n));
        QFile::remove(saved);
        return pages;
    }
    QTemporaryDir dir;
};

QStringList TextsOf(const TMetafile& page) {
    QStringList texts;
    for (const TMetafileText& text : MetafileTexts(page))
        if (!text.Text.isEmpty()) texts << text.Text;
    return texts;
}

// The image with its horizontal rules (runs of ink longer than 60 pixels) painted white. Scaling the
// page down to fit its margins, the office suite drops or merges some one-pixel lines; the texts,
// shapes and their places are compared without them here, the lines at three times the size by the
// application's band-line test.
QImage WithoutRules(const QImage& image) {
    QImage result = image.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < result.height(); ++y) {
        uchar* line = result.scanLine(y);
        for (int x = 0; x < result.width();) {
            int end = x;
            while (end < result.width() && line[end] < 200)
                ++end;
            if (end - x > 60) std::fill(line + x, line + end, uchar(255));
            x = std::max(end, x + 1);
        }
    }
    return result;
}

QStringList Sorted(QStringList texts) {
    texts.sort();
    return texts;
}

// Every text of the page is one field of the file, and the rows that begin with an item number list
// the report's items in order.
void ExpectEveryTextOnce(const std::vector<QStringList>& rows, const TMetafile& page,
                         const QStringList& items) {
    QStringList fields;
    QStringList numbers;
    for (const QStringList& row : rows) {
        for (const QString& field : row)
            if (!field.isEmpty()) fields << field;
        const auto first =
            std::find_if(row.begin(), row.end(), [](const QString& f) { return !f.isEmpty(); });
        bool number = false;
        if (first != row.end()) first->toInt(&number);
        if (number) numbers << *first;
    }
    EXPECT_EQ(Sorted(fields), Sorted(TextsOf(page)));
    EXPECT_EQ(numbers, items);
}

TEST_F(ReportToolExport, TextAndCsvCarryEveryTextOfThePage) {
    for (const auto& [proposal, items] : {std::pair{kItens, QStringList{"1", "2", "6", "8"}},
                                          std::pair{kLotes, QStringList{"1", "2", "3", "1", "3"}}}) {
        SCOPED_TRACE(proposal.toStdString());
        const auto pages = Pages(proposal);
        ASSERT_EQ(pages.size(), 1u);
        const ToolRun csv = Report({proposal, Path(QStringLiteral("r.csv"))});
        ASSERT_EQ(csv.ExitCode, 0) << csv.Errors.toStdString();
        EXPECT_EQ(csv.Output, QByteArrayLiteral("1 pages\n"));
        EXPECT_EQ(csv.Errors, QByteArray());
        const CsvReading reading = ReadCsvWithPython(Path(QStringLiteral("r.csv")));
        ASSERT_EQ(reading.Error, QString());
        ExpectEveryTextOnce(reading.Rows, *pages.front(), items);
    }

    // A priced item's line: its number under the item heading, its quantity, price, total and brand.
    ASSERT_EQ(Report({kItens, Path(QStringLiteral("i.csv"))}).ExitCode, 0);
    const CsvReading items = ReadCsvWithPython(Path(QStringLiteral("i.csv")));
    ASSERT_EQ(items.Error, QString());
    const auto row = [&](const QString& text) {
        for (const QStringList& r : items.Rows)
            if (r.contains(text)) return r;
        return QStringList();
    };
    const QStringList heads = row(QStringLiteral("Item"));
    const QStringList quantity = row(QStringLiteral("400,0000"));
    const QStringList price = row(QStringLiteral("21,9000"));
    ASSERT_FALSE(heads.isEmpty() || quantity.isEmpty() || price.isEmpty());
    EXPECT_EQ(quantity.indexOf(QStringLiteral("1")), heads.indexOf(QStringLiteral("Item")));
    EXPECT_EQ(quantity.indexOf(QStringLiteral("400,0000")), heads.indexOf(QStringLiteral("Qtde")));
    EXPECT_EQ(price.mid(price.indexOf(QStringLiteral("21,9000")), 3),
              (QStringList{QStringLiteral("21,9000"), QStringLiteral("8.760,00"), QStringLiteral("Chamex")}));

    // The character grid: one line per text line, each ended by CR LF, in the code page.
    const ToolRun txt = Report({kItens, Path(QStringLiteral("r.txt"))});
    ASSERT_EQ(txt.ExitCode, 0) << txt.Errors.toStdString();
    EXPECT_EQ(txt.Output, QByteArrayLiteral("1 pages\n"));
    const QByteArray text = FileBytes(Path(QStringLiteral("r.txt")));
    ASSERT_TRUE(text.endsWith("\r\n"));
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast();
    ASSERT_EQ(lines.size(), 19);
    for (const QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r')) << line.toStdString();
        EXPECT_FALSE(line.trimmed().isEmpty());
    }
    EXPECT_EQ(lines[0].trimmed(), QByteArray("Relat\xF3rio da Digita\xE7\xE3o das Propostas"));
    EXPECT_TRUE(lines[4].simplified().startsWith("Item Un. Especifica\xE7\xE3o do Material Qtde Valor"));
    EXPECT_TRUE(lines[5].simplified().startsWith("1 RM Papel alcalino")) << lines[5].toStdString();
    EXPECT_TRUE(lines[5].trimmed().endsWith("8.760,00  Chamex")) << lines[5].toStdString();
    EXPECT_TRUE(lines.constLast().trimmed().endsWith("P\xE1gina:1"));
}

// Numbers (1.234,56 in the user's separators) are number cells and everything else labels: the
// office suite writes labels quoted and numbers bare, in its own notation.
TEST_F(ReportToolExport, SpreadsheetCellsAreNumbersAndLabelsForTheOfficeSuite) {
    const ToolRun run = Report({QStringLiteral("--fornecedor"), QStringLiteral("Planilha S.A."), kItens,
                                Path(QStringLiteral("itens.xls"))});
    ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
    EXPECT_EQ(run.Output, QByteArrayLiteral("1 pages\n"));
    const OfficeConversion converted = ConvertWithOffice(
        {Path(QStringLiteral("itens.xls"))},
        QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true"), Path(QStringLiteral("csv")));
    ASSERT_EQ(converted.Error, QString());
    const QStringList lines = QString::fromUtf8(FileBytes(converted.Files.front())).split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 22);
    EXPECT_EQ(lines[0], QStringLiteral(",,,,,\"Relatório da Digitação das Propostas\",,,,,"));
    EXPECT_EQ(lines[1], QStringLiteral(",,,,,\"Fornecedor: Planilha S.A.\",,,,,"));
    const QStringList expected = {
        QStringLiteral(",,\"RM\",,,,,21.9,8760,\"Chamex\","),
        QStringLiteral("1,,,\"Papel alcalino para impressão laser e jato de tinta.\",,,400,,,,"),
        QStringLiteral(",,\"UN\",,,,,1.35,2025,\"Bic\","),
        QStringLiteral("2,,,\"Corpo sextavado transparente, tampa e tampão na \",,,1500,,,,"),
        QStringLiteral(",,\"UN\",,,,,689,8268,\"Flexform\","),
        QStringLiteral(",,\"PC\",,,,,24.9,2241,\"União\","),
        QStringLiteral("8,,,\"Sacarose de cana-de-açúcar, cor branca, sem \",,,90,,,,"),
    };
    qsizetype at = 0;
    for (const QString& line : expected) {
        const qsizetype found = lines.indexOf(line, at);
        EXPECT_GT(found, at - 1) << line.toStdString();
        if (found >= 0) at = found + 1;
    }
}

// A word processor lays the one-page lot report on one page, footer included: its lines, set closer
// than the reader sets them, and its right-aligned page number at the margin once pushed the footer
// onto a second page.
TEST_F(ReportToolExport, WordProcessorKeepsAOnePageReportOnOnePage) {
    const ToolRun run = Report({kLotes, Path(QStringLiteral("lotes.rtf"))});
    ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
    EXPECT_EQ(run.Output, QByteArrayLiteral("1 pages\n"));
    const OfficeConversion converted = ConvertWithOffice({Path(QStringLiteral("lotes.rtf"))},
                                                         QStringLiteral("pdf"), Path(QStringLiteral("pdf")));
    ASSERT_EQ(converted.Error, QString());
    const ToolRun info = RunTool(QStringLiteral("pdfinfo"), {converted.Files.front()});
    ASSERT_EQ(info.ExitCode, 0) << info.Errors.toStdString();
    EXPECT_TRUE(QString::fromUtf8(info.Output).contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))))
        << info.Output.toStdString();
    const ToolRun text = RunTool(QStringLiteral("pdftotext"), {converted.Files.front(), QStringLiteral("-")});
    ASSERT_EQ(text.ExitCode, 0);
    for (const char* expected : {"Tavinor", "Data Emiss", "P\xC3\xA1gina:1", "Garantia"})
        EXPECT_TRUE(text.Output.contains(expected)) << expected;
}

// One file per page named after the output with the page number; the office suite draws each as our
// own playback draws the page, and a strict reader finds the page's texts in it.
TEST_F(ReportToolExport, MetafilesAreOneFilePerPageDrawnLikeThePages) {
    const auto pages = Pages(kVariasPaginas);
    ASSERT_EQ(pages.size(), 3u);

    const ToolRun wmf = Report({kVariasPaginas, Path(QStringLiteral("pagina.wmf"))});
    ASSERT_EQ(wmf.ExitCode, 0) << wmf.Errors.toStdString();
    EXPECT_EQ(wmf.Output, QByteArrayLiteral("3 pages\n"));
    // The enhanced kind by --format: the extension follows the kind, not the name given.
    const ToolRun emf = Report({QStringLiteral("--format"), QStringLiteral("emf"), kVariasPaginas,
                                Path(QStringLiteral("quadro.wmf"))});
    ASSERT_EQ(emf.ExitCode, 0) << emf.Errors.toStdString();
    EXPECT_EQ(emf.Output, QByteArrayLiteral("3 pages\n"));
    EXPECT_EQ(Entries(), (QStringList{"pagina001.wmf", "pagina002.wmf", "pagina003.wmf", "quadro001.emf",
                                      "quadro002.emf", "quadro003.emf"}));

    QStringList files;
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        const QString number = QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
        const QStringList texts = TextsOf(*pages[std::size_t(n - 1)]);
        QStringList written;
        for (const WmfText& text : ReadWmf(FileBytes(Path(QStringLiteral("pagina%1.wmf").arg(number)))).Texts)
            if (!text.Text.isEmpty()) written << text.Text;
        EXPECT_EQ(written, texts);
        TMetafile enhanced;
        enhanced.LoadFromFile(Path(QStringLiteral("quadro%1.emf").arg(number)));
        EXPECT_EQ(TextsOf(enhanced), texts);
        files << Path(QStringLiteral("pagina%1.wmf").arg(number))
              << Path(QStringLiteral("quadro%1.emf").arg(number));
    }
    EXPECT_TRUE(TextsOf(*pages[2]).contains(QStringLiteral("Página:3")));

    const OfficeConversion converted =
        ConvertWithOffice(files, QStringLiteral("png"), Path(QStringLiteral("png")));
    ASSERT_EQ(converted.Error, QString());
    for (qsizetype i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].toStdString());
        const QImage drawn = OnWhite(QImage(converted.Files[i]));
        ASSERT_FALSE(drawn.isNull());
        QImage blank(drawn.size(), QImage::Format_RGB32);
        blank.fill(Qt::white);
        EXPECT_FALSE(InkMismatches(blank, drawn).empty()) << "the office suite drew nothing";
        const QImage expected = WithoutRules(PlayAsOfficePage(*pages[std::size_t(i / 2)], drawn.size()));
        for (const TileMismatch& m : InkMismatches(expected, WithoutRules(drawn)))
            ADD_FAILURE() << "tile " << m.Tile.x() << "," << m.Tile.y() << " differs, share " << m.Share;
    }
}

struct PdfFont {
    QString Name;
    QString Type;
    bool Embedded = false;
    bool Subset = false;
};

// The fonts poppler lists for a PDF: name, type and the "emb" and "sub" columns.
std::vector<PdfFont> PdfFonts(const QString& pdf) {
    const ToolRun run = RunTool(QStringLiteral("pdffonts"), {pdf});
    EXPECT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
    std::vector<PdfFont> fonts;
    const QStringList lines = QString::fromUtf8(run.Output).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 2; i < lines.size(); ++i) {
        // name, type (one or more words), encoding, emb, sub, uni, object number, generation
        const QStringList columns = lines[i].simplified().split(u' ');
        if (columns.size() < 8) {
            ADD_FAILURE() << "unexpected pdffonts line: " << lines[i].toStdString();
            continue;
        }
        const qsizetype n = columns.size();
        fonts.push_back({columns[0], columns.mid(1, n - 7).join(u' '), columns[n - 5] == u"yes",
                         columns[n - 4] == u"yes"});
    }
    return fonts;
}

// One page of a PDF drawn by poppler at 96 pixels per inch; with `fontConfig`, fontconfig reads only
// that configuration, so the renderer finds no font but those the PDF carries.
QImage RenderPage(const QString& pdf, int page, const QString& out, const QString& fontConfig = QString()) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!fontConfig.isEmpty()) environment.insert(QStringLiteral("FONTCONFIG_FILE"), fontConfig);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                   QStringLiteral("-singlefile"), QStringLiteral("-f"), QString::number(page),
                   QStringLiteral("-l"), QString::number(page), pdf, out});
    EXPECT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QImage(out + QStringLiteral(".png"));
}

// With --embed-fonts every font of the PDF is an embedded subset of the same fonts the plain PDF
// names; the file stays valid, reads back to the same text, and its pages drawn by a renderer that
// finds no font on the machine look like the tool's own page pictures.
TEST_F(ReportToolExport, EmbeddedFontsTravelWithThePdfAndDrawItsPagesWithoutTheMachinesFonts) {
    const QString named = Path(QStringLiteral("nomeadas.pdf"));
    const QString embedded = Path(QStringLiteral("embutidas.pdf"));
    for (const QStringList& args : {QStringList{kVariasPaginas, named},
                                    QStringList{QStringLiteral("--embed-fonts"), kVariasPaginas, embedded},
                                    QStringList{kVariasPaginas, Path(QStringLiteral("pagina.png"))}}) {
        const ToolRun run = Report(args);
        ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
        EXPECT_EQ(run.Output, QByteArrayLiteral("3 pages\n"));
    }

    const ToolRun check = RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), embedded});
    EXPECT_EQ(check.ExitCode, 0) << check.Output.toStdString() << check.Errors.toStdString();
    EXPECT_TRUE(check.Output.contains("No syntax or stream encoding errors found"))
        << check.Output.toStdString();
    EXPECT_FALSE(check.Output.contains("WARNING") || check.Errors.contains("WARNING"));

    const std::vector<PdfFont> namedFonts = PdfFonts(named);
    const std::vector<PdfFont> embeddedFonts = PdfFonts(embedded);
    ASSERT_EQ(namedFonts.size(), 3u) << "Arial, its bold and its italic";
    ASSERT_EQ(embeddedFonts.size(), namedFonts.size());
    static const QRegularExpression subsetName(QStringLiteral("^[A-Z]{6}\\+(.+)$"));
    for (std::size_t i = 0; i < namedFonts.size(); ++i) {
        SCOPED_TRACE(embeddedFonts[i].Name.toStdString());
        EXPECT_FALSE(namedFonts[i].Embedded) << "without the option the fonts are only named";
        EXPECT_TRUE(embeddedFonts[i].Embedded);
        EXPECT_TRUE(embeddedFonts[i].Subset);
        EXPECT_EQ(embeddedFonts[i].Type, QStringLiteral("TrueType"));
        EXPECT_EQ(subsetName.match(embeddedFonts[i].Name).captured(1), namedFonts[i].Name);
    }

    const ToolRun namedText =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), named, QStringLiteral("-")});
    const ToolRun embeddedText =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), embedded, QStringLiteral("-")});
    ASSERT_EQ(embeddedText.ExitCode, 0) << embeddedText.Errors.toStdString();
    EXPECT_TRUE(QString::fromUtf8(embeddedText.Output).contains(QStringLiteral("Página:3")));
    EXPECT_EQ(embeddedText.Output, namedText.Output);

    // A fontconfig configuration that names no font folder: the renderer finds no font at all.
    const QString noFonts = Path(QStringLiteral("sem-fontes.conf"));
    {
        QFile config(noFonts);
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig/>\n");
    }
    // The pages drawn with only the fonts the file carries are the pages drawn with the machine's own
    // fonts, tile by tile, and they look like the tool's page pictures of the same report. The page
    // picture places each glyph at whole-pixel advances measured at 96 dots per inch where the PDF
    // uses the font's exact widths, so long texts end a few pixels apart: the centred title and the
    // italic footer give 3 tiles on each page, with the machine's fonts as without them. Rules are left
    // out of that comparison: band lines are not what fonts change.
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        const QImage picture(Path(QStringLiteral("pagina-%1.png").arg(page, 3, 10, QLatin1Char('0'))));
        ASSERT_FALSE(picture.isNull());
        const QImage alone = RenderPage(embedded, page, Path(QStringLiteral("sozinha%1").arg(page)), noFonts);
        const QImage withFonts = RenderPage(named, page, Path(QStringLiteral("com-fontes%1").arg(page)));
        ASSERT_FALSE(alone.isNull() || withFonts.isNull());
        for (const TileMismatch& m : InkMismatches(withFonts, alone))
            ADD_FAILURE() << "tile " << m.Tile.x() << "," << m.Tile.y()
                          << " differs from the machine's fonts, share " << m.Share;
        const QImage scaled = alone.scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LE(InkMismatches(WithoutRules(picture), WithoutRules(scaled)).size(), 3u);
    }
    // The option belongs to PDF output: with another format the run is refused and writes nothing.
    const ToolRun html =
        Report({QStringLiteral("--embed-fonts"), kVariasPaginas, Path(QStringLiteral("r.html"))});
    EXPECT_EQ(html.ExitCode, 2);
    EXPECT_EQ(html.Errors, QByteArrayLiteral("quorvel-report: --embed-fonts goes only with PDF output\n"));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("r.html"))));

    // The configuration does hide the machine's fonts: the PDF that only names them loses its texts.
    const QImage lost = RenderPage(named, 1, Path(QStringLiteral("sem-fontes1")), noFonts);
    const QImage picture(Path(QStringLiteral("pagina-001.png")));
    EXPECT_GT(InkMismatches(
                  WithoutRules(picture),
                  WithoutRules(lost.scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)))
                  .size(),
              100u);
}

// A run with one file per page writes all of its pages or none, and leaves the files of the same
// names from an earlier run as they were when it fails.
TEST_F(ReportToolExport, AFailedPageRunLeavesNoPagesAndKeepsTheEarlierOnes) {
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write(QStringLiteral("r001.wmf"), "earlier page 1");
    write(QStringLiteral("r002.wmf"), "earlier page 2");
    // The third page's name is taken by a folder: nothing may be moved into place.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("r003.wmf")));
    const ToolRun blocked = Report({kVariasPaginas, Path(QStringLiteral("r.wmf"))});
    EXPECT_EQ(blocked.ExitCode, 1);
    EXPECT_EQ(blocked.Output, QByteArray());
    EXPECT_TRUE(blocked.Errors.startsWith("quorvel-report: ")) << blocked.Errors.toStdString();
    EXPECT_TRUE(blocked.Errors.contains("r003.wmf")) << blocked.Errors.toStdString();
    EXPECT_EQ(blocked.Errors.count('\n'), 1);
    EXPECT_EQ(FileBytes(Path(QStringLiteral("r001.wmf"))), QByteArrayLiteral("earlier page 1"));
    EXPECT_EQ(FileBytes(Path(QStringLiteral("r002.wmf"))), QByteArrayLiteral("earlier page 2"));
    EXPECT_EQ(Entries(), (QStringList{"r001.wmf", "r002.wmf", "r003.wmf"}));

    // With the way clear the whole set is replaced: placeable metafiles, one per page.
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("r003.wmf")));
    const ToolRun clear = Report({kVariasPaginas, Path(QStringLiteral("r.wmf"))});
    ASSERT_EQ(clear.ExitCode, 0) << clear.Errors.toStdString();
    for (const char* name : {"r001.wmf", "r002.wmf", "r003.wmf"})
        EXPECT_TRUE(FileBytes(Path(QLatin1String(name))).startsWith("\xD7\xCD\xC6\x9A")) << name;
    EXPECT_EQ(Entries(), (QStringList{"r001.wmf", "r002.wmf", "r003.wmf"}));

    // A proposal named like one of the pages is never replaced: the run is refused before it starts.
    ASSERT_TRUE(QFile::copy(kVariasPaginas, Path(QStringLiteral("s002.emf"))));
    const QByteArray proposal = FileBytes(Path(QStringLiteral("s002.emf")));
    const ToolRun own = Report({Path(QStringLiteral("s002.emf")), Path(QStringLiteral("s.emf"))});
    EXPECT_EQ(own.ExitCode, 1);
    EXPECT_TRUE(own.Errors.contains("proposal")) << own.Errors.toStdString();
    EXPECT_EQ(FileBytes(Path(QStringLiteral("s002.emf"))), proposal);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("s001.emf"))));
}

// Control bytes other than tab, CR and LF in a text export.
int StrayControls(const QByteArray& bytes) {
    int count = 0;
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n') ++count;
    return count;
}

// Descriptions are the organiser's text: a formula in one ran in the spreadsheet that opened the CSV,
// and control bytes (NUL, ESC, BEL) went raw into every text export.
TEST_F(ReportToolExport, OrganisersTextNeverRunsAsAFormulaNorCarriesControlBytes) {
    const QString proposal = Path(QStringLiteral("hostil.xml"));
    testing::WriteItemProposal(proposal, {{QStringLiteral("=HYPERLINK(\"http://example.com/x\";\"clique\")"),
                                           true, QStringLiteral("+cmd|' /C calc'!A0")},
                                          {QStringLiteral("@SUM(1+1)\r\n-12,50\r\n- traço inicial"), true,
                                           QStringLiteral("Marca\x1b[31mVermelha\x07")},
                                          {QStringLiteral("Texto com\x01SOH, \x1b"
                                                          "ESC e\ttab")}});

    const ToolRun csv = Report({proposal, Path(QStringLiteral("h.csv"))});
    ASSERT_EQ(csv.ExitCode, 0) << csv.Errors.toStdString();
    const QByteArray csvBytes = FileBytes(Path(QStringLiteral("h.csv")));
    EXPECT_EQ(StrayControls(csvBytes), 0);
    const CsvReading reading = ReadCsvWithPython(Path(QStringLiteral("h.csv")));
    ASSERT_EQ(reading.Error, QString());
    QStringList fields;
    for (const QStringList& row : reading.Rows)
        for (const QString& field : row)
            if (!field.isEmpty()) fields << field;
    for (const QString& shown : {QStringLiteral("'=HYPERLINK(\"http://example.com/x\";\"clique\")"),
                                 QStringLiteral("'+cmd|' /C calc'!A0"), QStringLiteral("'@SUM(1+1)"),
                                 QStringLiteral("'- traço inicial"), QStringLiteral("Marca[31mVermelha"),
                                 QStringLiteral("Texto comSOH, ESC e\ttab")})
        EXPECT_TRUE(fields.contains(shown)) << shown.toStdString() << "\n" << fields.join('|').toStdString();
    // Numbers stay numbers, a negative one too; nothing else begins like a formula.
    EXPECT_TRUE(fields.contains(QStringLiteral("-12,50")));
    EXPECT_TRUE(fields.contains(QStringLiteral("10,0000")));
    for (const QString& field : fields)
        EXPECT_TRUE(field == QStringLiteral("-12,50") || !QStringLiteral("=+-@").contains(field.front()))
            << field.toStdString();

    // The text, as each format writes it: control bytes left out, or as the word processor's own
    // escapes.
    const struct {
        const char* format;
        QByteArrayList texts;
    } outputs[] = {{"txt", {"Texto comSOH, ESC e\ttab", "Marca[31mVermelha"}},
                   {"html", {"Texto&nbsp;comSOH,&nbsp;ESC&nbsp;e\ttab", "Marca[31mVermelha"}},
                   {"rtf", {"Texto com\\'01SOH, \\'1bESC e\ttab", "Marca\\'1b[31mVermelha\\'07"}}};
    for (const auto& o : outputs) {
        SCOPED_TRACE(o.format);
        const QString output = Path(QStringLiteral("h.") + QLatin1String(o.format));
        const ToolRun run = Report({proposal, output});
        ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
        const QByteArray bytes = FileBytes(output);
        EXPECT_EQ(StrayControls(bytes), 0);
        for (const QByteArray& text : o.texts)
            EXPECT_TRUE(bytes.contains(text)) << text.toStdString() << "\n" << bytes.toStdString();
    }
}

} // namespace
} // namespace quorvel
