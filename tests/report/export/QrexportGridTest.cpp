#include "report/export/Qrexport.h"

#include "platform/Exceptions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

// Writes each processed page as its grid: one line per grid line, cells separated by ';'.
class TGridDumpFilter : public TQRAbstractExportFilter {
public:
    using TQRAbstractExportFilter::SetColumnTolerance;
    using TQRAbstractExportFilter::TQRAbstractExportFilter;
    void StorePage() override {
        for (int line = 1; line <= GetLinecount(); ++line) {
            QString row;
            for (int column = 1; column <= ColCount(); ++column)
                row += (column > 1 ? QStringLiteral(";") : QString()) + GetText(line, column);
            WriteLnToStream(row);
        }
        WriteLnToStream(QStringLiteral("--"));
    }
};

void Text(TQRExportFilter& filter, double x, double y, const QString& text) {
    filter.TextOut(x, y, TFont(), clWhite, TAlignment::taLeftJustify, text);
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(PositionGrid, GroupsByRoundedValueAndNumbersWithinTolerance) {
    TQRPositions columns(1.0);
    columns.StartCollecting();
    for (double x : {300.0, 100.2, 100.4, 0.0, 50.0})
        columns.AddPosition(x);
    columns.NumberPositions();
    columns.AddPosition(70.0); // no longer collecting
    ASSERT_EQ(columns.Entries().size(), 4u);
    EXPECT_DOUBLE_EQ(columns.Entries()[1].Value, 100.2);
    EXPECT_EQ(columns.Entries()[1].ClientCount, 2);
    EXPECT_EQ(columns.PositionNumber(50.0), 1);
    EXPECT_EQ(columns.PositionNumber(100.4), 2);
    EXPECT_EQ(columns.PositionNumber(300.0), 3);
    EXPECT_EQ(columns.PositionNumber(0.0), 0) << "positions at 0 are never numbered";
    EXPECT_EQ(columns.PositionNumber(200.0), 0);

    TQRPositions exact(0.0);
    exact.StartCollecting();
    exact.AddPosition(100.2);
    exact.AddPosition(100.4);
    exact.NumberPositions();
    EXPECT_EQ(exact.PositionNumber(100.2), 1);
    EXPECT_EQ(exact.PositionNumber(100.4), 0);

    // Halves round to the even neighbour: 100.5 and 99.5 both round to 100 and share a group.
    TQRPositions halves;
    halves.StartCollecting();
    halves.AddPosition(100.5);
    halves.AddPosition(99.5);
    halves.AddPosition(101.5);
    EXPECT_EQ(halves.Entries().size(), 2u);
}

TEST(TextGridFilter, PagesBecomeGridsAndTheFileAppearsOnlyWhenFinished) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grid.txt"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();

    TGridDumpFilter filter(path);
    filter.Start(2100, 2970, TFont(QStringLiteral("Arial"), 10));
    EXPECT_NEAR(filter.CharHeight(), 35.2777, 1e-3);
    EXPECT_EQ(filter.GetLinecount(), 84) << "2970 / 35.277… rounded";
    filter.EndPage(); // the engine's call before the first page: an empty grid
    EXPECT_EQ(filter.GetLinecount(), 0);
    EXPECT_EQ(filter.ColCount(), 0);
    EXPECT_TRUE(filter.PageProcessed());

    filter.NewPage();
    EXPECT_FALSE(filter.PageProcessed());
    Text(filter, 300, 80.3, QStringLiteral("c"));
    Text(filter, 100.2, 50, QStringLiteral("a"));
    Text(filter, 100.4, 80, QStringLiteral("b"));
    Text(filter, 100.2, 50, QStringLiteral("hidden by a"));
    filter.EndPage();
    EXPECT_EQ(filter.GetLinecount(), 2);
    EXPECT_EQ(filter.ColCount(), 2) << "column tolerance 0: 100.4 matches no numbered column";
    EXPECT_EQ(ReadAll(path), "earlier");

    filter.SetColumnTolerance(1.0);
    filter.NewPage();
    Text(filter, 300, 80.3, QStringLiteral("c"));
    Text(filter, 100.2, 50, QStringLiteral("a"));
    Text(filter, 100.4, 80, QStringLiteral("b"));
    filter.EndPage();
    EXPECT_EQ(filter.ColCount(), 2);
    filter.Finish();
    EXPECT_FALSE(filter.Started());
    EXPECT_EQ(ReadAll(path), "--\r\na;\r\n;c\r\n--\r\na;\r\nb;c\r\n--\r\n");
}

TEST(TextGridFilter, UnwritableTargetFailsAtStartAndMemoryModeKeepsBytes) {
    TGridDumpFilter missing(QDir::tempPath() + QStringLiteral("/no-such-folder-for-export/x.txt"));
    EXPECT_THROW(missing.Start(2100, 2970, TFont()), Exception);
    EXPECT_FALSE(missing.Started());

    TGridDumpFilter memory{QString()};
    memory.Start(2100, 2970, TFont());
    memory.NewPage();
    Text(memory, 10, 10, QStringLiteral("Preço"));
    memory.EndPage();
    memory.Finish();
    ASSERT_NE(memory.Output(), nullptr);
    EXPECT_EQ(memory.Output()->Bytes(), QByteArray("Pre\xe7o\r\n--\r\n"));
}
