// quorvel-report through its built binary: both layouts in both orders, every output format, the
// supplier line's sources, printing to the test queue, and each failure.
#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"
#include "report/pagestore/QrprntrPrinter.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

const QString kItens = QStringLiteral(QUORVEL_TEST_DATA "/report/itens-precificados.xml");
const QString kLotes = QStringLiteral(QUORVEL_TEST_DATA "/report/lotes-precificados.xml");
const QString kTool = QStringLiteral(QUORVEL_BIN_DIR "/quorvel-report");

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun Report(const QStringList& args, const QString& program = kTool) {
    QProcess process;
    process.start(program, args);
    ToolRun run;
    if (!process.waitForFinished(60000)) return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArrayLiteral("<missing>");
    return file.readAll();
}

// The text of a PDF, one entry per page, lines with their runs of blanks reduced to one blank.
QStringList PdfPages(const QString& path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(30000)) return {QStringLiteral("pdftotext did not finish")};
    QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.constLast().trimmed().isEmpty()) pages.removeLast();
    for (QString& page : pages) {
        QStringList lines;
        for (const QString& line : page.split(QLatin1Char('\n')))
            if (!line.trimmed().isEmpty()) lines << line.simplified();
        page = lines.join(QLatin1Char('\n'));
    }
    return pages;
}

// The first cell of each item line: the item numbers in the order the report lists them.
QStringList ItemNumbers(const QString& page, const QString& afterLine) {
    QStringList numbers;
    bool inside = afterLine.isEmpty();
    static const QRegularExpression itemLine(QStringLiteral("^(\\d+) (RM|UN|CX|FR|GL|PC|FD) "));
    for (const QString& line : page.split(QLatin1Char('\n'))) {
        if (!inside) {
            inside = line == afterLine;
            continue;
        }
        const QRegularExpressionMatch match = itemLine.match(line);
        if (match.hasMatch()) numbers << match.captured(1);
    }
    return numbers;
}

const QString kToday = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));

class ReportTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(ReportTool, ItemLayoutListsPricedItemsInEitherOrderAndLeavesTheProposalAlone) {
    const QByteArray before = Bytes(kItens);
    const QDateTime modified = QFileInfo(kItens).lastModified();

    const ToolRun byNumber = Report({QStringLiteral("--fornecedor"), QStringLiteral("Comércio Ágil"), kItens,
                                     Path(QStringLiteral("numero.pdf"))});
    ASSERT_EQ(byNumber.exitCode, 0) << byNumber.err.toStdString();
    EXPECT_EQ(byNumber.out, QStringLiteral("1 pages\n"));
    EXPECT_EQ(byNumber.err, QString());
    const QStringList pages = PdfPages(Path(QStringLiteral("numero.pdf")));
    ASSERT_EQ(pages.size(), 1);
    const QStringList lines = pages[0].split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines.mid(0, 5),
              (QStringList{QStringLiteral("Relatório da Digitação das Propostas"),
                           QStringLiteral("Fornecedor: Comércio Ágil"),
                           QStringLiteral("Pregão: PE - 137/2026"), QStringLiteral("POR ITEM"),
                           QStringLiteral("Item Un. Especificação do Material Qtde Valor Total Marca")}));
    // The unpriced items (3, 5, 7) and the one priced at zero (4) are left out.
    EXPECT_EQ(ItemNumbers(pages[0], {}), (QStringList{"1", "2", "6", "8"}));
    EXPECT_TRUE(lines.contains(QStringLiteral(
        "1 RM Papel alcalino para impressão laser e jato de tinta. 400,0000 21,9000 8.760,00 Chamex")))
        << pages[0].toStdString();
    EXPECT_EQ(lines.constLast(),
              QStringLiteral("Tavinor Informática Ltda. Data Emissão:%1 Página:1").arg(kToday));

    const ToolRun byDescription = Report({QStringLiteral("--order"), QStringLiteral("especificacao"), kItens,
                                          Path(QStringLiteral("especificacao.pdf"))});
    ASSERT_EQ(byDescription.exitCode, 0) << byDescription.err.toStdString();
    // Açúcar, Cadeira, Caneta, Papel.
    EXPECT_EQ(ItemNumbers(PdfPages(Path(QStringLiteral("especificacao.pdf"))).value(0), {}),
              (QStringList{"8", "6", "2", "1"}));

    EXPECT_EQ(Bytes(kItens), before);
    EXPECT_EQ(QFileInfo(kItens).lastModified(), modified);
}

