#include "report/export/ExternalReaders.h"
#include "report/export/FilterDriver.h"
#include "report/export/OutputTestFiles.h"

#include "platform/Exceptions.h"
#include "report/export/QrexportCsv.h"
#include "report/export/QrexportText.h"
#include "report/export/QrexportWmf.h"
#include "report/export/QrexportXls.h"

#include <QTemporaryDir>

#include <algorithm>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using namespace testing;

// Page 1: a header line and two item lines in three columns, with a quote, a comma and an accent in
// one text, a second text arriving in an occupied cell (it is not written) and an empty text; page 2
// numbers its own columns.
const std::vector<FilterPage> kTwoPages = {
    {{100, 50, QStringLiteral("Item")},
     {500, 50, QStringLiteral("Descrição")},
     {1500, 50, QStringLiteral("Valor")},
     {100, 80, QStringLiteral("1")},
     {500, 80, QStringLiteral("Caneta \"azul\", ponta fina")},
     {1500, 80, QStringLiteral("1.234,56")},
     {100.4, 80.3, QStringLiteral("second text in the cell")},
     {100, 110, QStringLiteral("2")},
     {500, 110, QString()}},
    {{300, 60, QStringLiteral("Total")}, {900, 60, QStringLiteral("9,99")}},
};

QString Export(const QString& fileName) {
    TQRCommaSeparatedFilter filter(fileName);
    FeedPages(filter, kTwoPages);
    filter.Finish();
    return fileName;
}

TEST(CsvExport, PagesBecomeQuotedFieldsThatTheCsvModuleReadsBack) {
    QTemporaryDir dir;
    const QString file = Export(dir.filePath(QStringLiteral("report.csv")));
    EXPECT_EQ(FileBytes(file), ReadTestFile(QStringLiteral("csv_export/two_pages.csv")));

    const CsvReading reading = ReadCsvWithPython(file);
    ASSERT_EQ(reading.Error, QString());
    const std::vector<QStringList> expected = {
        {QStringLiteral("Item"), QStringLiteral("Descrição"), QStringLiteral("Valor")},
        {QStringLiteral("1"), QStringLiteral("Caneta \"azul\", ponta fina"), QStringLiteral("1.234,56")},
        {QStringLiteral("2"), QString(), QString()},
        {QStringLiteral("Total"), QStringLiteral("9,99")},
    };
    EXPECT_EQ(reading.Rows, expected);
}

// A report's texts come at fractions of a tenth of a millimetre: a number's right edge, a text of
// another font. Those of one column stay in it instead of being lost.
TEST(CsvExport, TextsAtFractionsOfATenthKeepTheirColumn) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("fractions.csv"));
    TQRCommaSeparatedFilter filter(file);
    FeedPages(filter, {{{113.2, 395.9, QStringLiteral("Item")},
                        {1176.8, 395.9, QStringLiteral("Qtde")},
                        {113.2292, 454.2917, QStringLiteral("1")},
                        {1176.8542, 454.2917, QStringLiteral("400,0000")},
                        {113.49, 500.1, QStringLiteral("2")}}});
    filter.Finish();
    EXPECT_EQ(FileBytes(file),
              QByteArrayLiteral("\"Item\",\"Qtde\"\r\n\"1\",\"400,0000\"\r\n\"2\",\"\"\r\n"));
}

