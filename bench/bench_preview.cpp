// The preview over a long report: 700 dense pages (a proposal of about 10,000 items; 200 text lines
// and 50 frames a page) in a page store. Measures a page turn with its repaint at 100 % and a search
// over every page for a word that only the last page carries. BM_ReportPreview runs a report of
// 10,000 records through the standard preview window as the application does and reports when the
// first page showed in the window and when every page was available.
#include "platform/Canvas.h"
#include "report/Qrprntr.h"
#include "report/Quickrpt.h"
#include "report/controls/Qrctrls.h"
#include "report/preview/Qrprev.h"
#include "support/BenchMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace quorvel;

constexpr int Pages = 700;

void DrawProposalPage(TQRPrinter& pageStore, bool last) {
    TCanvas& canvas = pageStore.Canvas();
    canvas.SetFont(TFont(QStringLiteral("Arial"), 8));
    const int page = pageStore.PageNumber();
    for (int line = 0; line < 200; ++line)
        canvas.TextOut(pageStore.XPos(100 + 1000 * (line / 100)), pageStore.YPos(100 + 27 * (line % 100)),
                       QStringLiteral("%1 %2  Caneta esferográfica azul  cx 50 un.  R$ %3,50")
                           .arg(page)
                           .arg(line + 1, 3)
                           .arg(line * 3 + 1));
    for (int frame = 0; frame < 50; ++frame)
        canvas.Rectangle(pageStore.XPos(100 + 38 * frame), pageStore.YPos(2800),
                         pageStore.XPos(130 + 38 * frame), pageStore.YPos(2900));
    if (last) canvas.TextOut(pageStore.XPos(100), pageStore.YPos(2950), QStringLiteral("TOTAL GERAL"));
}

struct Report {
    TQRPrinter pageStore;
    Report() {
        pageStore.SetPaperSize(TQRPaperSize::A4);
        pageStore.BeginDoc();
        for (int page = 1; page <= Pages; ++page) {
            pageStore.NewPage();
            DrawProposalPage(pageStore, page == Pages);
        }
        pageStore.EndDoc();
    }
};

// Made on first use and freed in main, while the application object still exists.
std::unique_ptr<Report> sharedReport;

Report& SharedReport() {
    if (!sharedReport) sharedReport = std::make_unique<Report>();
    return *sharedReport;
}

// Next page and its repaint at 100 %, as Page Down does.
void BM_PageTurnRepaint(benchmark::State& state) {
    TQRPreview preview;
    preview.resize(900, 1200);
    preview.show();
    preview.SetQRPrinter(&SharedReport().pageStore);
    preview.SetZoom(100);
    QImage target(preview.PageImage().size(), QImage::Format_ARGB32_Premultiplied);
    int page = 1;
    for (auto _ : state) {
        page = page % Pages + 1;
        preview.SetPageNumber(page);
        preview.PageImage().render(&target);
    }
    // What was painted: the dark pixels of the last page shown, so a blank repaint shows up.
    const QImage& shown = target;
    int dark = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (qGray(shown.pixel(x, y)) < 128) ++dark;
    state.counters["dark_pixels"] = dark;
    preview.SetQRPrinter(nullptr);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PageTurnRepaint)->Unit(benchmark::kMillisecond);

// The search of the preview window over every page (fetch, enumerate the text records, compare).
void BM_SearchEveryPage(benchmark::State& state) {
    TQRPrinter& pageStore = SharedReport().pageStore;
    int hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (int page = 1; page <= pageStore.PageCount(); ++page)
            if (const auto picture = pageStore.GetPage(page);
                picture && StrInMetafile(QStringLiteral("Total"), *picture, false))
                ++hits;
    }
    state.counters["hits"] = hits;
    state.counters["pages"] = Pages;
}
BENCHMARK(BM_SearchEveryPage)->Unit(benchmark::kMillisecond);

