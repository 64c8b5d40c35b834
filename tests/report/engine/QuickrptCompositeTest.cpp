#include "report/support/ReportTestSupport.h"

#include "platform/Metafile.h"
#include "platform/ScriptedDialogs.h"
#include "report/controls/Qrctrls.h"
#include "report/pagestore/QrprntrFilter.h"

#include <QCoreApplication>
#include <QSize>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace quorvel {
namespace {

using namespace testing;

// Records the calls a filter receives and the texts it is handed.
class CallFilter : public TQRExportFilter {
public:
    CallFilter()
        : TQRExportFilter(QStringLiteral("unused")) {}
    void Start(int paperWidth, int paperHeight, const TFont& font) override {
        TQRExportFilter::Start(paperWidth, paperHeight, font);
        calls.append(QStringLiteral("Start"));
        paper = QSize(paperWidth, paperHeight);
    }
    void NewPage() override { calls.append(QStringLiteral("NewPage")); }
    void EndPage() override { calls.append(QStringLiteral("EndPage")); }
    void Finish() override {
        TQRExportFilter::Finish();
        calls.append(QStringLiteral("Finish"));
    }
    void TextOut(double, double, const TFont&, TColor, TAlignment, const QString& text) override {
        calls.append(text);
    }
    QStringList calls;
    QSize paper;
};

// Two reports on one form, chained by a composite: A is a 100 mm title; B a 50 mm title, 30 records
// of 6 mm each from OnNeedData and a page footer with the page number, so B starts on page 1 under
// A's title and runs on to page 2.
struct Chain : ReportFixture {
    TQuickRep& second = CreateComponent<TQuickRep>(form);
    TQRCompositeReport& composite = CreateComponent<TQRCompositeReport>(form);
    QStringList finished;
    int recordsLeft = 0;
    int tagInSecondPass = 0;
    int tagInFirstPass = 0;

    Chain() {
        second.SetName(QStringLiteral("QuickRep2"));
        second.SetUnits(TQRUnit::MM);
        second.Page().SetPaperSize(TQRPaperSize::A4);
        composite.SetName(QStringLiteral("Composite"));
        report.SetTag(7);
        second.SetTag(5);

        TQRBand& titleA = AddBand(TQRBandType::rbTitle, QStringLiteral("TitleA"), 1000);
        AddText(titleA, {QStringLiteral("A")});
        titleA.BeforePrint = [this](TQRCustomBand&, bool&) { tagInFirstPass = report.Tag(); };

        TQRBand& titleB = SecondBand(TQRBandType::rbTitle, QStringLiteral("TitleB"), 500);
        AddText(titleB, {QStringLiteral("B")});
        titleB.BeforePrint = [this](TQRCustomBand&, bool&) { tagInSecondPass = second.Tag(); };
        TQRBand& detail = SecondBand(TQRBandType::rbDetail, QStringLiteral("DetailB"), 60);
        TTestText& line = AddText(detail, {});
        line.Source = [this] { return QStringList{QStringLiteral("B%1").arg(30 - recordsLeft)}; };
        TQRBand& footer = SecondBand(TQRBandType::rbPageFooter, QStringLiteral("FooterB"), 100);
        TQRSysData& number = footer.AddPrintable<TQRSysData>();
        number.SetData(TQRSysDataType::qrsPageNumber);
        second.OnNeedData = [this](TComponent&, bool& more) {
            more = recordsLeft > 0;
            if (more) --recordsLeft;
        };

        composite.OnAddReports = [this](TComponent&) {
            recordsLeft = 30;
            composite.Reports() = {&report, &second};
        };
        composite.OnFinished = [this](TComponent& sender) { finished.append(sender.Name()); };
    }

