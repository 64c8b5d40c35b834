// Printing through a real CUPS queue whose jobs land as PDF files (scripts/test-printer sets it up
// for ./test and names it in QUORVEL_TEST_PRINTER and QUORVEL_TEST_PRINTER_OUTPUT), and printing on
// a machine without any printer.
#include "report/support/NoPrintServer.h"
#include "report/support/ReportTestSupport.h"
#include "report/support/TestOwner.h"
#include "support/TestPrintQueue.h"

#include "report/Qrprntr.h"
#include "report/pagestore/QuickrptPreview.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using testing::FilesOfJob;
using testing::FindTestQueue;
using testing::MakeDocument;
using testing::TestOwner;
using testing::TestQueue;
using testing::UniqueTitle;
using testing::WaitForPrintedPages;
using testing::WaitForQueue;

void SelectQueue(TQRPrinter& pageStore, const TestQueue& queue) {
    const int index = pageStore.Printers().indexOf(queue.name);
    ASSERT_GE(index, 0);
    pageStore.SetPrinterIndex(index);
    ASSERT_EQ(pageStore.PrinterSettings().Device(), queue.name);
}

TEST(QRPrinterPrinting, DirectPrintingDrawsOnlyThePagesOfTheRangeInOrder) {
    REQUIRE_TEST_QUEUE(queue);
    TQRPrinter pageStore;
    SelectQueue(pageStore, *queue);
    pageStore.SetDestination(TQRPrinterDestination::qrdPrinter);
    const QString title = UniqueTitle("direct range");
    pageStore.SetTitle(title);
    pageStore.SetFirstPage(2);
    pageStore.SetLastPage(3);
    int finished = 0;
    pageStore.OnPrintFinished = [&] { ++finished; };
    std::vector<double> factors;
    pageStore.BeginDoc();
    for (int page = 1; page <= 5; ++page) {
        pageStore.NewPage();
        factors.push_back(pageStore.XFactor());
        testing::DrawPage(pageStore);
    }
    pageStore.EndDoc();

    EXPECT_EQ(pageStore.AvailablePages(), 5);
    EXPECT_EQ(finished, 1);
    // Pages of the range are drawn at the printer's resolution, the others into screen pictures.
    EXPECT_DOUBLE_EQ(factors[1], pageStore.SystemPrinter().XDpi() / 254.0);
    EXPECT_DOUBLE_EQ(factors[2], factors[1]);
    EXPECT_DOUBLE_EQ(factors[0], 96.0 / 254.0);
    EXPECT_DOUBLE_EQ(factors[4], 96.0 / 254.0);
    EXPECT_EQ(pageStore.GetPage(2), nullptr) << "direct printing keeps no page";
    const QStringList pages = WaitForPrintedPages(*queue, title);
    ASSERT_EQ(pages.size(), 2) << pages.join(QStringLiteral("\n----\n")).toStdString();
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Page 2"))) << pages[0].toStdString();
    EXPECT_TRUE(pages[0].contains(QStringLiteral("TOTAL GERAL"))) << pages[0].toStdString();
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Page 3"))) << pages[1].toStdString();
    for (const QString& page : pages)
        for (const char* other : {"Page 1", "Page 4", "Page 5"})
            EXPECT_FALSE(page.contains(QLatin1String(other))) << page.toStdString();
}