// The tool needs no window system: with no display and no platform named in the environment it
// writes the same pages, the auction line taken from the proposal's fields.
TEST_F(ReportTool, RunsWithoutADisplayAndWritesTheSamePages) {
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        bare.remove(QString::fromLatin1(name));
    for (const QString& proposal : {kItens, kLotes}) {
        const QString withDisplay = Path(QStringLiteral("com.pdf"));
        const QString without = Path(QStringLiteral("sem.pdf"));
        ASSERT_EQ(Report({proposal, withDisplay}).exitCode, 0);
        QProcess process;
        process.setProcessEnvironment(bare);
        process.start(kTool, {proposal, without});
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        EXPECT_EQ(process.readAllStandardOutput(), QByteArrayLiteral("1 pages\n"));
        // Byte for byte, apart from the moment each was made.
        static const QRegularExpression creation(QStringLiteral("/CreationDate \\([^)]*\\)"));
        EXPECT_EQ(QString::fromLatin1(Bytes(without)).remove(creation),
                  QString::fromLatin1(Bytes(withDisplay)).remove(creation));
        EXPECT_TRUE(PdfPages(without).value(0).contains(proposal == kItens
                                                            ? QStringLiteral("Pregão: PE - 137/2026")
                                                            : QStringLiteral("Pregão: PE\nPOR LOTE")))
            << PdfPages(without).value(0).toStdString();
    }
}

TEST_F(ReportTool, LotLayoutPrintsEveryLotWithItsPricedItemsInTheChosenOrder) {
    const QByteArray before = Bytes(kLotes);
    const ToolRun run = Report({QStringLiteral("--order"), QStringLiteral("especificacao"), kLotes,
                                Path(QStringLiteral("lotes.pdf"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("1 pages\n"));
    const QString page = PdfPages(Path(QStringLiteral("lotes.pdf"))).value(0);
    const QStringList lines = page.split(QLatin1Char('\n'));
    // Without a registration beside the program the supplier comes from the proposal's first row; the
    // auction line carries the sigla alone.
    EXPECT_EQ(lines.mid(0, 5), (QStringList{QStringLiteral("Relatório da Digitação das Propostas"),
                                            QStringLiteral("Fornecedor: Distribuidora Boa Vista Ltda."),
                                            QStringLiteral("Pregão: PE"), QStringLiteral("POR LOTE"),
                                            QStringLiteral("Descrição do Lote Valor do Lote")}));
    const QString heads = QStringLiteral("Item/Un. Especificação do Material Valor Qtde Valor Total Marca");
    const int first = lines.indexOf(QStringLiteral("Material de escritório e expediente 6.935,0000"));
    const int second = lines.indexOf(QStringLiteral("Material de limpeza e higienização"));
    const int third = lines.indexOf(QStringLiteral("Equipamentos e acessórios de informática 18.098,0000"));
    ASSERT_TRUE(first > 0 && second > first && third > second) << page.toStdString();
    EXPECT_EQ(lines[first + 1], heads);
    // A lot without priced items keeps its description, an empty value and the column heads.
    EXPECT_EQ(lines[second + 1], heads);
    EXPECT_EQ(lines[second + 2], lines[third]);
    // Within each lot the items follow their descriptions: Caneta, Papel, Pasta; Monitor, Mouse.
    EXPECT_EQ(ItemNumbers(lines.mid(first, second - first).join('\n'), {}), (QStringList{"2", "1", "3"}));
    EXPECT_EQ(ItemNumbers(lines.mid(third).join('\n'), {}), (QStringList{"3", "1"}));

    ASSERT_EQ(Report({kLotes, Path(QStringLiteral("numero.pdf"))}).exitCode, 0);
    const QString byNumber = PdfPages(Path(QStringLiteral("numero.pdf"))).value(0);
    EXPECT_EQ(ItemNumbers(byNumber, {}), (QStringList{"1", "2", "3", "1", "3"}));
    EXPECT_EQ(Bytes(kLotes), before);
}

TEST_F(ReportTool, EveryFormatFromTheOptionOrTheExtension) {
    const QStringList common{QStringLiteral("--fornecedor"), QStringLiteral("Fornecedor Único")};

    ASSERT_EQ(Report(common + QStringList{kItens, Path(QStringLiteral("r.HTML"))}).exitCode, 0);
    const QString html = QString::fromUtf8(Bytes(Path(QStringLiteral("r.HTML"))));
    EXPECT_TRUE(html.contains(QStringLiteral("<html"), Qt::CaseInsensitive)) << html.left(200).toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("Chamex")));

    ASSERT_EQ(Report(common + QStringList{kItens, Path(QStringLiteral("r.rtf"))}).exitCode, 0);
    const QByteArray rtf = Bytes(Path(QStringLiteral("r.rtf")));
    EXPECT_TRUE(rtf.startsWith("{\\rtf1")) << rtf.left(40).toStdString();
    EXPECT_TRUE(rtf.contains("Flexform"));

    // --format wins over the extension.
    const ToolRun qrp = Report(common + QStringList{QStringLiteral("--format"), QStringLiteral("qrp"), kLotes,
                                                    Path(QStringLiteral("paginas.pdf"))});
    ASSERT_EQ(qrp.exitCode, 0) << qrp.err.toStdString();
    quorvel::TQRPrinter saved;
    saved.Load(Path(QStringLiteral("paginas.pdf")));
    ASSERT_EQ(saved.PageCount(), 1);
    const std::unique_ptr<quorvel::TMetafile> page = saved.GetPage(1);
    ASSERT_NE(page, nullptr);
    QStringList texts;
    for (const quorvel::TMetafileText& text : quorvel::MetafileTexts(*page))
        texts << text.Text;
    EXPECT_EQ(texts.mid(0, 4), (QStringList{QStringLiteral("Relatório da Digitação das Propostas"),
                                            QStringLiteral("Fornecedor: Fornecedor Único"),
                                            QStringLiteral("Pregão: PE"), QStringLiteral("POR LOTE")}));

    // Pictures: one per page, numbered before the extension, A4 at the asked resolution.
    const ToolRun png = Report(common + QStringList{QStringLiteral("--dpi"), QStringLiteral("150"), kItens,
                                                    Path(QStringLiteral("pagina.png"))});
    ASSERT_EQ(png.exitCode, 0) << png.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("pagina.png"))));
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("pagina-002.png"))));
    const QImage picture(Path(QStringLiteral("pagina-001.png")));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(1240, 1754));
    EXPECT_EQ(picture.pixelColor(5, 5), QColor(Qt::white));
    // The title's ink lies in the top band, centred on the page.
    int inkLeft = picture.width();
    int inkRight = -1;
    for (int y = 118; y < 160; ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) < 128) {
                inkLeft = std::min(inkLeft, x);
                inkRight = std::max(inkRight, x);
            }
    ASSERT_GT(inkRight, inkLeft);
    EXPECT_NEAR((inkLeft + inkRight) / 2.0, 620, 12);

    ASSERT_EQ(Report(common + QStringList{kItens, Path(QStringLiteral("padrao.png"))}).exitCode, 0);
    EXPECT_EQ(QImage(Path(QStringLiteral("padrao-001.png"))).size(), QSize(794, 1123));
}

