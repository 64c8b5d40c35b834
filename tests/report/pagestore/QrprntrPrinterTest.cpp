#include "report/support/TestOwner.h"

#include "platform/Canvas.h"
#include "platform/MetafileCanvas.h"
#include "platform/MetafileEnumerator.h"
#include "report/Qrprntr.h"
#include "report/support/TestPages.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using testing::Int32At;
using testing::MakeDocument;
using testing::MessageLog;
using testing::TestOwner;

QString FirstText(const TMetafile& page) {
    const std::vector<TMetafileText> texts = MetafileTexts(page);
    return texts.empty() ? QString() : texts.front().Text;
}

// A saved report whose only page is a picture of the given size in pixels.
QString SavePageOfSize(const QTemporaryDir& dir, const QString& name, int width, int height) {
    TMetafile picture;
    picture.SetPixelsPerInch(96);
    picture.SetWidth(width);
    picture.SetHeight(height);
    {
        TMetafileCanvas canvas(picture);
        canvas.TextOut(10, 10, QStringLiteral("one page"));
    }
    TQRPageList list;
    list.SetStream(std::make_shared<TQRStream>(250000));
    list.AddPage(picture);
    list.Finish();
    const QString file = dir.filePath(name);
    list.SaveToFile(file);
    return file;
}

