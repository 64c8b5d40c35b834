#include "report/support/NoPrintServer.h"
#include "report/support/RecordingPrinter.h"
#include "report/support/TestOwner.h"

#include "platform/Canvas.h"
#include "platform/ScriptedDialogs.h"
#include "report/Qrprntr.h"
#include "report/pagestore/QrprntrFilter.h"
#include "report/preview/Qrprev.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using testing::MessageLog;
using testing::RecordingPrinter;
using testing::TestOwner;

// Pages that say "Página N"; the pages listed also carry the summary line "TOTAL GERAL".
void DrawPage(TQRPrinter& pageStore, bool withTotal) {
    TCanvas& canvas = pageStore.Canvas();
    canvas.SetFont(TFont(QStringLiteral("Arial"), 12));
    canvas.TextOut(pageStore.XPos(200), pageStore.YPos(200),
                   QStringLiteral("Página %1").arg(pageStore.PageNumber()));
    if (withTotal) canvas.TextOut(pageStore.XPos(200), pageStore.YPos(2500), QStringLiteral("TOTAL GERAL"));
}

void MakeDocument(TQRPrinter& pageStore, int pages, std::initializer_list<int> totals = {}) {
    pageStore.SetPaperSize(TQRPaperSize::A4);
    pageStore.BeginDoc();
    for (int page = 1; page <= pages; ++page) {
        pageStore.NewPage();
        DrawPage(pageStore, std::find(totals.begin(), totals.end(), page) != totals.end());
    }
    pageStore.EndDoc();
}

void SendKey(QWidget& target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&target, &press);
}

// The window frees itself when closed; this lets the deferred deletion happen.
void LetWindowsGo() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

template <class T> T& Child(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QLatin1String(name));
    if (child == nullptr) throw std::logic_error(std::string("no child ") + name);
    return *child;
}

class PreviewTest : public ::testing::Test {
protected:
    PreviewTest() {
        owner.preview.InitialState = TWindowState::wsNormal;
        owner.preview.InitialZoom = TQRZoomState::qrZoomOther;
        owner.preview.Title = QStringLiteral("Proposta");
        owner.preview.Width = 825;
        owner.preview.Height = 574;
    }
    ~PreviewTest() override { LetWindowsGo(); }

    ScriptedDialogs dialogs;
    ScopedDialogService installed{dialogs};
    TestOwner owner;
};

TEST_F(PreviewTest, ZoomFitsTheControlAndIgnoresValuesOutOfRange) {
    TQRPrinter pageStore;
    MakeDocument(pageStore, 1);
    TQRPreview preview;
    preview.resize(600, 800);
    preview.show();
    preview.SetQRPrinter(&pageStore);
    EXPECT_TRUE(pageStore.ShowingPreview());
    EXPECT_EQ(pageStore.PreviewControl(), &preview);

    // An A4 page is 794 × 1123 pixels at 100 %.
    preview.ZoomToFit();
    EXPECT_EQ(preview.Zoom(), 68); // min(600 ÷ 794 × 95, 800 ÷ 1123 × 95) = min(72, 68)
    EXPECT_EQ(preview.ZoomMode(), TQRZoomState::qrZoomToFit);
    EXPECT_EQ(preview.PageImage().width(), 544);
    EXPECT_EQ(preview.PageImage().x(), 28) << "a narrower page is centred";
    preview.ZoomToWidth();
    EXPECT_EQ(preview.Zoom(), 68); // 600 ÷ 794 × 90
    EXPECT_EQ(preview.ZoomMode(), TQRZoomState::qrZoomToWidth);

    preview.SetZoom(1);
    preview.SetZoom(2001);
    EXPECT_EQ(preview.Zoom(), 68);
    EXPECT_EQ(preview.ZoomMode(), TQRZoomState::qrZoomToWidth) << "a refused zoom keeps the zoom state";
    preview.SetZoom(100);
    EXPECT_EQ(preview.ZoomMode(), TQRZoomState::qrZoomOther);
    EXPECT_EQ(preview.PageImage().size(), QSize(798, 1127));
    EXPECT_EQ(preview.PageImage().x(), 0);
    EXPECT_EQ(preview.PageImage().Zoom(), 100);

    // A fitted page is fitted again when the control changes size.
    preview.ZoomToFit();
    preview.resize(300, 400);
    EXPECT_EQ(preview.Zoom(), 34);

    // Without a page store the first paper of the table (816 × 1056) is fitted.
    TQRPreview empty;
    empty.resize(600, 800);
    empty.ZoomToFit();
    EXPECT_EQ(empty.Zoom(), 70);

    preview.SetQRPrinter(nullptr);
    EXPECT_FALSE(pageStore.ShowingPreview());
    EXPECT_EQ(pageStore.PreviewControl(), nullptr);
}