    TQRBand& SecondBand(TQRBandType type, const QString& name, double height) {
        TQRBand& band = Add<TQRBand>(name);
        band.SetBandType(type);
        band.SetParent(&second);
        band.Size().SetNativeValue(TQRBandSize::iHeight, height);
        return band;
    }
};

int Pixels(double tenths) {
    return static_cast<int>(std::lround(tenths * 96 / 254));
}

TEST(CompositeReport, SecondReportContinuesUnderTheFirstWithPageNumbersRunningOn) {
    Chain chain;
    chain.composite.Prepare();
    TQRPrinter* store = chain.composite.QRPrinter();
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->PageCount(), 2);
    const std::vector<PageText> texts = PageTexts(*store);
    ASSERT_GE(texts.size(), 4u);
    // A's title at the top margin, B's title right under it on the same page.
    EXPECT_EQ(texts[0], (PageText{1, QStringLiteral("A"), Pixels(100), Pixels(100)}));
    EXPECT_EQ(texts[1], (PageText{1, QStringLiteral("B"), Pixels(100), Pixels(1100)}));
    QStringList footers;
    QStringList details;
    for (const PageText& text : texts) {
        if (text.text.startsWith(QLatin1Char('B')) && text.text.size() > 1) details.append(text.text);
        if (!text.text.isEmpty() && text.text[0].isDigit())
            footers.append(QStringLiteral("%1:%2").arg(text.page).arg(text.text));
    }
    EXPECT_EQ(footers, (QStringList{QStringLiteral("1:1"), QStringLiteral("2:2")}));
    EXPECT_EQ(details.size(), 30);
    EXPECT_EQ(details.front(), QStringLiteral("B1"));
    EXPECT_EQ(details.back(), QStringLiteral("B30"));

    // Only the last report ran with Tag 999; both have their own Tag back.
    EXPECT_EQ(chain.tagInFirstPass, 7);
    EXPECT_EQ(chain.tagInSecondPass, 999);
    EXPECT_EQ(chain.report.Tag(), 7);
    EXPECT_EQ(chain.second.Tag(), 5);
    EXPECT_EQ(chain.finished, (QStringList{QStringLiteral("QuickRep1"), QStringLiteral("QuickRep2"),
                                           QStringLiteral("Composite")}));
    // The chained reports do not keep the composite's page store.
    EXPECT_EQ(chain.report.PageStore(), nullptr);
    EXPECT_EQ(chain.second.PageStore(), nullptr);
}

TEST(CompositeReport, ExportStartsAndFinishesTheFilterOnceOverTheWholeChain) {
    Chain chain;
    CallFilter filter;
    chain.composite.ExportToFilter(filter);
    EXPECT_EQ(filter.calls.count(QStringLiteral("Start")), 1);
    EXPECT_EQ(filter.calls.count(QStringLiteral("Finish")), 1);
    EXPECT_EQ(filter.calls.front(), QStringLiteral("Start"));
    EXPECT_EQ(filter.calls.back(), QStringLiteral("Finish"));
    // The filter sees A, then B on the same page, and one page break into page 2.
    const qsizetype a = filter.calls.indexOf(QStringLiteral("A"));
    const qsizetype b = filter.calls.indexOf(QStringLiteral("B"));
    ASSERT_GE(a, 0);
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(filter.calls.count(QStringLiteral("NewPage")), 2);
    EXPECT_EQ(filter.calls.count(QStringLiteral("B30")), 1);
    EXPECT_EQ(chain.second.Tag(), 5);
    EXPECT_EQ(chain.finished, (QStringList{QStringLiteral("QuickRep1"), QStringLiteral("QuickRep2"),
                                           QStringLiteral("Composite")}));
    EXPECT_EQ(chain.composite.QRPrinter(), nullptr);
}

TEST(CompositeReport, CancelledReportDropsTheDocumentAndStopsTheChain) {
    Chain chain;
    TQRCustomBand* titleA = chain.report.BandList().front();
    titleA->BeforePrint = [&](TQRCustomBand&, bool&) { chain.report.Cancel(); };
    bool secondRan = false;
    chain.second.BeforePrint = [&](TCustomQuickRep&, bool&) { secondRan = true; };
    chain.composite.Prepare();
    EXPECT_EQ(chain.composite.QRPrinter(), nullptr);
    EXPECT_FALSE(secondRan);
    EXPECT_EQ(chain.finished, (QStringList{QStringLiteral("Composite")}));
    EXPECT_EQ(chain.report.Tag(), 7);

    // A handler that adds no report: nothing is generated, the final notice still comes.
    chain.finished.clear();
    chain.composite.OnAddReports = [](TComponent&) {};
    chain.composite.Prepare();
    ASSERT_NE(chain.composite.QRPrinter(), nullptr);
    EXPECT_EQ(chain.composite.QRPrinter()->PageCount(), 0);
    EXPECT_EQ(chain.finished, (QStringList{QStringLiteral("Composite")}));
    CallFilter filter;
    chain.composite.ExportToFilter(filter);
    EXPECT_TRUE(filter.calls.isEmpty());
    EXPECT_EQ(chain.finished, (QStringList{QStringLiteral("Composite"), QStringLiteral("Composite")}));
}