TEST(CsvExport, SeparatorIsSharedThroughTheComponent) {
    QTemporaryDir dir;
    {
        TQRCSVFilter component(nullptr);
        component.SetSeparator(QLatin1Char(';'));
        // The filter the preview's save dialog makes through the component's entry.
        const auto entry =
            std::find_if(QRExportFilterLibrary().Filters().begin(), QRExportFilterLibrary().Filters().end(),
                         [&](const TQRExportFilterLibraryEntry& e) { return e.Component == &component; });
        ASSERT_NE(entry, QRExportFilterLibrary().Filters().end());
        const QString file = dir.filePath(QStringLiteral("semicolon.csv"));
        const std::unique_ptr<TQRExportFilter> made = entry->Create(file);
        EXPECT_EQ(dynamic_cast<TQRCommaSeparatedFilter&>(*made).Separator(), QLatin1Char(';'));
        FeedPages(*made, kTwoPages);
        made->Finish();
        EXPECT_TRUE(FileBytes(file).startsWith("\"Item\";\"Descri\xE7\xE3o\";\"Valor\"\r\n"));
        const CsvReading reading = ReadCsvWithPython(file, QLatin1Char(';'));
        ASSERT_EQ(reading.Error, QString());
        ASSERT_EQ(reading.Rows.size(), 4u);
        EXPECT_EQ(reading.Rows[1][1], QStringLiteral("Caneta \"azul\", ponta fina"));
    }
    // A filter made on its own, and every other export, keeps the comma.
    EXPECT_EQ(TQRCommaSeparatedFilter(QString()).Separator(), QLatin1Char(','));
    EXPECT_TRUE(FileBytes(Export(dir.filePath(QStringLiteral("comma.csv")))).startsWith("\"Item\",\"Descri"));
}

// The components register their filters for the save dialog while they exist, in creation order.
TEST(TextFilterComponents, RegisterTheirFiltersWhileTheyExist) {
    const QString before = QRExportFilterLibrary().GetSaveDialogFilter();
    {
        TComponent form(nullptr);
        form.InsertComponent(std::make_unique<TQRCSVFilter>(&form));
        form.InsertComponent(std::make_unique<TQRExcelFilter>(&form));
        form.InsertComponent(std::make_unique<TQRWMFFilter>(&form));
        form.InsertComponent(std::make_unique<TQRTextFilter>(&form));
        form.InsertComponent(std::make_unique<TQRCSVFilter>(&form)); // a second one adds nothing
        EXPECT_EQ(QRExportFilterLibrary().GetSaveDialogFilter(),
                  before + QStringLiteral("|Comma Separated (*.CSV)|*.CSV|Excel spreadsheet (*.XLS)|*.XLS"
                                          "|WMF File (*.WMF)|*.WMF|Text file (*.TXT)|*.TXT"));
        // Entries go by filter name: the second component takes the one entry with it.
        form.DestroyComponent(*form.Component(4));
        EXPECT_EQ(QRExportFilterLibrary().GetSaveDialogFilter(),
                  before + QStringLiteral("|Excel spreadsheet (*.XLS)|*.XLS|WMF File (*.WMF)|*.WMF"
                                          "|Text file (*.TXT)|*.TXT"));
    }
    EXPECT_EQ(QRExportFilterLibrary().GetSaveDialogFilter(), before);

    EXPECT_EQ(TQRCommaSeparatedFilter(QString()).GetDescription(),
              QStringLiteral("Comma separated text file"));
    EXPECT_EQ(TQRXLSFilter(QString()).GetDescription(), QStringLiteral("Excel file format"));
    EXPECT_EQ(TQRAsciiExportFilter(QString()).GetDescription(), QStringLiteral("Text export (ASCII) filter"));
    EXPECT_EQ(TQRWMFExportFilter(QString()).GetDescription(), QStringLiteral("WMF Export filter"));
    EXPECT_TRUE(TQRXLSFilter(QString()).GetStreaming());
    EXPECT_FALSE(TQRCommaSeparatedFilter(QString()).GetStreaming());
    EXPECT_FALSE(TQRAsciiExportFilter(QString()).GetStreaming());
}

// A target that cannot be created ends the export at its start and leaves nothing behind.
TEST(TextFilterComponents, UncreatableTargetFailsAtStart) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no such folder/report"));
    const TFont font(QStringLiteral("Arial"), 10);
    EXPECT_THROW(TQRCommaSeparatedFilter(missing + ".csv").Start(2100, 2970, font), Exception);
    EXPECT_THROW(TQRXLSFilter(missing + ".xls").Start(2100, 2970, font), Exception);
    EXPECT_THROW(TQRAsciiExportFilter(missing + ".txt").Start(2100, 2970, font), Exception);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

} // namespace
} // namespace quorvel
