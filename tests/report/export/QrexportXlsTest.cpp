#include "report/export/ExternalReaders.h"
#include "report/export/FilterDriver.h"

#include "platform/ByteReader.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "report/export/QrexportXls.h"
#include "report/pagestore/QrprntrMessages.h"
#include "report/pagestore/QrprntrPrinter.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using namespace testing;

struct Cell {
    std::uint16_t Type = 0;
    int Row = 0;
    int Column = 0;
    double Number = 0;
    QString Label;
    friend bool operator==(const Cell&, const Cell&) = default;
};

Cell Number(int row, int column, double value) {
    return {3, row, column, value, {}};
}
Cell Label(int row, int column, const QString& text) {
    return {4, row, column, 0, text};
}

struct Sheet {
    std::vector<std::uint16_t> Dimensions;
    std::vector<Cell> Cells;
};

// Reads the records back strictly: beginning of file, dimensions, cells, end of file and nothing after.
Sheet ReadSheet(const QByteArray& file) {
    Sheet sheet;
    ByteReader in(file);
    EXPECT_EQ(in.U16LE(), 0x0809);
    EXPECT_EQ(in.U16LE(), 6);
    EXPECT_EQ(in.U16LE(), 0);
    EXPECT_EQ(in.U16LE(), 16);
    EXPECT_EQ(in.U16LE(), 0);
    EXPECT_EQ(in.U16LE(), 0x0200);
    EXPECT_EQ(in.U16LE(), 10);
    for (int i = 0; i < 5; ++i)
        sheet.Dimensions.push_back(in.U16LE());
    while (true) {
        const std::uint16_t type = in.U16LE();
        const std::uint16_t length = in.U16LE();
        ByteReader data = in.Sub(in.Offset(), length);
        in.Skip(length);
        if (type == 10) break;
        Cell cell{type, data.U16LE(), data.U16LE(), 0, {}};
        EXPECT_EQ(data.Chars(3), std::string_view("\0\0\0", 3));
        if (type == 3) {
            EXPECT_EQ(length, 15);
            cell.Number = data.F64LE();
        } else {
            EXPECT_EQ(type, 4);
            const std::uint8_t size = data.U8();
            EXPECT_EQ(length, size + 8);
            cell.Label = Cp1252ToQString(data.Chars(size));
        }
        sheet.Cells.push_back(cell);
    }
    EXPECT_TRUE(in.AtEnd());
    return sheet;
}

const QString kLong(300, QLatin1Char('x'));

const std::vector<FilterPage> kTwoPages = {
    {{100, 50, QStringLiteral("Item")},
     {500, 50, QStringLiteral("Descrição")},
     {1500, 50, QStringLiteral("Valor"), TAlignment::taRightJustify},
     {100, 80, QStringLiteral("1")},
     {500.4, 80, QStringLiteral("ABC")}, // within the column tolerance of 500
     {1500, 80, QStringLiteral("1.234,56"), TAlignment::taRightJustify},
     {100, 110, QStringLiteral("2")},
     {500, 110, kLong},
     {1500, 110, QStringLiteral("-3,5"), TAlignment::taRightJustify}},
    {{100, 40, QStringLiteral("3")},
     {520, 40, QStringLiteral("R$ 12,50")},
     {1480, 40, QStringLiteral("12")},
     {100, 70, QStringLiteral("Total")},
     {520, 70, QString()},
     {1480, 70, QStringLiteral("1.000.000")}},
};