TEST_F(PreviewTest, TheWindowFollowsPagesAsTheyArrive) {
    TQRPrinter pageStore(&owner);
    pageStore.SetPaperSize(TQRPaperSize::A4);
    TQRStandardPreview& window = *ShowStandardPreview(pageStore, TPreviewModality::Modeless);
    QPointer<QWidget> alive(&window);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Report Preview : Proposta"));
    EXPECT_EQ(window.StatusText(0), QStringLiteral("0%"));
    EXPECT_FALSE(Child<QToolButton>(window, "Print").isEnabled());

    pageStore.BeginDoc();
    pageStore.NewPage();
    DrawPage(pageStore, false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.QRPreview().PageImage().ImageOK()) << "page 1 is still being composed";
    pageStore.NewPage();
    DrawPage(pageStore, false);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.QRPreview().PageImage().ImageOK()) << "page 1 shows once it is finished";
    EXPECT_EQ(window.StatusText(1), QStringLiteral("Page 1 of 2"));
    EXPECT_EQ(window.StatusText(2), QStringLiteral("Proposta"));

    // Progress is shown in steps of five; 100 clears the panel.
    const std::pair<int, const char*> steps[] = {{3, "0%"}, {5, "5%"}, {7, "5%"}, {10, "10%"}};
    for (const auto& [percent, shown] : steps) {
        pageStore.SetProgress(percent);
        QCoreApplication::processEvents();
        EXPECT_EQ(window.StatusText(0), QLatin1String(shown)) << percent;
    }

    // While page 3 is composed, End goes to page 2 and the grid shows 2 rows.
    pageStore.NewPage();
    DrawPage(pageStore, false);
    QCoreApplication::processEvents();
    SendKey(window.QRPreview(), Qt::Key_End);
    EXPECT_EQ(window.QRPreview().PageNumber(), 2);
    EXPECT_EQ(Child<QTableWidget>(window, "ThumbGrid").rowCount(), 2);
    EXPECT_EQ(window.StatusText(1), QStringLiteral("Page 2 of 3"));
    EXPECT_FALSE(Child<QToolButton>(window, "SaveReport").isEnabled());
    window.FindButtonClick(); // no search while the report runs: no dialog opens

    pageStore.SetProgress(100);
    pageStore.EndDoc();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.StatusText(0), QString());
    EXPECT_EQ(Child<QTableWidget>(window, "ThumbGrid").rowCount(), 3);
    for (const char* button : {"PrintSetup", "Print", "SaveReport", "LoadReport"})
        EXPECT_TRUE(Child<QToolButton>(window, button).isEnabled()) << button;

    // Keys: Home, Page Down, Ctrl+Page Down, Page Up with another modifier, selecting a thumbnail.
    SendKey(window, Qt::Key_Home);
    EXPECT_EQ(window.QRPreview().PageNumber(), 1);
    SendKey(window.QRPreview(), Qt::Key_PageDown);
    EXPECT_EQ(window.QRPreview().PageNumber(), 2);
    SendKey(window.QRPreview(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(window.QRPreview().PageNumber(), 3);
    EXPECT_EQ(Child<QTableWidget>(window, "ThumbGrid").currentRow(), 2) << "the thumbnail follows";
    SendKey(window.QRPreview(), Qt::Key_PageUp, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window.QRPreview().PageNumber(), 2) << "only Ctrl alone jumps to the first page";
    Child<QTableWidget>(window, "ThumbGrid").setCurrentCell(0, 0);
    EXPECT_EQ(window.QRPreview().PageNumber(), 1);
    EXPECT_EQ(window.StatusText(1), QStringLiteral("Page 1 of 3"));

    SendKey(window, Qt::Key_Escape);
    LetWindowsGo();
    EXPECT_TRUE(alive.isNull()) << "the window frees itself when closed";
    EXPECT_FALSE(pageStore.ShowingPreview());
}

TEST_F(PreviewTest, LinesScrollWithinThePageAndThenTurnIt) {
    TQRPrinter pageStore(&owner);
    MakeDocument(pageStore, 2);
    owner.preview.InitialZoom = TQRZoomState::qrZoomOther;
    owner.preview.Zoom = 200;
    TQRStandardPreview& window = *ShowStandardPreview(pageStore, TPreviewModality::Modeless);
    QCoreApplication::processEvents();
    QScrollBar& bar = *window.QRPreview().verticalScrollBar();
    ASSERT_GT(bar.maximum(), 200);
    EXPECT_EQ(bar.singleStep(), 43);
    SendKey(window.QRPreview(), Qt::Key_Down);
    EXPECT_EQ(bar.value(), 43);
    SendKey(window.QRPreview(), Qt::Key_Up);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_EQ(window.QRPreview().PageNumber(), 1) << "Up at the top of the first page stays";
    bar.setValue(bar.maximum() - 10);
    SendKey(window.QRPreview(), Qt::Key_Down);
    EXPECT_EQ(window.QRPreview().PageNumber(), 2);
    EXPECT_EQ(bar.value(), 0) << "the next page starts at its top";
    SendKey(window.QRPreview(), Qt::Key_Up);
    EXPECT_EQ(window.QRPreview().PageNumber(), 1);
    EXPECT_EQ(bar.value(), bar.maximum() - 43) << "the previous page shows its end";
    window.close();

    // A one-page report stays on its page.
    TQRPrinter single(&owner);
    MakeDocument(single, 1);
    TQRStandardPreview& one = *ShowStandardPreview(single, TPreviewModality::Modeless);
    QCoreApplication::processEvents();
    SendKey(one.QRPreview(), Qt::Key_PageDown);
    SendKey(one.QRPreview(), Qt::Key_End);
    EXPECT_EQ(one.QRPreview().PageNumber(), 1);
    EXPECT_EQ(one.StatusText(1), QStringLiteral("Page 1 of 1"));
    one.close();
}

TEST_F(PreviewTest, GoToPageAsksForANumberAndFallsBackToPageOne) {
    TQRPrinter pageStore(&owner);
    MakeDocument(pageStore, 5);
    TQRStandardPreview& window = *ShowStandardPreview(pageStore, TPreviewModality::Modeless);
    dialogs.QueueInput(QStringLiteral("3"));
    dialogs.QueueInput(std::nullopt);
    dialogs.QueueInput(QStringLiteral("9"));
    dialogs.QueueInput(QStringLiteral("dois"));
    window.GotoPageButtonClick();
    EXPECT_EQ(window.QRPreview().PageNumber(), 3);
    window.GotoPageButtonClick();
    EXPECT_EQ(window.QRPreview().PageNumber(), 3) << "cancelling keeps the page shown";
    window.GotoPageButtonClick();
    EXPECT_EQ(window.QRPreview().PageNumber(), 1);
    Child<QToolButton>(window, "LastPage").click();
    window.GotoPageButtonClick();
    EXPECT_EQ(window.QRPreview().PageNumber(), 1);

    ASSERT_EQ(dialogs.Calls().size(), 4u);
    const DialogCall& second = dialogs.Calls()[1];
    EXPECT_EQ(second.kind, DialogCall::Kind::Input);
    EXPECT_EQ(second.title, QStringLiteral("Select a page from 1 to 5"));
    EXPECT_EQ(second.text, QStringLiteral("Enter page number"));
    EXPECT_EQ(second.value, QStringLiteral("3"));
    EXPECT_EQ(dialogs.Calls()[3].value, QStringLiteral("5"));
    window.close();
}

// Answers the search dialog once it is open.
void AnswerSearch(const QString& text, bool matchCase) {
    QTimer::singleShot(0, [text, matchCase] {
        auto* dialog = qobject_cast<TSearchDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Search for Text"));
        EXPECT_EQ(Child<QCheckBox>(*dialog, "CheckBox1").text(), QStringLiteral("Match case"));
        Child<QLineEdit>(*dialog, "Edit1").setText(text);
        Child<QCheckBox>(*dialog, "CheckBox1").setChecked(matchCase);
        Child<QPushButton>(*dialog, "SpeedButton2").click();
    });
}

TEST_F(PreviewTest, SearchLooksAtEveryPageAndListsTheHits) {
    TQRPrinter pageStore(&owner);
    MakeDocument(pageStore, 6, {2, 6});
    TQRStandardPreview& window = *ShowStandardPreview(pageStore, TPreviewModality::Modeless);
    QListWidget& results = Child<QListWidget>(window, "SearchResultBox");
    EXPECT_FALSE(results.isEnabled());

    AnswerSearch(QStringLiteral("Total"), false);
    window.FindButtonClick();
    EXPECT_TRUE(results.isEnabled());
    EXPECT_EQ(Child<QLabel>(window, "SearchTextLabel").text(), QStringLiteral("Total"));
    ASSERT_EQ(results.count(), 2);
    EXPECT_EQ(results.item(0)->text(), QStringLiteral("Page 2"));
    EXPECT_EQ(results.item(1)->text(), QStringLiteral("Page 6"));
    EXPECT_EQ(Child<QTabWidget>(window, "Tabs").currentWidget()->objectName(),
              QStringLiteral("TabSearchResult"));
    window.SearchResultBoxClick(1);
    EXPECT_EQ(window.QRPreview().PageNumber(), 6);

    // Accented text is matched by its single bytes.
    AnswerSearch(QStringLiteral("página 4"), false);
    window.FindButtonClick();
    ASSERT_EQ(results.count(), 1);
    EXPECT_EQ(results.item(0)->text(), QStringLiteral("Page 4"));

    AnswerSearch(QStringLiteral("Total"), true);
    window.FindButtonClick();
    ASSERT_EQ(results.count(), 1);
    EXPECT_EQ(results.item(0)->text(), QStringLiteral("No matching text"));
    EXPECT_FALSE(results.isEnabled());
    window.SearchResultBoxClick(0);
    EXPECT_EQ(window.QRPreview().PageNumber(), 1) << "an item without a page selects page 1";

    // Cancelled, the search leaves the results alone.
    QTimer::singleShot(0, [] {
        if (auto* dialog = QApplication::activeModalWidget())
            Child<QPushButton>(*dialog, "SpeedButton1").click();
    });
    window.FindButtonClick();
    EXPECT_EQ(results.item(0)->text(), QStringLiteral("No matching text"));
    window.close();
}

// A filter that only records that the page store handed it on.
class RecordingFilter : public TQRExportFilter {
public:
    using TQRExportFilter::TQRExportFilter;
    static QString ClassName() { return QStringLiteral("TRecordingFilter"); }
    QString GetFilterName() const override { return QStringLiteral("Recording"); }
    QString GetExtension() const override { return QStringLiteral("REC"); }
};

TEST_F(PreviewTest, SaveWritesTheSavedReportOrHandsTheChosenFilterToTheReport) {
    QTemporaryDir dir;
    TQRPrinter pageStore(&owner);
    MakeDocument(pageStore, 3);
    QStringList exported;
    pageStore.OnExportToFilter = [&](TQRExportFilter& filter) { exported << filter.TargetFile(); };
    QRExportFilterLibrary().AddFilter(ExportFilterClass<RecordingFilter>());
    TQRStandardPreview& window = *ShowStandardPreview(pageStore, TPreviewModality::Modeless);

    const QString saved = dir.filePath(QStringLiteral("proposta.qrp"));
    dialogs.QueueSaveFile(SaveFileChoice{saved, 1});
    const int recording = static_cast<int>(QRExportFilterLibrary().Filters().size()) + 1;
    dialogs.QueueSaveFile(SaveFileChoice{dir.filePath(QStringLiteral("proposta.rec")), recording});
    dialogs.QueueSaveFile(std::nullopt);
    window.SaveClick();
    window.SaveClick();
    window.SaveClick();
    QRExportFilterLibrary().RemoveFilter(ExportFilterClass<RecordingFilter>());

    const DialogCall& call = dialogs.Calls()[0];
    EXPECT_EQ(call.kind, DialogCall::Kind::SaveFile);
    EXPECT_EQ(call.title, QStringLiteral("Save report"));
    EXPECT_TRUE(call.file.filter.startsWith(QStringLiteral("Tessaly file(*.QRP)|*.QRP")));
    EXPECT_TRUE(call.file.filter.endsWith(QStringLiteral("|Recording (*.REC)|*.REC")));
    EXPECT_EQ(call.file.defaultExtension, QStringLiteral("QRP"));
    EXPECT_EQ(call.file.overwrite, FileDialogOptions::Overwrite::Prompt);

    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const std::shared_ptr<TQRStream> stream = pageStore.PageList().Stream();
    QByteArray stored(stream->Size(), '\0');
    stream->Seek(0, TSeekOrigin::soBeginning);
    stream->Read(stored.data(), stored.size());
    EXPECT_EQ(bytes, stored) << "the saved report is the page list's stream";
    EXPECT_EQ(exported, QStringList{dir.filePath(QStringLiteral("proposta.rec"))});
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("proposta.rec"))))
        << "the report writes it, not the window";
    window.close();
}