// The preview shows the composite's pages while it is open; closing it frees the page store, and the
// page store set aside by the preview comes back.
TEST(CompositeReport, PreviewKeepsThePagesUntilItCloses) {
    Chain chain;
    chain.composite.Prepare();
    TQRPrinter* prepared = chain.composite.QRPrinter();
    int pagesShown = -1;
    TQRPrinter* shown = nullptr;
    chain.report.OnPreview = [&](TQRPrinter& store) {
        shown = &store;
        store.SetShowingPreview(true);
    };
    // The user closes the preview once the whole document is there.
    chain.composite.OnFinished = [&](TComponent& sender) {
        if (&sender != &chain.composite || !shown) return;
        QTimer::singleShot(0, [&] {
            pagesShown = shown->PageCount();
            shown->ClosePreview(nullptr);
        });
    };
    chain.composite.Preview();
    EXPECT_EQ(pagesShown, 2);
    EXPECT_NE(shown, nullptr);
    EXPECT_EQ(chain.composite.QRPrinter(), prepared);
}

// The document is on the first report's paper and orientation (a composite of A4 reports prints on
// A4 whatever the composite's own default), until the composite's settings name a paper.
TEST(CompositeReport, DocumentTakesTheFirstReportsPaperUnlessTheCompositeNamesOne) {
    struct Paper {
        TQRPaperSize size;
        QSize picture;
        QSize exported;
    };
    const auto run = [](const std::function<void(Chain&)>& setUp) {
        Chain chain;
        setUp(chain);
        chain.composite.Prepare();
        TQRPrinter* store = chain.composite.QRPrinter();
        if (!store || store->PageCount() < 2) return Paper{};
        const std::unique_ptr<TMetafile> last = store->GetPage(2);
        CallFilter filter;
        chain.composite.ExportToFilter(filter);
        return Paper{chain.second.Page().PaperSize(), QSize(last->Width(), last->Height()), filter.paper};
    };
    const Paper a4 = run([](Chain&) {});
    EXPECT_EQ(a4.size, TQRPaperSize::A4);
    EXPECT_EQ(a4.picture, QSize(Pixels(2100), Pixels(2970)));
    EXPECT_EQ(a4.exported, QSize(2100, 2970));

    const Paper landscape =
        run([](Chain& c) { c.report.Page().SetOrientation(TPrinterOrientation::poLandscape); });
    EXPECT_EQ(landscape.picture, QSize(Pixels(2970), Pixels(2100)));
    EXPECT_EQ(landscape.exported, QSize(2970, 2100));

    const Paper letter =
        run([](Chain& c) { c.composite.PrinterSettings().SetPaperSize(TQRPaperSize::Letter); });
    EXPECT_EQ(letter.size, TQRPaperSize::Letter);
    EXPECT_EQ(letter.picture, QSize(Pixels(2159), Pixels(2794)));
    EXPECT_EQ(letter.exported, QSize(2159, 2794));
}

// The preview of a composite shows the pages through a report of its own; printing from the
// preview prints the composite again (it asks for its reports once more), not that empty report.
TEST(CompositeReport, PrintFromThePreviewPrintsTheComposite) {
    Chain chain;
    bool printing = false;
    int askedWhilePrinting = 0;
    // The request that printing makes adds no report, so that nothing reaches a printer.
    chain.composite.OnAddReports = [&](TComponent&) {
        if (printing) {
            ++askedWhilePrinting;
            return;
        }
        chain.recordsLeft = 30;
        chain.composite.Reports() = {&chain.report, &chain.second};
    };
    TQRPrinter* shown = nullptr;
    chain.report.OnPreview = [&](TQRPrinter& store) {
        shown = &store;
        store.SetShowingPreview(true);
    };
    int pagesShown = 0;
    chain.composite.OnFinished = [&](TComponent& sender) {
        if (&sender != &chain.composite || !shown) return;
        QTimer::singleShot(0, [&] {
            pagesShown = shown->PageCount();
            printing = true;
            if (shown->ParentReport()) shown->ParentReport()->PrintReport();
            printing = false;
            shown->ClosePreview(nullptr);
        });
    };
    chain.composite.Preview();
    EXPECT_EQ(pagesShown, 2);
    EXPECT_EQ(askedWhilePrinting, 1);
    EXPECT_EQ(chain.composite.QRPrinter(), nullptr);
}

