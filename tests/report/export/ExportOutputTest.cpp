#include "report/export/ExportOutput.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

using namespace quorvel;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name);
}

} // namespace

// An export's bytes go out in blocks while it runs; the file takes its name only at Commit, and
// offsets (Size) count every byte, written out or not.
TEST(ExportOutput, StreamsItsBlocksAndTakesTheNameOnlyWhenCommitted) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("relatorio.htm"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();

    QByteArray expected;
    {
        TExportOutput output(path);
        for (int i = 0; i < 20000; ++i) {
            const std::string line = "<div>" + std::to_string(i) + "</div>";
            EXPECT_EQ(output.Size(), expected.size());
            output.WriteLine(line);
            expected += QByteArray::fromStdString(line) + "\r\n";
        }
        EXPECT_EQ(output.Size(), expected.size());
        EXPECT_GT(expected.size(), 256 * 1024) << "several blocks were written out";
        EXPECT_EQ(ReadAll(path), "earlier");
    }
    EXPECT_EQ(ReadAll(path), "earlier") << "an export given up leaves the earlier file";
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("relatorio.htm")}) << "and no temporary file";

    TExportOutput output(path);
    output.Write(std::string_view(expected.constData(), static_cast<std::size_t>(expected.size())));
    output.Write("end");
    output.Commit();
    EXPECT_EQ(ReadAll(path), expected + "end");
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("relatorio.htm")});

    TExportOutput memory{QString()};
    memory.WriteLine("a");
    memory.Write(std::string(100000, 'b'));
    memory.Commit();
    EXPECT_EQ(memory.Bytes(), "a\r\n" + QByteArray(100000, 'b')) << "a memory-stream output keeps every byte";
}
