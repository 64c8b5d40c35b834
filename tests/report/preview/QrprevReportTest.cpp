// The standard preview as a report opens it: through the registered preview class, while the report
// is still being generated.
#include "platform/ScriptedDialogs.h"
#include "report/Quickrpt.h"
#include "report/controls/Qrctrls.h"
#include "report/preview/Qrprev.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>

namespace quorvel {
namespace {

// A report of numbered records without a data set: each record prints "Item N" on a 1 cm band, 27
// records to an A4 page with 1 cm margins. onRecord runs as each record is asked for, on the thread
// that generates.
class ItemReport {
public:
    explicit ItemReport(int records)
        : records_(records)
        , report_(CreateComponent<TQuickRep>(form_)) {
        report_.SetName(QStringLiteral("QuickRep1"));
        report_.SetUnits(TQRUnit::MM);
        report_.Page().SetPaperSize(TQRPaperSize::A4);
        report_.SetReportTitle(QStringLiteral("Itens"));
        report_.PrevInitialZoom = TQRZoomState::qrZoomToWidth;
        report_.PrevFormStyle = TFormStyle::fsNormal;
        TQRBand& detail = CreateComponent<TQRBand>(form_);
        detail.SetName(QStringLiteral("Detail"));
        detail.SetBandType(TQRBandType::rbDetail);
        detail.SetParent(&report_);
        detail.Size().SetNativeValue(TQRBandSize::iHeight, 100);
        TQRSysData& number = CreateComponent<TQRSysData>(form_);
        number.SetName(QStringLiteral("Number"));
        number.SetParent(&detail);
        number.Size().SetNativeValue(TQRPrintableSize::iWidth, 500);
        number.Size().SetNativeValue(TQRPrintableSize::iHeight, 45);
        number.SetData(TQRSysDataType::qrsDetailNo);
        number.SetText(QStringLiteral("Item "));
        report_.OnNeedData = [this](TComponent&, bool& moreData) {
            moreData = given_ < records_;
            if (!moreData) return;
            ++given_;
            if (onRecord) onRecord(given_);
        };
        report_.AfterPreview = [this](TCustomQuickRep&) { ++afterPreview_; };
    }

    TQuickRep& Report() noexcept { return report_; }
    int Given() const noexcept { return given_; }
    int AfterPreviewCount() const noexcept { return afterPreview_; }

    std::function<void(int record)> onRecord;

private:
    int records_;
    std::atomic<int> given_ = 0;
    int afterPreview_ = 0;
    TReportForm form_;
    TQuickRep& report_;
};

TQRStandardPreview* OpenPreview() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<TQRStandardPreview*>(widget); window && window->isVisible())
            return window;
    return nullptr;
}

template <class T> T& Child(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QLatin1String(name));
    if (child == nullptr) throw std::logic_error(std::string("no child ") + name);
    return *child;
}

void LetWindowsGo() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

class PreviewReportTest : public ::testing::Test {
protected:
    PreviewReportTest() { RegisterStandardPreview(); }
    ~PreviewReportTest() override {
        LetWindowsGo();
        RegisterPreviewClass(nullptr);
        RegisterProgressWindowClass(nullptr);
    }

    ScriptedDialogs dialogs;
    ScopedDialogService installed{dialogs};
};

// The report lets window messages run at most every 10 ms; a record that takes longer makes sure
// the window hears of everything before the next record prints.
void TakeLongerThanTheMessageInterval() {
    QThread::msleep(12);
}

TEST_F(PreviewReportTest, TheWindowWorksWhilePagesArriveAndClosingItStopsTheReport) {
    ItemReport items(5000);
    QPointer<TQRStandardPreview> window;
    int closedAt = 0;
    items.onRecord = [&](int record) {
        switch (record) {
        case 100:
        case 130:
            TakeLongerThanTheMessageInterval();
            break;
        case 101: {
            // Pages 1 to 3 are done and page 4 is being composed.
            window = OpenPreview();
            ASSERT_NE(window, nullptr);
            TQRPrinter* pageStore = window->PageStore();
            ASSERT_EQ(pageStore, items.Report().QRPrinter());
            EXPECT_EQ(pageStore->Status(), TQRPrinterStatus::mpBusy);
            EXPECT_EQ(window->windowTitle(), QStringLiteral("Report Preview : Itens"));
            EXPECT_TRUE(window->QRPreview().PageImage().ImageOK()) << "the first finished page shows";
            EXPECT_EQ(window->StatusText(1), QStringLiteral("Page 1 of 4"));
            EXPECT_EQ(Child<QTableWidget>(*window, "ThumbGrid").rowCount(), 3);
            EXPECT_FALSE(Child<QToolButton>(*window, "Print").isEnabled());
            // The user turns to the last page through the window's own event handling.
            QTimer::singleShot(0, window, [&] { Child<QToolButton>(*window, "LastPage").click(); });
            TakeLongerThanTheMessageInterval();
            break;
        }
        case 102:
            ASSERT_TRUE(window);
            EXPECT_EQ(window->QRPreview().PageNumber(), 3) << "the last finished page";
            break;
        case 131:
            ASSERT_TRUE(window);
            EXPECT_EQ(window->StatusText(1), QStringLiteral("Page 3 of 5"));
            QTimer::singleShot(0, window, [&] {
                closedAt = items.Given();
                Child<QPushButton>(*window, "ExitButton").click();
            });
            TakeLongerThanTheMessageInterval();
            break;
        default:
            break;
        }
    };
    items.Report().Preview();

    ASSERT_GT(closedAt, 0);
    EXPECT_LE(items.Given(), closedAt + 1) << "the report stops at its next record";
    EXPECT_EQ(items.Report().QRPrinter(), nullptr) << "the cancelled report's pages are dropped";
    EXPECT_FALSE(items.Report().Busy());
    EXPECT_EQ(items.AfterPreviewCount(), 1);
    LetWindowsGo();
    EXPECT_TRUE(window.isNull()) << "the window freed itself";
}

