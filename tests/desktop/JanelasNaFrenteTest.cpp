// The report's windows on a real desktop (tests/desktop/run-under-openbox: Xvfb and openbox): clicks
// and keys go through the X server and the window manager, which decides what is in front and what
// has the focus. "Visualizar na Tela" from the modal selection dialog brings up the preview in
// front, maximised, taking clicks and keys at once; the dialog has the focus again after it. The
// progress form of a print stands in front with its label.

#include "app/QuorvelTestSupport.h"

#include "app/UFormSelRelatorio.h"
#include "platform/Printer.h"
#include "report/Quickrpt.h"
#include "report/output/QrprevControl.h"
#include "report/output/QrprevInterface.h"
#include "report/output/QrprevProgress.h"
#include "report/output/QrprevStandard.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace quorvel::testing {
namespace {

// Real input through the X server: the pointer moved onto the widget's middle and clicked there
// (whatever window is in front at that point gets the click), or a key pressed on the focused window.
void ClickOnScreen(const QWidget& widget) {
    const QPoint at = widget.mapToGlobal(widget.rect().center());
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                       QStringLiteral("click"), QStringLiteral("1")});
}
void PressKey(const char* key) {
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(key)});
}

// Whether the window manager gave the window the focus (Qt learns it from the X server).
bool HasFocus(const QWidget& window) {
    return window.windowHandle() != nullptr && QGuiApplication::focusWindow() == window.windowHandle();
}

// The topmost client window in the window manager's stacking order.
QString TopmostWindow() {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    xprop.waitForFinished(10000);
    const QString list = QString::fromLatin1(xprop.readAllStandardOutput()).section(u'#', 1).trimmed();
    return list.section(u',', -1).trimmed();
}
bool Topmost(const QWidget& window) {
    bool ok = false;
    return TopmostWindow().toULongLong(&ok, 16) == window.winId() && ok;
}

// With QUORVEL_DESKTOP_SHOTS naming a folder, the whole screen is saved there, for a person to look at.
void Snapshot(const char* name) {
    const QString folder = qEnvironmentVariable("QUORVEL_DESKTOP_SHOTS");
    if (!folder.isEmpty())
        QGuiApplication::primaryScreen()->grabWindow(0).save(
            QDir(folder).filePath(QLatin1String(name) + ".png"));
}

template <class W> W* Shown() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<W*>(window); found != nullptr && found->isVisible()) return found;
    return nullptr;
}

