// quorvel-report through its built binary against files that are not what they seem: outputs that
// are links to the proposal or lead elsewhere, FIFOs, a proposal that is no regular file, page sets
// of an earlier longer run, a run interrupted by a signal, a description of 75,000 lines, a command
// line that repeats an option, and a report without pages.
#include "output/OutputTestFiles.h"
#include "tools/ToolTestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::testing {
namespace {

const QString kTool = QStringLiteral(QUORVEL_BIN_DIR "/quorvel-report");
// 40 priced items: three pages.
const QString kTresPaginas = QStringLiteral(QUORVEL_TEST_DATA "/report_tool/itens-varias-paginas.xml");

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

bool IsFifo(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

class ReportToolFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QFile::copy(kTresPaginas, Path("p.xml")));
        proposal = FileBytes(Path("p.xml"));
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    ToolRun Report(const QStringList& args) const { return RunTool(kTool, args, 120000); }
    QStringList Entries() const {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
    // A refused run: one line naming `mentions`, nothing on standard output, the proposal untouched.
    void ExpectRefused(const ToolRun& run, const QString& mentions) const {
        EXPECT_EQ(run.ExitCode, 1) << run.Errors.toStdString();
        EXPECT_EQ(run.Output, QByteArray());
        EXPECT_TRUE(run.Errors.startsWith("quorvel-report: ")) << run.Errors.toStdString();
        EXPECT_EQ(run.Errors.count('\n'), 1) << run.Errors.toStdString();
        EXPECT_TRUE(QString::fromUtf8(run.Errors).contains(mentions)) << run.Errors.toStdString();
        EXPECT_EQ(FileBytes(Path("p.xml")), proposal);
    }
    QTemporaryDir dir;
    QByteArray proposal;
};

// A page file that was a link to the proposal got page 2's picture written into the proposal.
TEST_F(ReportToolFiles, NoOutputReachesTheProposalThroughALinkAndLinksAreReplacedNotWrittenThrough) {
    struct Case {
        const char* output;
        const char* page; // the name that leads to the proposal
    };
    for (const Case c : {Case{"out.emf", "out002.emf"}, Case{"out.wmf", "out002.wmf"},
                         Case{"out.png", "out-002.png"}, Case{"out.pdf", "out.pdf"}}) {
        SCOPED_TRACE(c.page);
        ASSERT_TRUE(QFile::link(Path("p.xml"), Path(c.page)));
        ExpectRefused(Report({Path("p.xml"), Path(c.output)}), QString::fromLatin1(c.page));
        EXPECT_TRUE(QFileInfo(Path(c.page)).isSymLink());
        ASSERT_TRUE(QFile::remove(Path(c.page)));
        // A hard link is the same file under another name.
        ASSERT_EQ(
            ::link(QFile::encodeName(Path("p.xml")).constData(), QFile::encodeName(Path(c.page)).constData()),
            0);
        ExpectRefused(Report({Path("p.xml"), Path(c.output)}), QStringLiteral("would replace the proposal"));
        ASSERT_TRUE(QFile::remove(Path(c.page)));
        EXPECT_EQ(Entries(), QStringList{QStringLiteral("p.xml")});
    }
    // The proposal named through a link in another folder, the output its real name.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("outra")));
    ASSERT_TRUE(QFile::link(Path("p.xml"), Path("outra/ligada.xml")));
    ExpectRefused(
        Report({QStringLiteral("--format"), QStringLiteral("pdf"), Path("outra/ligada.xml"), Path("p.xml")}),
        QStringLiteral("would replace the proposal"));

    // A page name that leads to another file: the run replaces the link and leaves that file alone.
    Write(Path("outra/alheio.txt"), "not a page");
    ASSERT_TRUE(QFile::link(Path("outra/alheio.txt"), Path("r002.emf")));
    ASSERT_TRUE(QFile::link(Path("outra/alheio.txt"), Path("r.pdf")));
    for (const char* output : {"r.emf", "r.pdf"}) {
        const ToolRun run = Report({Path("p.xml"), Path(QString::fromLatin1(output))});
        ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
        EXPECT_EQ(run.Output, QByteArrayLiteral("3 pages\n"));
    }
    EXPECT_EQ(FileBytes(Path("outra/alheio.txt")), QByteArrayLiteral("not a page"));
    EXPECT_FALSE(QFileInfo(Path("r002.emf")).isSymLink());
    EXPECT_EQ(FileBytes(Path("r002.emf")).mid(40, 4), QByteArrayLiteral(" EMF"));
    EXPECT_FALSE(QFileInfo(Path("r.pdf")).isSymLink());
    EXPECT_TRUE(FileBytes(Path("r.pdf")).startsWith("%PDF-"));
    EXPECT_EQ(FileBytes(Path("p.xml")), proposal);
}

// An output that is a FIFO was renamed over (a device too, as /dev/null was when the tool ran as
// root); a proposal that is no regular file was read for ever or waited on.
TEST_F(ReportToolFiles, OnlyRegularFilesAreReadOrReplaced) {
    for (const char* fifo : {"saida.pdf", "saida.html", "folha002.emf", "foto-001.png"}) {
        SCOPED_TRACE(fifo);
        ASSERT_EQ(::mkfifo(QFile::encodeName(Path(QString::fromLatin1(fifo))).constData(), 0600), 0);
    }
    const struct {
        const char* output;
        const char* fifo;
    } outputs[] = {{"saida.pdf", "saida.pdf"},
                   {"saida.html", "saida.html"},
                   {"folha.emf", "folha002.emf"},
                   {"foto.png", "foto-001.png"}};
    for (const auto& o : outputs) {
        SCOPED_TRACE(o.output);
        const ToolRun run = Report({Path("p.xml"), Path(QString::fromLatin1(o.output))});
        ExpectRefused(run, QStringLiteral("not a regular file"));
        EXPECT_TRUE(run.Errors.contains(o.fifo)) << run.Errors.toStdString();
        EXPECT_TRUE(IsFifo(Path(QString::fromLatin1(o.fifo))));
    }
    EXPECT_EQ(HiddenEntries(dir.path()), QStringList());

    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fila.xml")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("pasta.xml")));
    const struct {
        QString proposal;
        const char* reason;
    } inputs[] = {{Path("fila.xml"), "not a regular file"},
                  {QStringLiteral("/dev/zero"), "not a regular file"},
                  {Path("pasta.xml"), "it is a folder"}};
    for (const auto& in : inputs) {
        SCOPED_TRACE(in.proposal.toStdString());
        const ToolRun run = Report({in.proposal, Path("entrada.pdf")});
        EXPECT_EQ(run.ExitCode, 1) << run.Errors.toStdString();
        EXPECT_EQ(run.Errors, QStringLiteral("quorvel-report: Cannot read \"%1\": %2\n")
                                  .arg(in.proposal, QLatin1String(in.reason))
                                  .toUtf8());
        EXPECT_FALSE(QFileInfo::exists(Path("entrada.pdf")));
    }
}

// A 6-page run, then a 3-page one to the same name, left pages 4 to 6 of the first beside the three
// new ones.
TEST_F(ReportToolFiles, AShorterRunReplacesTheWholePageSet) {
    WritePricedItems(Path("longa.xml"), 150);
    for (const char* output : {"g.emf", "g.png"}) {
        SCOPED_TRACE(output);
        const QString name = QString::fromLatin1(output);
        const ToolRun longer = Report({Path("longa.xml"), Path(name)});
        ASSERT_EQ(longer.ExitCode, 0) << longer.Errors.toStdString();
        const int pages = longer.Output.split(' ').front().toInt();
        ASSERT_GE(pages, 5) << longer.Output.toStdString();
        const QString pattern =
            name.endsWith(QLatin1String(".emf")) ? QStringLiteral("g%1.emf") : QStringLiteral("g-%1.png");
        const auto page = [&](int n) { return Path(pattern.arg(n, 3, 10, QLatin1Char('0'))); };
        ASSERT_TRUE(QFileInfo::exists(page(pages)));
        // Files that only look like pages of the set stay.
        Write(Path(pattern.arg(QStringLiteral("0004"))), "another numbering");
        Write(Path(pattern.arg(QStringLiteral("9x"))), "not a number");

        const ToolRun shorter = Report({Path("p.xml"), Path(name)});
        ASSERT_EQ(shorter.ExitCode, 0) << shorter.Errors.toStdString();
        EXPECT_EQ(shorter.Output, QByteArrayLiteral("3 pages\n"));
        for (int n = 1; n <= pages; ++n)
            EXPECT_EQ(QFileInfo::exists(page(n)), n <= 3) << n;
        EXPECT_EQ(FileBytes(Path(pattern.arg(QStringLiteral("0004")))),
                  QByteArrayLiteral("another numbering"));
        EXPECT_EQ(FileBytes(Path(pattern.arg(QStringLiteral("9x")))), QByteArrayLiteral("not a number"));
    }
    EXPECT_EQ(HiddenEntries(dir.path()), QStringList());
}

// Ctrl-C or TERM during a picture run left its staging folder (114 files, 20 MB) behind.
TEST_F(ReportToolFiles, AnInterruptedRunRemovesItsTemporaryFilesAndExitsAsTheSignalSays) {
    WritePricedItems(Path("longa.xml"), 120);
    // The pictures of an earlier run of that name stay as they were.
    Write(Path("k-001.png"), "earlier page");
    for (const auto& [signal, status] :
         {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}}) {
        SCOPED_TRACE(signal);
        RunningTool run(kTool,
                        {QStringLiteral("--dpi"), QStringLiteral("300"), Path("longa.xml"), Path("k.png")});
        // Interrupted once the staging folder holds a page picture.
        const bool staging = run.WaitUntil(
            [&] {
                const QStringList hidden = HiddenEntries(dir.path());
                return !hidden.isEmpty() && !QDir(Path(hidden.front())).entryList(QDir::Files).isEmpty();
            },
            120000);
        ASSERT_TRUE(staging) << "the run ended before it staged a page";
        run.Signal(signal);
        EXPECT_EQ(run.WaitForExit(60000), status) << run.Errors().toStdString();
        EXPECT_EQ(HiddenEntries(dir.path()), QStringList());
        EXPECT_EQ(FileBytes(Path("k-001.png")), QByteArrayLiteral("earlier page"));
        EXPECT_FALSE(QFileInfo::exists(Path("k-002.png")));
    }
}