TEST_F(PreviewTest, LoadShowsTheSavedPagesAndNoLongerOffersSaving) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("antigo.qrp"));
    {
        TQRPrinter other;
        MakeDocument(other, 4, {4});
        other.Save(name);
    }
    RecordingPrinter printer;
    TQRPrinter pageStore(&owner, printer);
    MakeDocument(pageStore, 2);
    TQRStandardPreview& window = *ShowStandardPreview(pageStore, TPreviewModality::Modeless);

    dialogs.QueueOpenFile(dir.filePath(QStringLiteral("missing.qrp")));
    window.LoadClick();
    EXPECT_EQ(dialogs.MessageTexts(), QStringList{QStringLiteral("File does not exist")});
    EXPECT_EQ(pageStore.PageCount(), 2);

    dialogs.QueueOpenFile(name);
    window.LoadClick();
    EXPECT_EQ(dialogs.Calls()[2].title, QStringLiteral("Load report"));
    EXPECT_EQ(dialogs.Calls()[2].file.filter, QStringLiteral("Tessaly file (*.QRP)|*.QRP"));
    EXPECT_EQ(pageStore.PageCount(), 4);
    EXPECT_EQ(window.StatusText(1), QStringLiteral("Page 1 of 4"));
    EXPECT_EQ(window.StatusText(2), name);
    EXPECT_EQ(window.PreviewTitle(), name);
    EXPECT_TRUE(pageStore.PrintMetafileFromPreview());
    EXPECT_TRUE(Child<QToolButton>(window, "Print").isEnabled());
    EXPECT_TRUE(Child<QToolButton>(window, "SaveReport").isHidden());
    EXPECT_EQ(Child<QTableWidget>(window, "ThumbGrid").rowCount(), 4);
    ASSERT_EQ(owner.pagePapers.size(), 1u);
    EXPECT_EQ(owner.pagePapers[0].first, TQRPaperSize::A4Small);
    EXPECT_TRUE(window.QRPreview().PageImage().ImageOK());

    // The loaded pages are printed as they are, not by the report.
    window.PrintClick();
    EXPECT_EQ(owner.printReportCount, 0);
    ASSERT_EQ(printer.jobs.size(), 1u);
    EXPECT_TRUE(printer.jobs[0].Ended);
    EXPECT_EQ(printer.jobs[0].Sheets.size(), 4u);
    window.close();
}

