// The headless tools' printer over CUPS alone: it sees the test queue as the program's printer over
// Qt's printing does, its jobs reach the queue (an aborted one never does), and without a print
// server it prints nothing.
#include "platform/cups/CupsPrinter.h"
#include "platform/Canvas.h"
#include "platform/qtprint/QueuePrinter.h"
#include "report/support/NoPrintServer.h"
#include "support/TestPrintQueue.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvel {
namespace {

using testing::WaitForPrintedPages;

QList<int> Sorted(QList<int> codes) {
    std::sort(codes.begin(), codes.end());
    return codes;
}

// Everything the report engine reads of a selected queue, the same on both printers.
void ExpectSameView(const TPrinter& cups, const TPrinter& qt, const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(cups.DeviceName(), qt.DeviceName());
    EXPECT_EQ(cups.DriverName(), qt.DriverName());
    EXPECT_EQ(cups.Port(), qt.Port());
    const TDeviceMode a = cups.DeviceMode();
    const TDeviceMode b = qt.DeviceMode();
    EXPECT_EQ(a.Fields, b.Fields);
    EXPECT_EQ(a.Orientation, b.Orientation);
    EXPECT_EQ(a.PaperSize, b.PaperSize);
    EXPECT_EQ(a.PaperWidth, b.PaperWidth);
    EXPECT_EQ(a.PaperLength, b.PaperLength);
    EXPECT_EQ(a.Copies, b.Copies);
    EXPECT_EQ(a.DefaultSource, b.DefaultSource);
    EXPECT_EQ(a.PrintQuality, b.PrintQuality);
    EXPECT_EQ(a.Color, b.Color);
    EXPECT_EQ(a.Duplex, b.Duplex);
    EXPECT_EQ(a.Collate, b.Collate);
    // The order of the papers is the queue's; which papers it offers is what counts.
    EXPECT_EQ(Sorted(cups.PaperCodes()), Sorted(qt.PaperCodes()));
    EXPECT_EQ(cups.XDpi(), qt.XDpi());
    EXPECT_EQ(cups.YDpi(), qt.YDpi());
    EXPECT_EQ(cups.PhysicalOffset(), qt.PhysicalOffset());
    EXPECT_EQ(cups.PhysicalSize(), qt.PhysicalSize());
}

// Applies the same settings to both printers; they must still see the queue alike.
void SetBoth(TPrinter& cups, TPrinter& qt, const TDeviceMode& mode, const char* when) {
    cups.SetDeviceMode(mode);
    qt.SetDeviceMode(mode);
    ExpectSameView(cups, qt, when);
}

TEST(CupsPrinter, SeesTheTestQueueAsTheProgramsPrinterDoes) {
    TCupsPrinter cups;
    REQUIRE_TEST_QUEUE(queue);
    TQueuePrinter qt;
    cups.Refresh();
    EXPECT_EQ(cups.Printers(), qt.Printers());
    EXPECT_EQ(cups.PrinterIndex(), qt.PrinterIndex()) << "the same default queue";
    const int index = static_cast<int>(cups.Printers().indexOf(queue->name));
    ASSERT_GE(index, 0);
    cups.SetPrinterIndex(index);
    qt.SetPrinterIndex(index);
    ASSERT_EQ(cups.DeviceName(), queue->name);
    ExpectSameView(cups, qt, "as the queue starts");
    EXPECT_TRUE(cups.PaperCodes().contains(9)) << "A4";
    EXPECT_TRUE(cups.PaperCodes().contains(1)) << "Letter";

    SetBoth(cups, qt,
            {.Fields = DM_PAPERSIZE | DM_ORIENTATION | DM_COPIES | DM_COLLATE | DM_COLOR,
             .Orientation = DMORIENT_LANDSCAPE,
             .PaperSize = 1,
             .Copies = 2,
             .Color = DMCOLOR_MONOCHROME,
             .Collate = 0},
            "Letter, landscape, two uncollated copies in grey");
    EXPECT_EQ(cups.PhysicalSize(), QSize(13200, 10200)) << "11 by 8.5 inches at 1200 dots per inch";

    SetBoth(cups, qt,
            {.Fields = DM_PAPERLENGTH | DM_PAPERWIDTH | DM_ORIENTATION,
             .Orientation = DMORIENT_PORTRAIT,
             .PaperLength = 1500,
             .PaperWidth = 1000},
            "a custom 100 by 150 mm paper");
    EXPECT_EQ(cups.DeviceMode().PaperSize, DMPAPER_USER);
}

TEST(CupsPrinter, AJobReachesTheQueueAndAnAbortedOneNever) {
    TCupsPrinter printer;
    REQUIRE_TEST_QUEUE(queue);
    printer.SetPrinterIndex(static_cast<int>(printer.Printers().indexOf(queue->name)));
    ASSERT_EQ(printer.DeviceName(), queue->name);

    const QString dropped = testing::UniqueTitle("cups dropped");
    printer.SetTitle(dropped);
    ASSERT_TRUE(printer.BeginDoc());
    printer.Canvas().TextOut(100, 100, QStringLiteral("never printed"));
    printer.Abort();
    EXPECT_TRUE(printer.Aborted());
    EXPECT_FALSE(printer.Printing());
    EXPECT_THROW(printer.Canvas(), EPrinter);

    const QString title = testing::UniqueTitle("cups job");
    printer.SetTitle(title);
    ASSERT_TRUE(printer.BeginDoc());
    EXPECT_FALSE(printer.Aborted());
    EXPECT_THROW(printer.BeginDoc(), EPrinter) << "one job at a time";
    EXPECT_THROW(printer.SetPrinterIndex(0), EPrinter) << "no other queue while printing";
    printer.Canvas().Font().SetName(QStringLiteral("Arial"));
    printer.Canvas().Font().SetSize(12);
    printer.Canvas().TextOut(600, 600, QStringLiteral("Primeira página"));
    printer.NewPage();
    printer.Canvas().TextOut(600, 600, QStringLiteral("Segunda página"));
    EXPECT_EQ(printer.PageNumber(), 2);
    printer.EndDoc();
    EXPECT_FALSE(printer.Printing());

    const QStringList pages = WaitForPrintedPages(*queue, title);
    ASSERT_EQ(pages.size(), 2) << pages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Primeira página"))) << pages[0].toStdString();
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Segunda página"))) << pages[1].toStdString();
    // Jobs print in the order they came: once the later one is there, the dropped one would be too.
    EXPECT_TRUE(testing::FilesOfJob(*queue, dropped).isEmpty()) << "the aborted job reached the queue";
}

TEST(CupsPrinter, WithoutAPrintServerItListsNothingAndStartsNoJob) {
    if (!testing::InChildWithoutPrintServer()) {
        testing::RunInChildWithoutPrintServer();
        return;
    }
    TCupsPrinter printer;
    EXPECT_TRUE(printer.Printers().isEmpty());
    EXPECT_EQ(printer.PrinterIndex(), -1);
    printer.SetPrinterIndex(0);
    EXPECT_FALSE(printer.HasPrinter());
    EXPECT_EQ(printer.DeviceMode().Fields, 0u);
    EXPECT_TRUE(printer.PaperCodes().isEmpty());
    EXPECT_EQ(printer.XDpi(), 0);
    EXPECT_EQ(printer.PhysicalSize(), QSize());
    EXPECT_FALSE(printer.BeginDoc());
    EXPECT_FALSE(printer.Printing());
    EXPECT_THROW(printer.Canvas(), EPrinter);
}

} // namespace
} // namespace quorvel
