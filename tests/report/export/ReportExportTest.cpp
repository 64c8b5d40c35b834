#include "report/export/ExternalReaders.h"
#include "report/export/FilterDriver.h"
#include "report/export/WmfReading.h"

#include "report/export/Qrexport.h"
#include "report/support/ReportTestSupport.h"
#include "store/StoreField.h"
#include "store/StoreTable.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using namespace testing;

constexpr int kItems = 60;

// A report over 60 items, one detail band of 6 mm per item with its description and its price: on
// A4 with 10 mm margins two pages, 46 items on the first.
struct ItemReport : ReportFixture {
    TStoreTable items;

    ItemReport() {
        items.Name = QStringLiteral("Items");
        items.AddField("descr", TFieldType::String, 40);
        items.AddField("preco", TFieldType::String, 20);
        items.CreateDataSet();
        for (int i = 1; i <= kItems; ++i) {
            items.Append();
            items.FieldByName("descr").SetAsQString(QStringLiteral("Item %1").arg(i));
            items.FieldByName("preco").SetAsQString(
                QStringLiteral("1.%1,50").arg(i, 3, 10, QLatin1Char('0')));
            items.Post();
        }
        items.First();
        TDataSetComponent& data = Add<TDataSetComponent>(QStringLiteral("CDSItems"));
        data.SetTable(&items);
        report.SetDataSet(&data);
        TQRBand& detail = AddBand(TQRBandType::rbDetail, QStringLiteral("Detail"), 60);
        Field(detail, "descr", 0);
        Field(detail, "preco", 1200);
    }

    void Field(TQRBand& band, const char* field, double left) {
        TTestText& text = AddText(band, {}, left, 0);
        text.Source = [this, field] { return QStringList{items.FieldByName(field).DisplayText()}; };
    }
};

template <class Filter> class PageCounting : public Filter {
public:
    using Filter::Filter;
    int Pages = 0;
    void NewPage() override {
        ++Pages;
        Filter::NewPage();
    }
};

// The engine gives the streaming spreadsheet filter the whole report as one page without a bottom
// and the comma-separated and text filters its two pages; every item arrives once in each.
TEST(ReportExport, EveryItemReachesEachTextFilterOnce) {
    QTemporaryDir dir;
    ItemReport r;

    PageCounting<TQRXLSFilter> xls(dir.filePath(QStringLiteral("itens.xls")));
    r.report.ExportToFilter(xls);
    EXPECT_EQ(xls.Pages, 1);
    EXPECT_EQ(xls.LastSheetRow(), kItems);

    PageCounting<TQRCommaSeparatedFilter> csv(dir.filePath(QStringLiteral("itens.csv")));
    r.report.ExportToFilter(csv);
    EXPECT_EQ(csv.Pages, 2);
    const CsvReading rows = ReadCsvWithPython(csv.TargetFile());
    ASSERT_EQ(rows.Error, QString());
    ASSERT_EQ(rows.Rows.size(), std::size_t(kItems));
    EXPECT_EQ(rows.Rows[45], (QStringList{QStringLiteral("Item 46"), QStringLiteral("1.046,50")}));
    EXPECT_EQ(rows.Rows[46], (QStringList{QStringLiteral("Item 47"), QStringLiteral("1.047,50")}));

    TQRAsciiExportFilter text(dir.filePath(QStringLiteral("itens.txt")));
    r.report.ExportToFilter(text);
    const QList<QByteArray> lines = FileBytes(text.TargetFile()).split('\n');
    ASSERT_EQ(lines.size(), kItems + 1); // the last CR LF ends the file
    EXPECT_TRUE(lines[59].trimmed().startsWith("Item 60")) << lines[59].toStdString();
    EXPECT_TRUE(lines[59].trimmed().endsWith("1.060,50")) << lines[59].toStdString();
}

// The metafile filter writes the pages the report prepared, one file each.
TEST(ReportExport, MetafileExportWritesThePreparedPages) {
    QTemporaryDir dir;
    ItemReport r;
    r.report.Prepare();
    ASSERT_EQ(r.report.QRPrinter()->PageCount(), 2);
    TQRWMFExportFilter filter(dir.filePath(QStringLiteral("itens.wmf")));
    r.report.ExportToFilter(filter);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("itens001.wmf"), QStringLiteral("itens002.wmf")}));
    const std::vector<testing::PageText> pages = PageTexts(*r.report.QRPrinter());
    for (int page = 1; page <= 2; ++page) {
        const WmfReading reading =
            ReadWmf(FileBytes(dir.filePath(QStringLiteral("itens00%1.wmf").arg(page))));
        QStringList expected;
        for (const auto& text : pages)
            if (text.page == page) expected << text.text;
        QStringList written;
        for (const auto& text : reading.Texts)
            written << text.Text;
        EXPECT_EQ(written, expected);
    }
    EXPECT_EQ(pages.size(), std::size_t(2 * kItems));
}

} // namespace
} // namespace quorvel