// Waits, handling events, until `ready` holds; false after 30 seconds (the step then fails).
bool WaitFor(const std::function<bool()>& ready) {
    const QDeadlineTimer deadline(30000);
    while (!ready()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Steps run from a timer, in whatever event loop is running (the preview keeps one of its own):
// each step acts once its condition holds. A step still waiting after 30 seconds is recorded and
// `abandon` runs, so that no window is left open.
class Steps : public QObject {
public:
    struct Step {
        const char* name;
        std::function<bool()> ready;
        std::function<void()> act;
    };
    Steps(std::vector<Step> steps, std::function<void()> abandon)
        : steps_(std::move(steps))
        , abandon_(std::move(abandon)) {
        connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        timer_.start(20);
    }
    bool Done() const { return next_ == steps_.size(); }
    QString Stuck() const { return stuck_; }

private:
    void Tick() {
        if (next_ == steps_.size() || !stuck_.isEmpty()) return;
        if (steps_[next_].ready()) {
            steps_[next_].act();
            ++next_;
            deadline_ = QDeadlineTimer(30000);
        } else if (deadline_.hasExpired()) {
            stuck_ = QString::fromLatin1(steps_[next_].name);
            abandon_();
        }
    }

    std::vector<Step> steps_;
    std::function<void()> abandon_;
    std::size_t next_ = 0;
    QDeadlineTimer deadline_{30000};
    QString stuck_;
    QTimer timer_;
};

class JanelasNaFrente : public QuorvelFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"))
            << "run through tests/desktop/run-under-openbox";
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Papelaria Exemplo"), QStringLiteral("12.345.678/0001-90"),
                    QStringLiteral("0"));
        RegisterStandardPreview();
        const QString copia = DataPath(QStringLiteral("itens.xml"));
        QFile::copy(QStringLiteral(QUORVEL_TEST_DATA "/report_tool/itens-varias-paginas.xml"), copia);
        ASSERT_TRUE(OpenProposal(copia));
        ASSERT_TRUE(ShowWindow());
        ASSERT_TRUE(WaitFor([&] { return HasFocus(*form); })) << "the main window did not get the focus";
    }
    void TearDown() override {
        RegisterPreviewClass(nullptr);
        RegisterProgressWindowClass(nullptr);
        QuorvelFixture::TearDown();
    }

    // Presses "Relatório" with a real click and runs `script` once the selection dialog has the
    // focus; the dialog is left when the script returns.
    void WithSelectionDialog(std::function<void(TFormSelRelatorio&)> script) {
        bool ran = false;
        QTimer probe;
        probe.setInterval(20);
        QObject::connect(&probe, &QTimer::timeout, form.get(), [&] {
            TFormSelRelatorio* dialog = Shown<TFormSelRelatorio>();
            if (ran || dialog == nullptr || !HasFocus(*dialog)) return;
            ran = true;
            Snapshot("selection");
            probe.stop();
            script(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        probe.start();
        ClickOnScreen(ChildNamed<QPushButton>(*form, "BitBtn1"));
        // The dialog runs modally from the click, inside this wait.
        EXPECT_TRUE(WaitFor([&] { return ran && Shown<TFormSelRelatorio>() == nullptr; }))
            << "the selection dialog did not come up with the focus";
        if (TFormSelRelatorio* left = Shown<TFormSelRelatorio>()) left->reject();
    }
};

TEST_F(JanelasNaFrente, PreviewComesUpInFrontMaximisedTakesClicksAndKeysAndHandsTheFocusBack) {
    bool topmost = false, maximised = false, dialogFocusedAgain = false;
    QRect area, frame;
    QString stuck;
    WithSelectionDialog([&](TFormSelRelatorio& dialog) {
        const auto preview = [] { return Shown<TQRStandardPreview>(); };
        const auto page = [&] { return preview() ? preview()->QRPreview().PageNumber() : 0; };
        Steps steps(
            std::vector<Steps::Step>{
                {"the finished preview gets the focus",
                 [&] {
                     TQRStandardPreview* window = preview();
                     return window != nullptr && window->PageStore() != nullptr &&
                            window->PageStore()->Status() == TQRPrinterStatus::mpFinished &&
                            HasFocus(*window);
                 },
                 [&] {
                     topmost = Topmost(*preview());
                     maximised = preview()->isMaximized();
                     area = preview()->screen()->availableGeometry();
                     frame = preview()->frameGeometry();
                     Snapshot("preview");
                     ClickOnScreen(ChildNamed<QWidget>(*preview(), "nextPage"));
                 }},
                {"a click on \"Next page\" turns to page 2", [&] { return page() == 2; },
                 [] { PressKey("End"); }},
                {"End goes to the last page, 3", [&] { return page() == 3; }, [] { PressKey("Escape"); }},
                {"Escape closes the preview", [&] { return preview() == nullptr; }, [] {}}},
            [&] {
                if (TQRStandardPreview* window = preview()) window->close();
            });
        ClickOnScreen(ChildNamed<QPushButton>(dialog, "btTela"));
        // The preview runs inside this wait, from the click until it is closed.
        dialogFocusedAgain =
            WaitFor([&] { return (steps.Done() || !steps.Stuck().isEmpty()) && HasFocus(dialog); });
        stuck = steps.Stuck();
    });
    EXPECT_TRUE(stuck.isEmpty()) << "did not happen: " << stuck.toStdString();
    EXPECT_TRUE(topmost) << "the preview is not the topmost window";
    EXPECT_TRUE(maximised);
    EXPECT_EQ(frame, area) << "the maximised preview fills the screen's work area";
    EXPECT_TRUE(dialogFocusedAgain) << "the selection dialog did not get the focus back";
}

TEST_F(JanelasNaFrente, ProgressFormStandsInFrontWithItsLabelWhilePagesArePrinted) {
    const QString queue = qEnvironmentVariable("QUORVEL_TEST_PRINTER");
    if (queue.isEmpty()) {
        if (qEnvironmentVariableIsSet("QUORVEL_REQUIRE_PRINTER")) FAIL() << "no test print queue";
        GTEST_SKIP() << "no test print queue";
    }
    bool focused = false, topmost = false, printed = false, dialogFocusedAgain = false;
    QString label;
    WithSelectionDialog([&](TFormSelRelatorio& dialog) {
        dialog.PrintAction = [&](TQuickRep& layout) {
            Printer().Refresh();
            const int index = static_cast<int>(Printer().Printers().indexOf(queue));
            ASSERT_GE(index, 0);
            layout.PrinterSettings().SetPrinterIndex(index);
            Printer().SetPrinterIndex(index);
            layout.SetShowProgress(true);
            // The pass lets events run once per record; the first time the form is up, the check
            // waits there until the window manager has shown it.
            auto* check = new QTimer(&dialog);
            check->setInterval(5);
            QObject::connect(check, &QTimer::timeout, &dialog, [&, check] {
                TQRProgressForm* progress = Shown<TQRProgressForm>();
                if (progress == nullptr) return;
                check->stop();
                check->deleteLater();
                focused = WaitFor([&] { return HasFocus(*progress); });
                topmost = Topmost(*progress);
                Snapshot("progress");
                const QLabel& info = ChildNamed<QLabel>(*progress, "Info");
                label = info.isVisible() ? info.text() : QString();
            });
            check->start();
            layout.Print();
            printed = true;
        };
        ClickOnScreen(ChildNamed<QPushButton>(dialog, "btImpr"));
        dialogFocusedAgain = WaitFor([&] { return printed && HasFocus(dialog); });
    });
    EXPECT_TRUE(focused) << "the progress form did not get the focus";
    EXPECT_TRUE(topmost) << "the progress form is not the topmost window";
    EXPECT_TRUE(label.endsWith(QStringLiteral("%  Completed"))) << label.toStdString();
    EXPECT_TRUE(dialogFocusedAgain) << "the selection dialog did not get the focus back";
}

} // namespace
} // namespace quorvel::testing