// Numbers are recognised with the user's separators (pt_BR in the tests), other texts are labels of
// at most 255 characters, and the second page continues below the first.
TEST(XlsExport, TwoPagesFillOneSheetThatTheOfficeSuiteReads) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("report.xls"));
    {
        TQRXLSFilter filter(file);
        FeedPages(filter, kTwoPages);
        EXPECT_EQ(filter.LastSheetRow(), 5);
        filter.Finish();
    }
    const Sheet sheet = ReadSheet(FileBytes(file));
    EXPECT_EQ(sheet.Dimensions, (std::vector<std::uint16_t>{0, 5, 0, 3, 0}));
    const std::vector<Cell> expected = {
        Label(0, 0, QStringLiteral("Item")),
        Label(0, 1, QStringLiteral("Descrição")),
        Label(0, 2, QStringLiteral("Valor")),
        Number(1, 0, 1),
        Label(1, 1, QStringLiteral("ABC")),
        Number(1, 2, 1234.56),
        Number(2, 0, 2),
        Label(2, 1, kLong.left(255)),
        Number(2, 2, -3.5),
        Number(3, 0, 3),
        Label(3, 1, QStringLiteral("R$ 12,50")),
        Number(3, 2, 12),
        Label(4, 0, QStringLiteral("Total")),
        Number(4, 2, 1000000),
    };
    EXPECT_EQ(sheet.Cells, expected);

    // Labels quoted, numbers bare, as the office suite writes them out.
    const OfficeConversion converted = ConvertWithOffice(
        {file}, QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true"), dir.path());
    ASSERT_EQ(converted.Error, QString());
    const QString text = QString::fromUtf8(FileBytes(converted.Files.front()));
    EXPECT_EQ(text, QStringLiteral("\"Item\",\"Descrição\",\"Valor\"\n"
                                   "1,\"ABC\",1234.56\n"
                                   "2,\"%1\",-3.5\n"
                                   "3,\"R$ 12,50\",12\n"
                                   "\"Total\",,1000000\n")
                        .arg(kLong.left(255)));
}

// A concatenated document is started by its first report and written when it is ended; the reports
// share the sheet, each continuing below the last.
TEST(XlsExport, ConcatenatedReportsContinueOnTheSheet) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("both.xls"));
    TQRXLSFilter filter(file);
    filter.SetConcatenating(true);
    FeedPages(filter, {{{100, 50, QStringLiteral("A1")}, {100, 90, QStringLiteral("A2")}}});
    filter.Finish();
    EXPECT_TRUE(filter.Started());
    FeedPages(filter, {{{200, 30, QStringLiteral("B1")}}});
    filter.Finish();
    EXPECT_EQ(filter.ReportNumber(), 2);
    EXPECT_FALSE(QFileInfo::exists(file));
    filter.EndConcat();
    EXPECT_FALSE(filter.Started());

    const Sheet sheet = ReadSheet(FileBytes(file));
    EXPECT_EQ(sheet.Cells,
              (std::vector<Cell>{Label(0, 0, QStringLiteral("A1")), Label(1, 0, QStringLiteral("A2")),
                                 Label(2, 0, QStringLiteral("B1"))}));
    EXPECT_EQ(sheet.Dimensions, (std::vector<std::uint16_t>{0, 3, 0, 1, 0}));
}

// Records the progress messages a page store posts to its preview control.
class ProgressRecorder : public QObject {
public:
    std::vector<int> Percents;
    bool event(QEvent* e) override {
        if (e->type() != CM_QRPROGRESSUPDATE) return QObject::event(e);
        Percents.push_back(static_cast<PageStoreMessage*>(e)->First());
        return true;
    }
};

// Only the first page reports progress, line by line, to the report's page store.
TEST(XlsExport, FirstPageReportsItsProgressToThePageStore) {
    ProgressRecorder recorder;
    TQRPrinter store;
    store.SetPreviewControl(&recorder);
    TQRXLSFilter filter{QString()};
    filter.SetReportQRPrinter(&store);
    FeedPages(filter, {{{100, 10, "a"}, {100, 20, "b"}, {100, 30, "c"}, {100, 40, "d"}},
                       {{100, 10, "e"}, {100, 20, "f"}}});
    filter.Finish();
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.Percents, (std::vector<int>{0, 25, 50, 75}));
}

TEST(XlsExport, CellsBeyondTheSheetAreRefused) {
    TQRXLSFilter filter{QString()};
    filter.Start(2100, 2970, TFont(QStringLiteral("Arial"), 10));
    EXPECT_THROW(filter.WriteData(TCellType::CellLabel, 65536, 0, QStringLiteral("x")), Exception);
    EXPECT_THROW(filter.WriteData(TCellType::CellLabel, 0, 256, QStringLiteral("x")), Exception);
}

} // namespace
} // namespace quorvel