TEST(QRPrinter, PagesBecomeAvailableAsTheyAreFinishedAndThePreviewHearsOfEach) {
    TQRPrinter pageStore;
    MessageLog preview;
    pageStore.SetPreviewControl(&preview);
    EXPECT_EQ(pageStore.GetPage(1), nullptr) << "before BeginDoc";

    pageStore.BeginDoc();
    EXPECT_EQ(pageStore.Status(), TQRPrinterStatus::mpBusy);
    EXPECT_EQ(pageStore.PageCount(), 0);
    pageStore.NewPage();
    testing::DrawPage(pageStore);
    EXPECT_EQ(pageStore.PageCount(), 1);
    EXPECT_EQ(pageStore.AvailablePages(), 0);
    EXPECT_EQ(pageStore.GetPage(1), nullptr) << "the page being composed is not stored yet";

    pageStore.NewPage();
    testing::DrawPage(pageStore);
    pageStore.SetProgress(40);
    EXPECT_EQ(pageStore.AvailablePages(), 1);
    const std::unique_ptr<TMetafile> first = pageStore.GetPage(1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(FirstText(*first), QStringLiteral("Page 1"));
    EXPECT_EQ(pageStore.GetPage(2), nullptr);

    pageStore.NewPage();
    testing::DrawPage(pageStore);
    pageStore.EndDoc();
    EXPECT_EQ(pageStore.Status(), TQRPrinterStatus::mpFinished);
    EXPECT_EQ(pageStore.PageCount(), 3);
    EXPECT_EQ(pageStore.AvailablePages(), 3);
    EXPECT_EQ(pageStore.PageList().FileHeader().PageCount, 3);
    for (int page = 1; page <= 3; ++page) {
        const std::unique_ptr<TMetafile> picture = pageStore.GetPage(page);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(FirstText(*picture), QStringLiteral("Page %1").arg(page));
    }
    EXPECT_EQ(pageStore.GetPage(0), nullptr);
    EXPECT_EQ(pageStore.GetPage(4), nullptr);

    // Every message was posted, not sent: EndDoc let them through, in order.
    EXPECT_EQ(preview.Of(CM_QRPAGEAVAILABLE), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(preview.Of(CM_QRPROGRESSUPDATE), (std::vector<int>{40}));
    for (const MessageLog::Entry& entry : preview.entries)
        EXPECT_EQ(entry.pageStore, &pageStore);
}

TEST(QRPrinter, MisuseRaisesTheEngineMessagesAndLeavesTheDocumentAlone) {
    TQRPrinter pageStore;
    const auto message = [](const auto& call) {
        try {
            call();
        } catch (const EQRError& error) {
            return error.Message();
        }
        return QStringLiteral("no error");
    };
    EXPECT_EQ(message([&] { pageStore.NewPage(); }), QStringLiteral("Illegal call to NewPage"));
    EXPECT_EQ(message([&] { pageStore.Canvas(); }), QStringLiteral("No page is open"));

    pageStore.BeginDoc();
    pageStore.NewPage();
    pageStore.NewPage();
    pageStore.Cancel();
    EXPECT_EQ(message([&] { pageStore.BeginDoc(); }), QStringLiteral("QRPrinter not ready"));
    EXPECT_EQ(pageStore.PageCount(), 2);
    EXPECT_EQ(pageStore.AvailablePages(), 1);
    EXPECT_TRUE(pageStore.Cancelled()) << "a refused BeginDoc changes nothing";

    pageStore.EndDoc();
    EXPECT_EQ(message([&] { pageStore.NewPage(); }), QStringLiteral("Illegal call to NewPage"));
    EXPECT_EQ(message([&] { pageStore.BeginDoc(); }), QStringLiteral("QRPrinter not ready"));
    pageStore.EndDoc(); // nothing happens after the end
    EXPECT_EQ(pageStore.AvailablePages(), 2);

    pageStore.Cleanup();
    EXPECT_EQ(pageStore.Status(), TQRPrinterStatus::mpReady);
    EXPECT_EQ(pageStore.GetPage(1), nullptr);
    MakeDocument(pageStore, 1);
    EXPECT_FALSE(pageStore.Cancelled()) << "BeginDoc clears the cancel request";
    EXPECT_EQ(pageStore.PageCount(), 1);
    ASSERT_NE(pageStore.GetPage(1), nullptr);

    // A document without pages still counts one available page at its end, like the engine expects.
    TQRPrinter empty;
    MakeDocument(empty, 0);
    EXPECT_EQ(empty.AvailablePages(), 1);
    EXPECT_EQ(empty.PageCount(), 0);
    EXPECT_EQ(empty.PageList().FileHeader().PageCount, 0);
}

TEST(QRPrinter, PageSizeFollowsPaperAndOrientationInScreenPixels) {
    TQRPrinter pageStore;
    pageStore.SetPaperSize(TQRPaperSize::A4);
    pageStore.SetOrientation(TPrinterOrientation::poLandscape);
    ASSERT_EQ(pageStore.PaperSize(), TQRPaperSize::A4) << "the test printer must offer A4";
    EXPECT_EQ(pageStore.PaperWidthValue(), 2970);
    EXPECT_EQ(pageStore.PaperLengthValue(), 2100);
    EXPECT_EQ(pageStore.GetPaperWidth(), 2100) << "orientation plays no part";
    EXPECT_EQ(pageStore.GetPaperLength(), 2970);
    MakeDocument(pageStore, 1);
    const std::unique_ptr<TMetafile> page = pageStore.GetPage(1);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Width(), 1123);
    EXPECT_EQ(page->Height(), 794);

    // Lengths at 96 pixels per inch, halves to even; no waste off the printer.
    EXPECT_DOUBLE_EQ(pageStore.XFactor(), 96.0 / 254.0);
    EXPECT_EQ(pageStore.XSize(2970), 1123);
    EXPECT_EQ(pageStore.XPos(100), 38);
    EXPECT_EQ(pageStore.YSize(254.0 / 96.0 * 2.5), 2);
    EXPECT_EQ(pageStore.YSize(254.0 / 96.0 * 3.5), 4);
    EXPECT_EQ(pageStore.LeftWaste(), 0);

    // Custom and Default take the stored width and length.
    pageStore.SetOrientation(TPrinterOrientation::poPortrait);
    pageStore.SetPaperSize(TQRPaperSize::Custom);
    if (pageStore.PaperSize() == TQRPaperSize::Custom) {
        pageStore.SetPaperWidth(1000);
        pageStore.SetPaperLength(1500);
        EXPECT_EQ(pageStore.PaperWidthValue(), 1000);
        EXPECT_EQ(pageStore.PaperLengthValue(), 1500);
        EXPECT_EQ(pageStore.GetPaperLength(), 1500);
    }
    pageStore.SetPaperSize(TQRPaperSize::Default);
    pageStore.SetPaperWidth(1200);
    pageStore.SetPaperLength(1700);
    pageStore.SetOrientation(TPrinterOrientation::poLandscape);
    EXPECT_EQ(pageStore.PaperWidthValue(), 1700);
    EXPECT_EQ(pageStore.GetPaperWidth(), 1200);
}

TEST(QRPrinter, SavedReportLoadsBackWithItsPaperFound) {
    QTemporaryDir dir;
    TQRPrinter pageStore;
    const QString name = dir.filePath("report.qrp");
    pageStore.BeginDoc();
    pageStore.NewPage();
    pageStore.Save(name);
    EXPECT_FALSE(QFile::exists(name)) << "saving needs a finished document";
    pageStore.NewPage();
    pageStore.EndDoc();
    pageStore.Save(name);
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.left(4).toHex(' '), "03 00 28 00");
    EXPECT_EQ(Int32At(bytes, 8), 2);

    TestOwner owner;
    TQRPrinter loaded(&owner);
    EXPECT_FALSE(loaded.PrintMetafileFromPreview()) << "a report's own pages print by running it again";
    loaded.OnPrintSetup = [] {};
    loaded.OnExportToFilter = [](TQRExportFilter&) {};
    MakeDocument(loaded, 5); // pages of its own are dropped first
    loaded.Load(name);
    EXPECT_EQ(loaded.Status(), TQRPrinterStatus::mpFinished);
    EXPECT_EQ(loaded.PageCount(), 2);
    EXPECT_TRUE(loaded.PagesGenerated());
    EXPECT_FALSE(loaded.OnPrintSetup);
    EXPECT_FALSE(loaded.OnExportToFilter);
    EXPECT_TRUE(loaded.PrintMetafileFromPreview());
    // The switch is the loaded page store's own: the page store whose file it was prints as before.
    EXPECT_FALSE(pageStore.PrintMetafileFromPreview());
    EXPECT_EQ(loaded.GetPage(3), nullptr);
    ASSERT_NE(loaded.GetPage(2), nullptr);
    EXPECT_EQ(loaded.GetPage(2)->SaveToBytes(), pageStore.GetPage(2)->SaveToBytes());
    // An A4 portrait page (794 × 1123) matches A4 and then A4 Small.
    EXPECT_EQ(loaded.PaperSize(), TQRPaperSize::A4Small);
    EXPECT_EQ(loaded.Orientation(), TPrinterOrientation::poPortrait);

    struct Case {
        int width, height;
        TQRPaperSize size;
        TPrinterOrientation orientation;
    };
    const Case cases[] = {
        {816, 1056, TQRPaperSize::Note, TPrinterOrientation::poPortrait}, // Letter, LetterSmall, then Note
        {1123, 794, TQRPaperSize::A4Small, TPrinterOrientation::poLandscape}, // landscape A4
        {300, 300, TQRPaperSize::Legal, TPrinterOrientation::poLandscape},    // no match: unchanged
    };
    for (const Case& c : cases) {
        TQRPrinter other;
        other.PrinterSettings().SetLoadedPaper(TQRPaperSize::Legal, TPrinterOrientation::poLandscape);
        other.Load(SavePageOfSize(dir, QStringLiteral("page.qrp"), c.width, c.height));
        EXPECT_EQ(other.PaperSize(), c.size) << c.width << " x " << c.height;
        EXPECT_EQ(other.Orientation(), c.orientation) << c.width << " x " << c.height;
    }

    // A file that is not a saved report raises and leaves the page store with the pages it had.
    QFile bad(dir.filePath("bad.qrp"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(300, 'x'));
    bad.close();
    EXPECT_THROW(loaded.Load(bad.fileName()), EQRError);
    EXPECT_EQ(loaded.Status(), TQRPrinterStatus::mpFinished);
    EXPECT_EQ(loaded.PageCount(), 2);
    ASSERT_NE(loaded.GetPage(2), nullptr);
    EXPECT_EQ(loaded.GetPage(2)->SaveToBytes(), pageStore.GetPage(2)->SaveToBytes());
    EXPECT_EQ(loaded.PaperSize(), TQRPaperSize::A4Small);
}

TEST(QRPrinter, AbandonedDocumentKeepsItsOpenPageUnlessExporting) {
    for (const bool exporting : {false, true}) {
        TestOwner owner;
        owner.exporting = exporting;
        TQRPrinter pageStore(&owner);
        MessageLog preview;
        pageStore.SetPreviewControl(&preview);
        pageStore.BeginDoc();
        pageStore.NewPage();
        pageStore.NewPage();
        pageStore.AbortDoc();
        QCoreApplication::processEvents();
        EXPECT_EQ(pageStore.Status(), TQRPrinterStatus::mpFinished);
        EXPECT_EQ(pageStore.PageList().PageCount(), exporting ? 1 : 2);
        EXPECT_EQ(preview.Of(CM_QRPAGEAVAILABLE), (std::vector<int>{1})) << "no notice of the abandoned page";
        // The header stays the one written with the first page.
        EXPECT_EQ(pageStore.PageList().FileHeader().PageCount, 1);
    }
}

TEST(QRPrinter, PreviewDetachAndCloseReachTheReport) {
    TestOwner owner;
    TQRPrinter pageStore(&owner);
    MessageLog ownerWindow;
    pageStore.SetOwnerWindow(&ownerWindow);
    int finished = 0;
    pageStore.OnPreviewFinished = [&] { ++finished; };

    pageStore.SetShowingPreview(true);
    pageStore.BeginDoc();
    pageStore.NewPage();
    pageStore.SetShowingPreview(false);
    EXPECT_TRUE(pageStore.Cancelled()) << "a preview going away stops the document";
    EXPECT_EQ(finished, 1);
    pageStore.SetShowingPreview(false);
    EXPECT_EQ(finished, 1) << "only the change from shown to hidden counts";
    pageStore.EndDoc();

    pageStore.SetShowingPreview(true);
    pageStore.ClosePreview(nullptr);
    EXPECT_FALSE(pageStore.ShowingPreview());
    EXPECT_EQ(finished, 1) << "closing the window detaches without the callback";
    ASSERT_EQ(ownerWindow.entries.size(), 1u) << "the close is sent, not posted";
    EXPECT_EQ(ownerWindow.entries[0].type, CM_QRPREVIEWCLOSE);
    EXPECT_EQ(ownerWindow.entries[0].pageStore, &pageStore);

    // Printing a report's own pages asks the report to print itself anew (posted).
    pageStore.Print();
    EXPECT_EQ(ownerWindow.entries.size(), 1u);
    QCoreApplication::processEvents();
    ASSERT_EQ(ownerWindow.entries.size(), 2u);
    EXPECT_EQ(ownerWindow.entries[1].type, CM_QRPRINT);

    // Hooks are only forwarded.
    int setups = 0;
    pageStore.OnPrintSetup = [&] { ++setups; };
    pageStore.PrintSetup();
    EXPECT_EQ(setups, 1);
}

TEST(QRPrinter, OutlineAndLinksBelongToTheOpenPage) {
    TQRPrinter pageStore;
    pageStore.AddOutline(0, QStringLiteral("before"), QRect());
    pageStore.BeginDoc();
    pageStore.NewPage();
    pageStore.AddHyperlink(QRect(1, 2, 3, 4), QStringLiteral("https://example.org/a"));
    pageStore.AddOutline(0, QStringLiteral("Lote 1"), QRect(0, 10, 100, 20));
    ASSERT_EQ(pageStore.PageHyperlinks().size(), 1u);
    EXPECT_EQ(pageStore.PageHyperlinks()[0].Link, QStringLiteral("https://example.org/a"));
    pageStore.NewPage();
    EXPECT_TRUE(pageStore.PageHyperlinks().empty()) << "links go with their page";
    pageStore.AddOutline(1, QStringLiteral("Item 7"), QRect(0, 50, 100, 20));
    pageStore.EndDoc();
    pageStore.AddOutline(0, QStringLiteral("after"), QRect());

    const std::vector<TQROutlineEntry>& entries = pageStore.PageList().Outline().Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Title, QStringLiteral("Lote 1"));
    EXPECT_EQ(entries[0].PageNumber, 1);
    EXPECT_EQ(entries[1].PageNumber, 2);
    EXPECT_EQ(entries[1].Level, 1);

    // SetPageNumber takes only pages that exist.
    pageStore.SetPageNumber(1);
    EXPECT_EQ(pageStore.PageNumber(), 1);
    pageStore.SetPageNumber(3);
    pageStore.SetPageNumber(0);
    EXPECT_EQ(pageStore.PageNumber(), 1);
}

TEST(QRPrinter, PageListMovesToItsFileAtTheReportsMemoryLimit) {
    TestOwner owner;
    owner.memoryLimit = 3000;
    TQRPrinter pageStore(&owner);
    EXPECT_EQ(pageStore.PrinterSettings().MemoryLimit(), 3000);
    pageStore.BeginDoc();
    pageStore.NewPage();
    pageStore.NewPage();
    ASSERT_TRUE(pageStore.PageList().Stream()->InMemory());
    for (int page = 0; page < 6; ++page) {
        pageStore.NewPage();
        testing::DrawPage(pageStore);
    }
    pageStore.EndDoc();
    const std::shared_ptr<TQRStream> stream = pageStore.PageList().Stream();
    EXPECT_FALSE(stream->InMemory());
    const QString temporary = stream->FileName();
    EXPECT_TRUE(QFile::exists(temporary));
    ASSERT_NE(pageStore.GetPage(8), nullptr);
    EXPECT_EQ(FirstText(*pageStore.GetPage(8)), QStringLiteral("Page 8"));
    pageStore.Cleanup();
    EXPECT_EQ(pageStore.PageList().Stream(), nullptr);
    EXPECT_EQ(stream.use_count(), 1);
}

} // namespace
} // namespace quorvel