// Each window keeps its own title: a file loaded into one window, or a window opened on pages without
// a report, leaves the title another window shows alone.
TEST_F(PreviewTest, EachWindowShowsItsOwnTitle) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("antigo.qrp"));
    {
        TQRPrinter other;
        MakeDocument(other, 1);
        other.Save(name);
    }
    TQRPrinter reportPages(&owner);
    MakeDocument(reportPages, 2);
    TQRStandardPreview& proposal = *ShowStandardPreview(reportPages, TPreviewModality::Modeless);
    TQRPrinter loosePages;
    MakeDocument(loosePages, 1);
    TQRStandardPreview& loose = *ShowStandardPreview(loosePages, TPreviewModality::Modeless);
    EXPECT_EQ(loose.PreviewTitle(), QString()) << "a window without a report has no title to show";

    dialogs.QueueOpenFile(name);
    loose.LoadClick();
    EXPECT_EQ(loose.StatusText(2), name);
    proposal.UpdateInfo();
    EXPECT_EQ(proposal.StatusText(2), QStringLiteral("Proposta"));
    EXPECT_EQ(proposal.PreviewTitle(), QStringLiteral("Proposta"));
    loose.close();
    proposal.close();
}

// A file that is not a saved report (a PDF saved from the same window, say) is refused with the
// page list's message, once, and the report on screen stays as it was: its pages, status, thumbnails,
// the page shown and the save button.
// A print job showing a saved file's pages takes the saving away through the preview interface.
TEST_F(PreviewTest, TheStandardInterfaceShowsTheWindowAndTakesItsSavingAway) {
    TQRPrinter pageStore(&owner);
    MakeDocument(pageStore, 2);
    TQRStandardPreviewInterface preview;
    QObject* shown = preview.Show(pageStore);
    auto* window = qobject_cast<TQRStandardPreview*>(shown);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(pageStore.ShowingPreview());
    EXPECT_TRUE(Child<QToolButton>(*window, "SaveReport").isEnabled()) << "a finished report can be saved";
    QObject notAPreview;
    preview.DisableSaving(notAPreview);
    EXPECT_TRUE(Child<QToolButton>(*window, "SaveReport").isEnabled());
    preview.DisableSaving(*shown);
    EXPECT_FALSE(Child<QToolButton>(*window, "SaveReport").isEnabled());
    EXPECT_TRUE(Child<QToolButton>(*window, "Print").isEnabled()) << "the pages still print";
    window->close();
}