// A description of 75,000 lines printed 63,060 of them: the engine cut the text after 1,000 pages.
TEST_F(ReportToolFiles, ALongDescriptionPrintsEveryLineOnceInOrder) {
    constexpr int kLines = 75000;
    QStringList lines;
    for (int i = 1; i <= kLines; ++i)
        lines.append(QStringLiteral("Linha %1 da especificação").arg(i));
    WriteItemProposal(Path("longa.xml"),
                      {{lines.join(QStringLiteral("\r\n"))}, {QStringLiteral("Item seguinte")}});
    const ToolRun run = Report({Path("longa.xml"), Path("longa.pdf")});
    ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
    const int pages = run.Output.split(' ').front().toInt();
    EXPECT_GT(pages, 1000) << run.Output.toStdString();

    const ToolRun text =
        RunTool(QStringLiteral("pdftotext"), {Path("longa.pdf"), QStringLiteral("-")}, 120000);
    ASSERT_EQ(text.ExitCode, 0) << text.Errors.toStdString();
    const QString printed = QString::fromUtf8(text.Output);
    static const QRegularExpression line(QStringLiteral("Linha (\\d+) da especificação"));
    int expected = 1;
    int outOfOrder = 0;
    for (auto match = line.globalMatch(printed); match.hasNext();) {
        if (match.next().captured(1).toInt() != expected) ++outOfOrder;
        ++expected;
    }
    EXPECT_EQ(expected - 1, kLines);
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_EQ(printed.count(QStringLiteral("Item seguinte")), 1);
    EXPECT_TRUE(printed.contains(QStringLiteral("Página:%1").arg(pages)));
}

