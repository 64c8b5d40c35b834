// Page ranges on a recording printer: which pages of a document reach the printer, on which sheet,
// where, and how the job starts and ends, for direct printing and for printing stored pages. The
// same paths print through a real print queue in QrprntrPrintingTest.
#include "report/support/RecordingPrinter.h"
#include "report/support/TestOwner.h"

#include "platform/Rounding.h"
#include "report/Qrprntr.h"

#include <gtest/gtest.h>

#include <numeric>

namespace quorvel::testing {
namespace {

struct Range {
    int first;
    int last;
    std::vector<int> printed;
};

std::vector<int> Pages(int from, int to) {
    std::vector<int> pages(static_cast<std::size_t>(std::max(0, to - from + 1)));
    std::iota(pages.begin(), pages.end(), from);
    return pages;
}

// The page numbers the sheets of a job show, read from their "Page N" texts.
std::vector<int> PrintedPages(const RecordedJob& job) {
    std::vector<int> pages;
    for (const RecordedSheet& sheet : job.Sheets) {
        const QStringList texts = sheet.TextList();
        EXPECT_EQ(texts.size(), 2) << texts.join(u'|').toStdString();
        EXPECT_EQ(texts.value(1), QStringLiteral("TOTAL GERAL"));
        pages.push_back(texts.value(0).startsWith(QLatin1String("Page ")) ? texts.value(0).mid(5).toInt()
                                                                          : -1);
    }
    return pages;
}

// 300 dots per inch, the printable area 50 × 60 dots from the paper's corner: in tenths of a
// millimetre 42 and 51 (rounded), the page store's left and top waste.
constexpr double kDotsPerTenth = 300 / 254.0;
constexpr int kLeftWaste = 42;
constexpr int kTopWaste = 51;

TEST(QRPrinterRange, DirectPrintingSendsOnlyThePagesOfTheRangeEachOnASheetOfItsOwn) {
    const std::vector<Range> ranges = {
        {2, 3, {2, 3}}, {1, 2, {1, 2}},      {5, 5, {5}},          {4, 0, {4, 5}}, {4, 9, {4, 5}},
        {0, 2, {1, 2}}, {0, 0, Pages(1, 5)}, {-1, 0, Pages(1, 5)}, {6, 0, {}},     {3, 2, {}},
    };
    for (const Range& range : ranges) {
        SCOPED_TRACE(::testing::Message() << "range " << range.first << " to " << range.last);
        RecordingPrinter printer;
        TestOwner owner;
        TQRPrinter pageStore(&owner, printer);
        ASSERT_TRUE(pageStore.PrintersPresent());
        pageStore.SetDestination(TQRPrinterDestination::qrdPrinter);
        pageStore.SetTitle(QStringLiteral("Proposta"));
        pageStore.SetFirstPage(range.first);
        pageStore.SetLastPage(range.last);
        int finished = 0;
        pageStore.OnPrintFinished = [&] { ++finished; };
        std::vector<int> startedJobs;
        pageStore.BeginDoc();
        EXPECT_EQ(pageStore.LeftWaste(), kLeftWaste);
        EXPECT_EQ(pageStore.TopWaste(), kTopWaste);
        for (int page = 1; page <= 5; ++page) {
            pageStore.NewPage();
            startedJobs.push_back(static_cast<int>(printer.jobs.size()));
            DrawPage(pageStore);
        }
        pageStore.EndDoc();

        EXPECT_EQ(pageStore.AvailablePages(), 5);
        EXPECT_EQ(finished, 1);
        EXPECT_FALSE(printer.Printing());
        if (range.printed.empty()) {
            EXPECT_TRUE(printer.jobs.empty()) << "no job starts when no page is in the range";
            continue;
        }
        ASSERT_EQ(printer.jobs.size(), 1u);
        const RecordedJob& job = printer.jobs.front();
        EXPECT_EQ(job.Title, QStringLiteral("Proposta"));
        EXPECT_TRUE(job.Ended);
        EXPECT_FALSE(job.Aborted);
        EXPECT_EQ(PrintedPages(job), range.printed);
        // The job begins when the range's first page opens, not before.
        for (int page = 1; page <= 5; ++page)
            EXPECT_EQ(startedJobs[std::size_t(page - 1)], page >= range.printed.front() ? 1 : 0) << page;
        // Drawn at the printer's resolution, from the printable area's corner.
        for (const RecordedSheet& sheet : job.Sheets) {
            ASSERT_EQ(sheet.Texts.size(), 2u);
            EXPECT_EQ(sheet.Texts[0].At, QPoint(RoundHalfEven((200 - kLeftWaste) * kDotsPerTenth),
                                                RoundHalfEven((200 - kTopWaste) * kDotsPerTenth)));
            EXPECT_EQ(sheet.Texts[1].At.y(), RoundHalfEven((400 - kTopWaste) * kDotsPerTenth));
            EXPECT_TRUE(sheet.Pictures.empty());
        }
        EXPECT_EQ(pageStore.GetPage(1), nullptr) << "direct printing keeps no page";
    }
}

TEST(QRPrinterRange, StoredPagesPrintTheirRangeStretchedOverThePaperAndTheRestStaysStored) {
    const std::vector<Range> ranges = {
        {5, 6, {5, 6}},      {1, 1, {1}},         {2, 0, Pages(2, 6)}, {0, 2, {1, 2}},
        {0, 0, Pages(1, 6)}, {3, 9, Pages(3, 6)}, {7, 0, {}},          {5, 4, {}},
    };
    RecordingPrinter printer;
    TestOwner owner;
    TQRPrinter pageStore(&owner, printer);
    pageStore.SetTitle(QStringLiteral("Guardadas"));
    MakeDocument(pageStore, 6);
    ASSERT_TRUE(printer.jobs.empty()) << "pages go to the page list, not to the printer";
    // A4 stretched so that the paper's corner lands outside the printable area by the offsets.
    const QRect paper(
        QPoint(RoundHalfEven(-kLeftWaste * kDotsPerTenth), RoundHalfEven(-kTopWaste * kDotsPerTenth)),
        QPoint(RoundHalfEven((2100 - kLeftWaste) * kDotsPerTenth) - 1,
               RoundHalfEven((2970 - kTopWaste) * kDotsPerTenth) - 1));
    // "Page N" at 20 mm from the paper's corner on the 96 dots-per-inch picture, scaled onto the sheet.
    const QPoint pageText(paper.left() + RoundHalfEven(RoundHalfEven(200 * 96 / 254.0) * paper.width() /
                                                       double(RoundHalfEven(2100 * 96 / 254.0))),
                          paper.top() + RoundHalfEven(RoundHalfEven(200 * 96 / 254.0) * paper.height() /
                                                      double(RoundHalfEven(2970 * 96 / 254.0))));

    int afterPrint = 0;
    for (const Range& range : ranges) {
        SCOPED_TRACE(::testing::Message() << "range " << range.first << " to " << range.last);
        const std::size_t jobsBefore = printer.jobs.size();
        pageStore.SetFirstPage(range.first);
        pageStore.SetLastPage(range.last);
        pageStore.Print();
        if (range.printed.empty()) {
            EXPECT_EQ(printer.jobs.size(), jobsBefore) << "an empty range starts no job";
            EXPECT_EQ(owner.afterPrintCount, afterPrint);
            continue;
        }
        EXPECT_EQ(owner.afterPrintCount, ++afterPrint);
        ASSERT_EQ(printer.jobs.size(), jobsBefore + 1);
        const RecordedJob& job = printer.jobs.back();
        EXPECT_EQ(job.Title, QStringLiteral("Guardadas"));
        EXPECT_TRUE(job.Ended);
        EXPECT_EQ(PrintedPages(job), range.printed);
        for (const RecordedSheet& sheet : job.Sheets) {
            EXPECT_EQ(sheet.Pictures, std::vector<QRect>{paper});
            ASSERT_FALSE(sheet.Texts.empty());
            EXPECT_EQ(sheet.Texts[0].At, pageText);
        }
        EXPECT_EQ(pageStore.PageNumber(), range.printed.back());
        EXPECT_EQ(pageStore.Status(), TQRPrinterStatus::mpFinished);
        EXPECT_EQ(pageStore.PageCount(), 6);
    }
}

} // namespace
} // namespace quorvel::testing