TEST_F(PreviewTest, LoadingAFileThatIsNotASavedReportKeepsTheReportShown) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("relatorio.pdf"));
    {
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.3\r\n%\xC5\xAD\x6F\x81\r\n1 0 obj\r\n<<\r\n/Type /Catalog\r\n>>\r\nendobj\r\n");
    }
    TQRPrinter pageStore(&owner);
    MakeDocument(pageStore, 3);
    TQRStandardPreview& window = *ShowStandardPreview(pageStore, TPreviewModality::Modeless);
    window.SelectPage(2);

    dialogs.QueueOpenFile(pdf);
    Child<QToolButton>(window, "LoadReport").click();
    ASSERT_EQ(dialogs.Calls().size(), 2u);
    EXPECT_EQ(dialogs.Calls()[0].file.filter, QStringLiteral("Tessaly file (*.QRP)|*.QRP"));
    EXPECT_EQ(dialogs.Calls()[0].file.fileName, QString()) << "no name of another format offered";
    EXPECT_EQ(dialogs.MessageTexts(), QStringList{QStringLiteral("Not a saved report file")});
    EXPECT_EQ(pageStore.Status(), TQRPrinterStatus::mpFinished);
    EXPECT_EQ(pageStore.PageCount(), 3);
    EXPECT_EQ(window.StatusText(1), QStringLiteral("Page 2 of 3"));
    EXPECT_EQ(Child<QTableWidget>(window, "ThumbGrid").rowCount(), 3);
    EXPECT_TRUE(window.QRPreview().PageImage().ImageOK());
    EXPECT_EQ(window.QRPreview().PageImage().PageNumber(), 2);
    EXPECT_FALSE(Child<QToolButton>(window, "SaveReport").isHidden());
    EXPECT_FALSE(pageStore.PrintMetafileFromPreview());
    const std::unique_ptr<TMetafile> page = pageStore.GetPage(3);
    EXPECT_TRUE(page) << "the pages are still there";
    window.close();
}