TEST(QRPrinterPrinting, SettingsReachTheQueueOnlyWhereItSupportsThem) {
    REQUIRE_TEST_QUEUE(queue);
    TQRPrinter pageStore;
    SelectQueue(pageStore, *queue);
    TPrinterSettings& settings = pageStore.PrinterSettings();
    EXPECT_TRUE(settings.Supported(DM_ORIENTATION | DM_COPIES | DM_PAPERSIZE));
    EXPECT_FALSE(settings.Supported(DM_DEFAULTSOURCE));
    EXPECT_GT(settings.PixelsPerX(), 0);
    EXPECT_TRUE(settings.GetPaperSizeSupported(TQRPaperSize::A4));
    EXPECT_FALSE(settings.GetPaperSizeSupported(TQRPaperSize::Reserved1));

    // A paper the queue does not list, and a bin it cannot choose, leave the earlier values.
    pageStore.SetPaperSize(TQRPaperSize::Letter);
    pageStore.SetPaperSize(TQRPaperSize::Reserved1);
    EXPECT_EQ(pageStore.PaperSize(), TQRPaperSize::Letter);
    const TQRBin bin = pageStore.Bin();
    pageStore.SetBin(TQRBin::Manual);
    EXPECT_EQ(pageStore.Bin(), bin);

    pageStore.SetOrientation(TPrinterOrientation::poLandscape);
    pageStore.SetCopies(2);
    pageStore.SetCollate(1);
    int applied = 0;
    pageStore.SetOnApplyPrinterSettings([&](TPrinterSettings& sender, bool&, TDeviceMode& mode) {
        EXPECT_EQ(&sender, &settings);
        EXPECT_EQ(mode.PaperSize, 1);
        EXPECT_EQ(mode.PaperWidth, 2159);
        EXPECT_EQ(mode.PaperLength, 2794);
        EXPECT_EQ(mode.Orientation, DMORIENT_LANDSCAPE);
        ++applied;
    });
    settings.ApplySettings();
    EXPECT_EQ(applied, 1);
    TDeviceMode mode = pageStore.SystemPrinter().DeviceMode();
    EXPECT_EQ(mode.PaperSize, 1);
    EXPECT_EQ(mode.Orientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(mode.Copies, 2);
    EXPECT_EQ(mode.Collate, 1);

    // Read back from the queue: the paper and the copies are the queue's now; offsets and the
    // landscape paper size come in tenths of a millimetre from the device.
    settings.GetPrinterSettings();
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::Letter);
    EXPECT_EQ(settings.Copies(), 2);
    EXPECT_NEAR(settings.PaperWidth(), 2794, 2);
    EXPECT_NEAR(settings.PaperLength(), 2159, 2);
    EXPECT_GE(settings.LeftOffset(), 0);

    // A handler that cancels keeps the queue as it is, and the settings as they are.
    pageStore.SetCopies(3);
    pageStore.SetOnApplyPrinterSettings([](TPrinterSettings&, bool& cancel, TDeviceMode&) { cancel = true; });
    settings.ApplySettings();
    EXPECT_EQ(pageStore.SystemPrinter().DeviceMode().Copies, 2);
    pageStore.SetOnGetPrinterSettings([](TPrinterSettings&, bool& cancel, TDeviceMode&) { cancel = true; });
    settings.GetPrinterSettings();
    EXPECT_EQ(settings.Copies(), 3);

    // Selecting the queue again loads its own defaults.
    pageStore.SetOnGetPrinterSettings(nullptr);
    SelectQueue(pageStore, *queue);
    EXPECT_EQ(pageStore.SystemPrinter().DeviceMode().Copies, 1);
    EXPECT_EQ(settings.Copies(), 1);
}

// Stands in for the progress window: records the progress it is told of and may cancel.
class ProgressProbe : public QObject, public TQRProgressWindow {
public:
    ProgressProbe(TQRPrinter& pageStore, std::vector<int>& progress, bool cancelAtOnce)
        : pageStore_(pageStore)
        , progress_(progress)
        , cancel_(cancelAtOnce) {}
    void SetCaption(const QString&) override {}
    void Show() override {}
    QObject* Receiver() override { return this; }

protected:
    bool event(QEvent* event) override {
        if (event->type() != CM_QRPROGRESSUPDATE) return QObject::event(event);
        progress_.push_back(static_cast<PageStoreMessage*>(event)->First());
        if (cancel_) pageStore_.Cancel();
        return true;
    }

private:
    TQRPrinter& pageStore_;
    std::vector<int>& progress_;
    bool cancel_;
};