TEST_F(ReportTool, SupplierLineComesFromTheOptionThenTheRegistrationThenTheFile) {
    // A copy of the program in a folder of its own, with a registration beside it.
    const QString program = Path(QStringLiteral("bin/quorvel-report"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("bin"))));
    ASSERT_TRUE(QFile::copy(kTool, program));
    QFile ini(Path(QStringLiteral("bin/config.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        "[FORNECEDOR]\r\nRAZAOSOCIAL=Registrada \xC0 Parte S.A.\r\nIDENTIFICADOR=1\r\nTIPOEMPRESA=1\r\n");
    ini.close();

    const auto supplierLine = [&](const QStringList& args) {
        const ToolRun run = Report(args + QStringList{kItens, Path(QStringLiteral("f.pdf"))}, program);
        if (run.exitCode != 0) return run.err;
        return PdfPages(Path(QStringLiteral("f.pdf"))).value(0).section(QLatin1Char('\n'), 1, 1);
    };
    EXPECT_EQ(supplierLine({}), QStringLiteral("Fornecedor: Registrada À Parte S.A."));
    EXPECT_EQ(supplierLine({QStringLiteral("--fornecedor"), QStringLiteral("Dada na Linha")}),
              QStringLiteral("Fornecedor: Dada na Linha"));
    ASSERT_TRUE(QFile::remove(Path(QStringLiteral("bin/config.ini"))));
    EXPECT_EQ(supplierLine({}), QStringLiteral("Fornecedor: Papelaria Central do Recife Ltda."));
    // The tool does not create a registration where there was none.
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("bin/config.ini"))));
}