// Run in a child process that cannot reach any print server: the preview's Print, also after
// "Printer setup", says that there is no printer, once per press, and the window keeps its pages.
TEST_F(PreviewTest, PrintWithoutAnyPrinterSaysSoEveryTime) {
    if (!testing::InChildWithoutPrintServer()) {
        testing::RunInChildWithoutPrintServer();
        return;
    }
    TQRPrinter pageStore(&owner);
    MakeDocument(pageStore, 2);
    pageStore.SetPrintMetafileFromPreview(true); // the stored pages print, as after a load
    TQRStandardPreview& window = *ShowStandardPreview(pageStore, TPreviewModality::Modeless);
    Child<QToolButton>(window, "Print").click();
    Child<QToolButton>(window, "PrintSetup").click();
    Child<QToolButton>(window, "Print").click();
    EXPECT_EQ(dialogs.MessageTexts(), (QStringList{QStringLiteral("No printer is installed"),
                                                   QStringLiteral("No printer is installed")}));
    EXPECT_EQ(owner.afterPrintCount, 0);
    EXPECT_EQ(pageStore.PageCount(), 2);
    EXPECT_EQ(window.StatusText(1), QStringLiteral("Page 1 of 2"));
    window.close();
}

TEST_F(PreviewTest, PrintAndPrinterSetupGoThroughTheReport) {
    TQRPrinter pageStore(&owner);
    MakeDocument(pageStore, 2);
    TQRStandardPreview& window = *ShowStandardPreview(pageStore, TPreviewModality::Modeless);
    window.PrintClick();
    EXPECT_EQ(owner.printReportCount, 1) << "the report prints itself anew";

    owner.choices.FirstPage = 2;
    owner.choices.LastPage = 2;
    owner.choices.CustomBinCode = 260;
    owner.choices.UseCustomBinCode = true;
    owner.choices.ExtendedDuplex = 2;
    window.PrintSetupClick();
    EXPECT_EQ(owner.printerSetupCount, 1);
    EXPECT_EQ(pageStore.FirstPage(), 2);
    EXPECT_EQ(pageStore.LastPage(), 2);
    EXPECT_EQ(pageStore.CustomBinCode(), 260);
    EXPECT_TRUE(pageStore.UseCustomBinCode());
    EXPECT_EQ(pageStore.ExtendedDuplex(), 2);
    ASSERT_EQ(owner.stored.size(), 1u);
    EXPECT_EQ(owner.stored[0].FirstPage, 2);
    window.close();
}