// The print-setup dialog of the report and of the composite offers the pages there are (any up to
// 9999 before a run) and keeps the range it is answered with, all pages as 0 to 0; a cancel keeps
// the range and sets the Tag to 1. The page store a run makes takes the copies, bin, range and driver
// switches from the settings, and the composite's its title. (Duplex reaches it only where the queue
// can print both sides; the printing tests pin that against a real queue.)
TEST(CompositeReport, PrintSetupKeepsTheChosenRangeAndRunsHandTheSettingsToThePageStore) {
    ScriptedDialogs dialogs;
    ScopedDialogService scope(dialogs);
    Chain chain;
    PrintDialogSettings pages;
    pages.range = PrintRange::Pages;
    pages.fromPage = 2;
    pages.toPage = 3;
    dialogs.QueuePrint(pages);
    dialogs.QueuePrint(std::nullopt);
    dialogs.QueuePrint(PrintDialogSettings{});
    chain.report.PrinterSetup();
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    EXPECT_EQ(dialogs.Calls()[0].print.minPage, 0);
    EXPECT_EQ(dialogs.Calls()[0].print.maxPage, 9999);
    EXPECT_EQ(chain.report.PrinterSettings().FirstPage(), 2);
    EXPECT_EQ(chain.report.PrinterSettings().LastPage(), 3);
    EXPECT_EQ(chain.report.Tag(), 0);
    chain.report.PrinterSetup();
    EXPECT_EQ(chain.report.Tag(), 1);
    EXPECT_EQ(chain.report.PrinterSettings().LastPage(), 3);
    chain.report.PrinterSetup();
    EXPECT_EQ(chain.report.PrinterSettings().FirstPage(), 0);
    EXPECT_EQ(chain.report.PrinterSettings().LastPage(), 0);
    EXPECT_EQ(chain.report.Tag(), 0);

    TQRCompositePrinterSettings& settings = chain.composite.PrinterSettings();
    settings.SetCopies(3);
    settings.SetTitle(QStringLiteral("Proposta"));
    settings.UseCustomPaperCode = true;
    settings.CustomPaperCode = 9;
    settings.UseCustomBinCode = true;
    settings.CustomBinCode = 260;
    settings.ExtendedDuplex = 2;
    settings.PrintQuality = 600;
    settings.Collate = 1;
    settings.ColorOption = 2;
    settings.PrintMetaFile = true;
    chain.composite.Prepare();
    TQRPrinter* store = chain.composite.QRPrinter();
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->PageCount(), 2);
    EXPECT_EQ(store->Copies(), 3);
    EXPECT_EQ(store->Title(), QStringLiteral("Proposta"));
    EXPECT_TRUE(store->UseCustomPaperCode());
    EXPECT_EQ(store->CustomPaperCode(), 9);
    EXPECT_TRUE(store->UseCustomBinCode());
    EXPECT_EQ(store->CustomBinCode(), 260);
    EXPECT_EQ(store->ExtendedDuplex(), 2);
    EXPECT_EQ(store->PrintQuality(), 600);
    EXPECT_EQ(store->Collate(), 1);
    EXPECT_EQ(store->ColorOption(), 2);
    EXPECT_TRUE(store->PrintMetafile());

    PrintDialogSettings last;
    last.range = PrintRange::Pages;
    last.fromPage = 2;
    last.toPage = 2;
    dialogs.QueuePrint(last);
    chain.composite.PrinterSetup();
    ASSERT_EQ(dialogs.Calls().size(), 4u);
    const PrintDialogSettings& offered = dialogs.Calls()[3].print;
    EXPECT_EQ(offered.minPage, 1);
    EXPECT_EQ(offered.maxPage, 2);
    EXPECT_EQ(offered.fromPage, 1);
    EXPECT_EQ(offered.toPage, 2);
    EXPECT_EQ(settings.FirstPage(), 2);
    EXPECT_EQ(settings.LastPage(), 2);
    EXPECT_EQ(chain.composite.Tag(), 0);
}

} // namespace
} // namespace quorvel