TEST_F(ReportTool, EveryFailureIsOneLineANonZeroExitAndNoOutput) {
    QFile bad(Path(QStringLiteral("ruim.xml")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("<DATAPACKET Version=\"2.0\"><METADATA>");
    bad.close();
    QFile old(Path(QStringLiteral("antigo.pdf")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    const QByteArray proposal = Bytes(kItens);

    struct Case {
        const char* what;
        QStringList args;
        QString output;   // must not exist afterwards
        QString mentions; // a part of the message
    };
    const Case cases[] = {
        {"missing proposal", {Path("nada.xml"), Path("a.pdf")}, Path("a.pdf"), QStringLiteral("nada.xml")},
        {"unreadable proposal", {Path("ruim.xml"), Path("b.pdf")}, Path("b.pdf"), QStringLiteral("ruim.xml")},
        {"unknown extension", {kItens, Path("c.doc")}, Path("c.doc"), QStringLiteral("\"doc\"")},
        {"unknown format",
         {"--format", "odt", kItens, Path("d.pdf")},
         Path("d.pdf"),
         QStringLiteral("\"odt\"")},
        {"missing folder",
         {kItens, Path("sem/pasta/e.pdf")},
         Path("sem/pasta/e.pdf"),
         QStringLiteral("e.pdf")},
        {"missing folder, pictures",
         {kItens, Path("sem/f.png")},
         Path("sem/f-001.png"),
         QStringLiteral("f-001.png")},
        {"missing folder, metafiles",
         {kItens, Path("sem/m.wmf")},
         Path("sem/m001.wmf"),
         QStringLiteral("m001.wmf")},
        {"output is the proposal",
         {"--format", "pdf", kItens, kItens},
         QString(),
         QStringLiteral("proposal")},
        {"unknown order",
         {"--order", "preco", kItens, Path("g.pdf")},
         Path("g.pdf"),
         QStringLiteral("preco")},
        {"bad resolution", {"--dpi", "0", kItens, Path("h.png")}, Path("h-001.png"), QStringLiteral("--dpi")},
        {"no output", {kItens}, QString(), QStringLiteral("OUTPUT")},
        {"unknown printer", {"--print", "--printer", "Fila Que Nao Existe", kItens}, QString(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ToolRun run = Report(c.args);
        EXPECT_GT(run.exitCode, 0);
        EXPECT_EQ(run.out, QString());
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("quorvel-report: "))) << run.err.toStdString();
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.mentions)) << run.err.toStdString();
        if (!c.output.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(c.output));
        }
    }
    // A failing run leaves an existing output as it was.
    EXPECT_NE(Report({Path(QStringLiteral("ruim.xml")), Path(QStringLiteral("antigo.pdf"))}).exitCode, 0);
    EXPECT_EQ(Bytes(Path(QStringLiteral("antigo.pdf"))), QByteArrayLiteral("old"));
    EXPECT_EQ(Bytes(kItens), proposal);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("antigo.pdf"), QStringLiteral("ruim.xml")}));
}

// ./test sets up a CUPS queue whose jobs land as PDF files; without it the test is skipped, except
// where QUORVEL_REQUIRE_PRINTER asks for it.
TEST_F(ReportTool, PrintSendsTheReportToTheNamedQueue) {
    const QString queue = qEnvironmentVariable("QUORVEL_TEST_PRINTER");
    const QDir output(qEnvironmentVariable("QUORVEL_TEST_PRINTER_OUTPUT"));
    if (queue.isEmpty() || !output.exists()) {
        if (qEnvironmentVariableIsSet("QUORVEL_REQUIRE_PRINTER")) FAIL() << "no test print queue";
        GTEST_SKIP() << "no test print queue";
    }
    const QStringList before = output.entryList({QStringLiteral("*.pdf")}, QDir::Files);
    const QString supplier = QStringLiteral("Impresso %1").arg(QDateTime::currentMSecsSinceEpoch());
    const ToolRun run = Report({QStringLiteral("--print"), QStringLiteral("--printer"), queue,
                                QStringLiteral("--fornecedor"), supplier, kLotes});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("1 pages\n"));

    // Other tests print to the same queue: the job is the new file that carries this run's supplier.
    QString printed;
    const QDeadlineTimer deadline(60000);
    while (printed.isEmpty() && !deadline.hasExpired()) {
        for (const QString& name : output.entryList({QStringLiteral("*.pdf")}, QDir::Files)) {
            if (before.contains(name)) continue;
            const QString text = PdfPages(output.filePath(name)).join(QLatin1Char('\n'));
            if (text.contains(supplier)) printed = text;
        }
        if (printed.isEmpty()) QThread::msleep(250);
    }
    ASSERT_FALSE(printed.isEmpty()) << "no printed page carries " << supplier.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("Material de escritório e expediente 6.935,0000")))
        << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("Pregão: PE\nPOR LOTE")));
}

} // namespace