TEST_F(PreviewTest, ThePageAreaTakesTheHeightTheWindowGainsAndTheStatusBarStaysAtTheBottom) {
    TQRPrinter pageStore(&owner);
    MakeDocument(pageStore, 2);
    TQRStandardPreview& window = *ShowStandardPreview(pageStore, TPreviewModality::Modeless);
    const QWidget& status = Child<QStatusBar>(window, "StatusBar");
    const QWidget& pages = window.QRPreview();
    for (const QSize size : {QSize(825, 574), QSize(800, 1000), QSize(1200, 1400)}) {
        window.resize(size);
        window.layout()->activate();
        QCoreApplication::processEvents();
        const int pagesBottom = pages.mapTo(&window, QPoint(0, pages.height())).y();
        EXPECT_EQ(status.geometry().bottom(), window.height() - 1) << size.height();
        EXPECT_LE(status.height(), 40) << size.height();
        EXPECT_EQ(pagesBottom, status.geometry().top()) << size.height();
    }
    window.close();
}

TEST_F(PreviewTest, ClosingWhileTheReportRunsCancelsItAndTellsTheReport) {
    TQRPrinter pageStore(&owner);
    MessageLog report;
    pageStore.SetOwnerWindow(&report);
    int previewFinished = 0;
    pageStore.OnPreviewFinished = [&] { ++previewFinished; };
    pageStore.BeginDoc();
    pageStore.NewPage();
    TQRStandardPreview& window = *ShowStandardPreview(pageStore, TPreviewModality::Modeless);
    QPointer<QWidget> alive(&window);
    pageStore.NewPage();
    window.close();
    EXPECT_TRUE(pageStore.Cancelled());
    ASSERT_FALSE(report.entries.empty());
    EXPECT_EQ(report.entries.back().type, CM_QRPREVIEWCLOSE);
    LetWindowsGo();
    EXPECT_TRUE(alive.isNull());
    EXPECT_EQ(pageStore.PreviewControl(), nullptr);
    pageStore.AbortDoc();

    // A page store freed while a window shows it leaves an empty window, not a dangling one.
    auto doomed = std::make_unique<TQRPrinter>(&owner);
    MakeDocument(*doomed, 2);
    TQRStandardPreview& orphan = *ShowStandardPreview(*doomed, TPreviewModality::Modeless);
    doomed.reset();
    EXPECT_EQ(orphan.PageStore(), nullptr);
    EXPECT_FALSE(orphan.QRPreview().PageImage().ImageOK());
    orphan.NextPageClick();
    orphan.FindButtonClick();
    orphan.UpdateInfo();
    EXPECT_EQ(orphan.StatusText(1), QStringLiteral("Page 1 of 0"));
    orphan.close();
}

TEST_F(PreviewTest, ProgressFormShowsStepsOfFiveAndCancels) {
    TQRPrinter pageStore;
    TQRProgressForm form(pageStore);
    pageStore.SetPreviewControl(&form);
    pageStore.SetProgress(40);
    QCoreApplication::processEvents();
    EXPECT_EQ(Child<QLabel>(form, "Info").text(), QStringLiteral("40%  Completed"));
    pageStore.SetProgress(42);
    QCoreApplication::processEvents();
    EXPECT_EQ(Child<QLabel>(form, "Info").text(), QStringLiteral("40%  Completed"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Printing progress"));
    Child<QPushButton>(form, "CancelButton").click();
    EXPECT_TRUE(pageStore.Cancelled());
}

} // namespace
} // namespace quorvel