TEST(QRPrinterPrinting, StoredPagesPrintInTheirRangeWithProgressAndStopWhenCancelled) {
    REQUIRE_TEST_QUEUE(queue);
    std::vector<int> progress;
    bool cancelAtOnce = false;
    RegisterProgressWindowClass([&](TQRPrinter& pageStore) -> std::unique_ptr<TQRProgressWindow> {
        return std::make_unique<ProgressProbe>(pageStore, progress, cancelAtOnce);
    });
    TestOwner owner;
    owner.showProgress = true;
    TQRPrinter pageStore(&owner);
    SelectQueue(pageStore, *queue);
    const QString title = UniqueTitle("stored pages");
    pageStore.SetTitle(title);
    MakeDocument(pageStore, 6);
    pageStore.SetFirstPage(5);
    pageStore.SetLastPage(6);

    pageStore.Print();
    EXPECT_EQ(progress, (std::vector<int>{50, 100}));
    EXPECT_EQ(owner.afterPrintCount, 1);
    const QStringList pages = WaitForPrintedPages(*queue, title);
    ASSERT_EQ(pages.size(), 2) << pages.join(QStringLiteral("\n----\n")).toStdString();
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Page 5"))) << pages[0].toStdString();
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Page 6"))) << pages[1].toStdString();

    // Cancelled from the progress window during the first page: the job is dropped, no further page
    // is drawn, and the stored pages stay.
    progress.clear();
    cancelAtOnce = true;
    pageStore.SetFirstPage(1);
    pageStore.SetLastPage(0);
    const QString cancelled = UniqueTitle("cancelled");
    pageStore.SetTitle(cancelled);
    pageStore.Print();
    EXPECT_EQ(progress, (std::vector<int>{17}));
    WaitForQueue(*queue);
    EXPECT_TRUE(FilesOfJob(*queue, cancelled).isEmpty()) << "the aborted job never reached the queue";
    EXPECT_TRUE(pageStore.SystemPrinter().Aborted());
    EXPECT_FALSE(pageStore.SystemPrinter().Printing());
    EXPECT_EQ(pageStore.Status(), TQRPrinterStatus::mpFinished);
    EXPECT_NE(pageStore.GetPage(6), nullptr);
    RegisterProgressWindowClass(nullptr);
}

// Run in a child process that cannot reach any print server.
TEST(QRPrinterPrinting, WithoutAnyPrinterEveryPrintSaysSoAndNothingIsPrinted) {
    if (!testing::InChildWithoutPrintServer()) {
        testing::RunInChildWithoutPrintServer();
        return;
    }

    EXPECT_TRUE(Printer().Printers().isEmpty());
    EXPECT_FALSE(Printer().BeginDoc());
    TestOwner owner;
    TQRPrinter pageStore(&owner);
    EXPECT_FALSE(pageStore.PrintersPresent());
    pageStore.SetDestination(TQRPrinterDestination::qrdPrinter);
    int finished = 0;
    pageStore.OnPrintFinished = [&] { ++finished; };
    EXPECT_NO_THROW(MakeDocument(pageStore, 2));
    EXPECT_EQ(pageStore.Status(), TQRPrinterStatus::mpFinished);
    EXPECT_EQ(pageStore.AvailablePages(), 2);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(pageStore.SystemPrinter().Printing());

    // Printing the stored pages says that there is no printer, and prints nothing (no AfterPrint).
    TQRPrinter stored(&owner);
    stored.SetPaperSize(TQRPaperSize::Letter);
    stored.SetOrientation(TPrinterOrientation::poLandscape);
    MakeDocument(stored, 2);
    const auto message = [](const std::function<void()>& print) {
        try {
            print();
        } catch (const EPrinter& e) {
            return e.Message();
        }
        return QStringLiteral("(nothing raised)");
    };
    EXPECT_EQ(message([&] { stored.Print(); }), QStringLiteral("No printer is installed"));
    EXPECT_EQ(owner.afterPrintCount, 0);
    EXPECT_EQ(stored.Status(), TQRPrinterStatus::mpFinished) << "the pages are kept";

    // A report printed straight to the printer says the same, before any page is made, and keeps
    // the page store it had.
    testing::ReportFixture fixture;
    fixture.AddBand(TQRBandType::rbTitle, QStringLiteral("Title"));
    fixture.report.Prepare();
    TQRPrinter* prepared = fixture.report.QRPrinter();
    int pages = 0;
    fixture.report.OnStartPage = [&](TCustomQuickRep&) { ++pages; };
    EXPECT_EQ(message([&] { fixture.report.Print(); }), QStringLiteral("No printer is installed"));
    EXPECT_EQ(pages, 0);
    EXPECT_EQ(fixture.report.QRPrinter(), prepared);
    EXPECT_FALSE(fixture.report.Busy());
    // Nothing refuses a setting without a printer: the preview shows the report's own paper.
    ASSERT_NE(stored.GetPage(1), nullptr);
    EXPECT_EQ(stored.GetPage(1)->Width(), 1056);
    EXPECT_EQ(stored.GetPage(1)->Height(), 816);
}

} // namespace
} // namespace quorvel
