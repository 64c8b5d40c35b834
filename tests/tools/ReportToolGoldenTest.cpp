// The exact bytes of a fixed quorvel-report run: the PDF, the metafile page set and the saved-report
// file of an item-mode and a lot-mode proposal are the reference files under tests/data/golden,
// apart from the moment of the run (the PDF's creation date, the saved report's date field and the
// issue date the pages print).
// Any change in layout, engine, page store or filter that moves a byte shows here.
#include "report/export/OutputTestFiles.h"
#include "tools/ToolTestFiles.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace quorvel {
namespace {

using namespace testing;

const QString kTool = QStringLiteral(QUORVEL_BIN_DIR "/quorvel-report");
const QString kGolden = QStringLiteral(QUORVEL_TEST_DATA "/golden/");

// The bytes with every printed date (dd/mm/yyyy, in single-byte text or in UTF-16LE as metafiles and
// saved reports keep it) turned into 00/00/0000, so that the issue date on the pages does not tie the
// reference files to the day they were made.
QByteArray WithoutPrintedDates(QByteArray bytes) {
    static const QRegularExpression narrow(QStringLiteral("\\d\\d/\\d\\d/\\d{4}"));
    static const QRegularExpression wide(
        QStringLiteral("\\d\\x00\\d\\x00/\\x00\\d\\x00\\d\\x00/\\x00(?:\\d\\x00){4}"));
    const QString zero = QStringLiteral("00/00/0000");
    QString wideZero;
    for (const QChar c : zero)
        wideZero.append(c).append(QChar(0));
    QString text = QString::fromLatin1(bytes);
    text.replace(narrow, zero);
    text.replace(wide, wideZero);
    return text.toLatin1();
}

// A reference file, its printed dates masked.
QByteArray Golden(const QString& name) {
    return WithoutPrintedDates(FileBytes(kGolden + name));
}

// The PDF with its creation date replaced by a fixed text of the same length.
QByteArray WithoutCreationDate(QByteArray pdf) {
    static const QRegularExpression date(
        QStringLiteral("/CreationDate \\(\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d UTC\\)"));
    QString text = QString::fromLatin1(pdf);
    const int replaced = int(text.count(date));
    text.replace(date, QStringLiteral("/CreationDate (00/00/0000 00:00:00 UTC)"));
    return replaced == 1 ? text.toLatin1() : QByteArray("<no single creation date>");
}

// The saved report with the date and time field of its header (bytes 16 to 23) zeroed.
QByteArray WithoutRunDate(QByteArray qrp) {
    if (qrp.size() < 24) return QByteArray("<no header>");
    qrp.replace(16, 8, QByteArray(8, '\0'));
    return qrp;
}

// Where two byte strings first differ ("same" when they do not), so that a failure names the offset
// instead of printing both files.
std::string FirstDifference(const QByteArray& written, const QByteArray& golden) {
    const qsizetype common = std::min(written.size(), golden.size());
    for (qsizetype i = 0; i < common; ++i)
        if (written[i] != golden[i]) return "byte " + std::to_string(i);
    if (written.size() != golden.size())
        return "length " + std::to_string(written.size()) + " against " + std::to_string(golden.size());
    return "same";
}

class ReportToolGolden : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // Runs the tool over one of the test proposals into `output`; checks the page count it reports.
    void Run(const QString& proposal, const QString& output, const QString& format, int pages) {
        const ToolRun run = RunTool(kTool,
                                    {QStringLiteral("--fornecedor"), QStringLiteral("Fornecedor Fixo"),
                                     QStringLiteral("--format"), format, proposal, dir.filePath(output)},
                                    120000);
        ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
        EXPECT_EQ(run.Output.trimmed().toStdString(), QStringLiteral("%1 pages").arg(pages).toStdString());
    }
    // A file of the run, its printed dates masked.
    QByteArray Written(const QString& name) const {
        return WithoutPrintedDates(FileBytes(dir.filePath(name)));
    }

    QTemporaryDir dir;
};

const QString kItens = QStringLiteral(QUORVEL_TEST_DATA "/report_tool/itens-varias-paginas.xml");
const QString kLotes = QStringLiteral(QUORVEL_TEST_DATA "/report/lotes-precificados.xml");

TEST_F(ReportToolGolden, ItemModeOverThreePagesWritesTheReferenceBytes) {
    Run(kItens, QStringLiteral("itens.pdf"), QStringLiteral("pdf"), 3);
    EXPECT_EQ(FirstDifference(WithoutCreationDate(Written(QStringLiteral("itens.pdf"))),
                              WithoutCreationDate(Golden(QStringLiteral("itens.pdf")))),
              "same");

    Run(kItens, QStringLiteral("itens.emf"), QStringLiteral("emf"), 3);
    for (const QString& page :
         {QStringLiteral("itens001.emf"), QStringLiteral("itens002.emf"), QStringLiteral("itens003.emf")})
        EXPECT_EQ(FirstDifference(Written(page), Golden(page)), "same") << page.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("itens004.emf"))));

    Run(kItens, QStringLiteral("itens.qrp"), QStringLiteral("qrp"), 3);
    EXPECT_EQ(FirstDifference(WithoutRunDate(Written(QStringLiteral("itens.qrp"))),
                              WithoutRunDate(Golden(QStringLiteral("itens.qrp")))),
              "same");
}

TEST_F(ReportToolGolden, LotModeWritesTheReferenceBytes) {
    Run(kLotes, QStringLiteral("lotes.pdf"), QStringLiteral("pdf"), 1);
    EXPECT_EQ(FirstDifference(WithoutCreationDate(Written(QStringLiteral("lotes.pdf"))),
                              WithoutCreationDate(Golden(QStringLiteral("lotes.pdf")))),
              "same");

    Run(kLotes, QStringLiteral("lotes.emf"), QStringLiteral("emf"), 1);
    EXPECT_EQ(
        FirstDifference(Written(QStringLiteral("lotes001.emf")), Golden(QStringLiteral("lotes001.emf"))),
        "same");
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("lotes002.emf"))));

    Run(kLotes, QStringLiteral("lotes.qrp"), QStringLiteral("qrp"), 1);
    EXPECT_EQ(FirstDifference(WithoutRunDate(Written(QStringLiteral("lotes.qrp"))),
                              WithoutRunDate(Golden(QStringLiteral("lotes.qrp")))),
              "same");
}

} // namespace
} // namespace quorvel