// "--format pdf --format html" wrote HTML into o.pdf; --help was an unknown option; a report without
// a priced item wrote a PDF of one blank page and said "0 pages".
TEST_F(ReportToolFiles, TheCommandLineSaysWhatItDoesAndAnEmptyReportWritesNothing) {
    for (const QStringList& args : {QStringList{QStringLiteral("--format"), QStringLiteral("pdf"),
                                                QStringLiteral("--format"), QStringLiteral("html")},
                                    QStringList{QStringLiteral("--order"), QStringLiteral("numero"),
                                                QStringLiteral("--order"), QStringLiteral("especificacao")},
                                    QStringList{QStringLiteral("--dpi"), QStringLiteral("96"),
                                                QStringLiteral("--dpi"), QStringLiteral("150")}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolRun run = Report(args + QStringList{Path("p.xml"), Path("o.pdf")});
        EXPECT_EQ(run.ExitCode, 2);
        EXPECT_EQ(run.Errors,
                  QStringLiteral("quorvel-report: %1 is given more than once\n").arg(args.front()).toUtf8());
        EXPECT_FALSE(QFileInfo::exists(Path("o.pdf")));
    }

    for (const char* help : {"--help", "-h"}) {
        SCOPED_TRACE(help);
        const ToolRun run = Report({QString::fromLatin1(help), Path("p.xml"), Path("o.pdf")});
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_EQ(run.Errors, QByteArray());
        EXPECT_TRUE(run.Output.startsWith("usage: quorvel-report ")) << run.Output.toStdString();
        EXPECT_TRUE(run.Output.contains("3 when there is nothing to print (no item has a price)"))
            << run.Output.toStdString();
        EXPECT_FALSE(QFileInfo::exists(Path("o.pdf")));
    }

    WriteItemProposal(Path("sem-precos.xml"),
                      {{QStringLiteral("Caneta"), false}, {QStringLiteral("Lápis"), false}});
    Write(Path("antigo.pdf"), "earlier report");
    for (const char* output : {"antigo.pdf", "v.html", "v.csv", "v.qrp", "v.emf", "v.png"}) {
        SCOPED_TRACE(output);
        const ToolRun run = Report({Path("sem-precos.xml"), Path(QString::fromLatin1(output))});
        EXPECT_EQ(run.ExitCode, 3);
        EXPECT_EQ(run.Output, QByteArray());
        EXPECT_EQ(run.Errors, QByteArrayLiteral("quorvel-report: nothing to print: no item has a price\n"));
    }
    EXPECT_EQ(FileBytes(Path("antigo.pdf")), QByteArrayLiteral("earlier report"));
    EXPECT_EQ(Entries(), (QStringList{"antigo.pdf", "p.xml", "sem-precos.xml"}));
}

// The tool's messages are English, the store's descriptions of a damaged proposal among them.
TEST_F(ReportToolFiles, MessagesAreInEnglish) {
    Write(Path("cortado.xml"), proposal.left(4096));
    const ToolRun run = Report({Path("cortado.xml"), Path("c.pdf")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Errors,
              QStringLiteral("quorvel-report: Cannot read \"%1\": the content is not a well-formed "
                             "data packet, or it ends before the end of the document (error 16389, "
                             "offset 4096)\n")
                  .arg(Path("cortado.xml"))
                  .toUtf8());
}

} // namespace
} // namespace quorvel::testing