// The share of the search that fetching the pages takes.
void BM_FetchEveryPage(benchmark::State& state) {
    TQRPrinter& pageStore = SharedReport().pageStore;
    for (auto _ : state)
        for (int page = 1; page <= pageStore.PageCount(); ++page)
            benchmark::DoNotOptimize(pageStore.GetPage(page));
}
BENCHMARK(BM_FetchEveryPage)->Unit(benchmark::kMillisecond);

// A report of numbered items without a data set: a 5 mm detail band with the item number and a
// description, 54 items to an A4 page.
class ItemReport {
public:
    explicit ItemReport(int records)
        : records_(records)
        , report_(CreateComponent<TQuickRep>(form_)) {
        report_.SetUnits(TQRUnit::MM);
        report_.Page().SetPaperSize(TQRPaperSize::A4);
        report_.PrevInitialZoom = TQRZoomState::qrZoomToWidth;
        report_.PrevFormStyle = TFormStyle::fsNormal;
        TQRBand& detail = CreateComponent<TQRBand>(form_);
        detail.SetBandType(TQRBandType::rbDetail);
        detail.SetParent(&report_);
        detail.Size().SetNativeValue(TQRBandSize::iHeight, 50);
        TQRSysData& number = CreateComponent<TQRSysData>(form_);
        number.SetParent(&detail);
        number.SetData(TQRSysDataType::qrsDetailNo);
        number.Size().SetNativeValue(TQRPrintableSize::iWidth, 150);
        number.Size().SetNativeValue(TQRPrintableSize::iHeight, 40);
        TQRLabel& description = CreateComponent<TQRLabel>(form_);
        description.SetParent(&detail);
        description.SetCaption(QStringLiteral("Caneta esferográfica azul, corpo transparente, cx 50 un."));
        description.Size().SetNativeValue(TQRPrintableSize::iLeft, 200);
        description.Size().SetNativeValue(TQRPrintableSize::iWidth, 1500);
        description.Size().SetNativeValue(TQRPrintableSize::iHeight, 40);
        report_.OnNeedData = [this](TComponent&, bool& moreData) {
            moreData = given_ < records_;
            if (moreData) ++given_;
        };
    }
    TQuickRep& Report() noexcept { return report_; }
    void Rewind() noexcept { given_ = 0; }

private:
    int records_;
    int given_ = 0;
    TReportForm form_;
    TQuickRep& report_;
};

TQRStandardPreview* OpenPreview() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<TQRStandardPreview*>(widget); window && window->isVisible())
            return window;
    return nullptr;
}

// From Preview until the window shows page 1, and until the report is finished and all its pages
// are in the window; the window is then closed.
void BM_ReportPreview(benchmark::State& state) {
    RegisterStandardPreview();
    ItemReport items(10000);
    double firstPage = 0;
    double allPages = 0;
    int pages = 0;
    for (auto _ : state) {
        items.Rewind();
        QElapsedTimer clock;
        firstPage = 0;
        // Looks for the first page at every turn of the event loop the report gives.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (TQRStandardPreview* window = OpenPreview();
                window != nullptr && firstPage == 0 && window->QRPreview().PageImage().ImageOK())
                firstPage = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        });
        watch.start(0);
        items.Report().AfterPreview = [&](TCustomQuickRep& report) {
            allPages = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            pages = report.QRPrinter() != nullptr ? report.QRPrinter()->AvailablePages() : 0;
            watch.stop();
            QTimer::singleShot(0, [] {
                if (TQRStandardPreview* window = OpenPreview()) window->close();
            });
        };
        clock.start();
        items.Report().Preview();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    state.counters["first_page_ms"] = firstPage;
    state.counters["all_pages_ms"] = allPages;
    state.counters["pages"] = pages;
    RegisterPreviewClass(nullptr);
    RegisterProgressWindowClass(nullptr);
}
BENCHMARK(BM_ReportPreview)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunBenchmarks<QApplication>(argc, argv, quorvel::bench::BenchLocale::System,
                                                       [] { sharedReport.reset(); });
}