TEST_F(PreviewReportTest, AFinishedReportStaysInTheWindowUntilItIsClosed) {
    ItemReport items(270); // 10 full pages; the last record on its own page 10
    bool checked = false;
    items.Report().AfterPreview = [&](TCustomQuickRep& report) {
        // Preview waits for the window once the pages are made; the window is used meanwhile.
        QTimer::singleShot(0, [&] {
            TQRStandardPreview* window = OpenPreview();
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(window->PageStore(), report.QRPrinter());
            for (const char* button : {"PrintSetup", "Print", "SaveReport", "LoadReport"})
                EXPECT_TRUE(Child<QToolButton>(*window, button).isEnabled()) << button;
            EXPECT_EQ(Child<QTableWidget>(*window, "ThumbGrid").rowCount(), 10);

            QTimer::singleShot(0, [] {
                auto* dialog = qobject_cast<TSearchDlg*>(QApplication::activeModalWidget());
                ASSERT_NE(dialog, nullptr);
                Child<QLineEdit>(*dialog, "Edit1").setText(QStringLiteral("item 270"));
                Child<QPushButton>(*dialog, "SpeedButton2").click();
            });
            Child<QToolButton>(*window, "FindButton").click();
            QListWidget& results = Child<QListWidget>(*window, "SearchResultBox");
            ASSERT_EQ(results.count(), 1);
            EXPECT_EQ(results.item(0)->text(), QStringLiteral("Page 10"));
            window->SearchResultBoxClick(0);
            EXPECT_EQ(window->StatusText(1), QStringLiteral("Page 10 of 10"));
            checked = true;
            window->close();
        });
    };
    items.Report().Preview();
    EXPECT_TRUE(checked);
    EXPECT_EQ(items.Given(), 270);
    EXPECT_EQ(items.Report().QRPrinter(), nullptr) << "closing the window frees the page store";
}

TEST_F(PreviewReportTest, AModalPreviewOfABackgroundRunCancelsItWhenClosed) {
    ItemReport items(100000);
    // The generating thread waits at record 100 until the window has been closed, so the close
    // always lands in the middle of the run.
    std::atomic<bool> closed = false;
    items.onRecord = [&](int record) {
        if (record != 100) return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!closed && std::chrono::steady_clock::now() < deadline)
            QThread::msleep(1);
    };
    int pagesSeen = 0;
    QElapsedTimer sinceStart;
    sinceStart.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        TQRStandardPreview* window = OpenPreview();
        if (window == nullptr || window->PageStore() == nullptr || window->PageStore()->AvailablePages() < 3)
            return;
        // The first page reaches the window through its event queue, after the store has it; give it
        // time, but not beyond the generating thread's own wait.
        if (!window->QRPreview().PageImage().ImageOK() && sinceStart.elapsed() < 10000) return;
        poll.stop();
        pagesSeen = window->PageStore()->AvailablePages();
        EXPECT_TRUE(window->QRPreview().PageImage().ImageOK());
        EXPECT_TRUE(window->isModal());
        window->close();
        closed = true;
    });
    poll.start(5);
    items.Report().PreviewModal();
    poll.stop();
    items.Report().WaitForBackgroundPass();
    LetWindowsGo();

    EXPECT_TRUE(closed);
    EXPECT_EQ(pagesSeen, 3);
    EXPECT_LE(items.Given(), 101) << "the background run stops at its next record";
    EXPECT_EQ(items.Report().QRPrinter(), nullptr) << "the cancelled run's pages are dropped";
    EXPECT_EQ(OpenPreview(), nullptr);
}

} // namespace
} // namespace quorvel
