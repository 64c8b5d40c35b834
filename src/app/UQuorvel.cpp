#include "app/UQuorvel.h"

#include "platform/ErrorDisplay.h"
#include "platform/Exceptions.h"
#include "ui/DataSource.h"

#include "ui_UQuorvel.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QTimer>

namespace quorvel {

namespace {

// The incremental search forgets what was typed this long after the last keystroke.
constexpr int kSearchTextLifetimeMs = 1000;

} // namespace

TFormQuorvel::TFormQuorvel(QString executableFolder, QWidget* parent)
    : QMainWindow(parent)
    , proposta(std::make_unique<ProposalRecordSet>(std::move(executableFolder)))
    , ui(std::make_unique<Ui::FormQuorvel>()) {
    ui->setupUi(this);
    // System menu and minimize only: the window can be resized but not maximized.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    ui->Panel4->setVisible(false);
    QPalette memoPalette = ui->DBMemo1->palette();
    memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::ToolTipBase));
    ui->DBMemo1->setPalette(memoPalette);

    Timer1 = new QTimer(this);
    Timer1->setInterval(kSearchTextLifetimeMs);
    connect(Timer1, &QTimer::timeout, this, GuardedSlot([this] { Timer1Timer(); }));
    Timer1->start();

    BindGrids();
    ConnectControls();
    FormCreate();
}

TFormQuorvel::~TFormQuorvel() {
    // Destroying the window closes the item table, which writes the open proposal back when its
    // data changed; a failed write is shown.
    RunGuarded([this] { proposta->CloseItemTable(); });
}

void TFormQuorvel::FormCreate() {
    // The table store is part of the program, so there is no engine to register; no file is open
    // at start and the item table stays closed until one is chosen.
}

void TFormQuorvel::ConnectControls() {
    connect(ui->BtnAbreXML, &QToolButton::clicked, this, GuardedSlot([this] { BtnAbreXMLClick(); }));
    connect(ui->BitBtn3, &QPushButton::clicked, this, GuardedSlot([this] { BitBtn3Click(); }));
    connect(ui->btnExpArquivo, &QPushButton::clicked, this, GuardedSlot([this] { btnExpArquivoClick(); }));
    connect(ui->btnExpPlanilha, &QPushButton::clicked, this, GuardedSlot([this] { btnExpPlanilhaClick(); }));
    connect(ui->btnImpPrecos, &QPushButton::clicked, this, GuardedSlot([this] { btnImpPrecosClick(); }));
    connect(ui->BitBtn1, &QPushButton::clicked, this, GuardedSlot([this] { BitBtn1Click(); }));
    connect(ui->BtnConfig, &QPushButton::clicked, this, GuardedSlot([this] { BtnConfigClick(); }));
    connect(ui->BitBtn2, &QPushButton::clicked, this, [this] { close(); });
}

void TFormQuorvel::showEvent(QShowEvent* event) {
    if (!centred) {
        CentreOnScreen();
        centred = true;
    }
    QMainWindow::showEvent(event);
}

void TFormQuorvel::CentreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TFormQuorvel::closeEvent(QCloseEvent* event) {
    // The typed data could not be posted or written unless FormClose returns: keep the window, and
    // the data, on screen.
    event->ignore();
    try {
        FormClose();
    } catch (const EAbort&) {
        // "Salvar Dados" stopped silently: no proposal is open, so nothing is left to save and the
        // window may close.
    }
    event->accept();
}

void TFormQuorvel::FormClose() {
    // The window closes only once the file is written: nothing saved is lost when the program ends.
    BitBtn3Click();
    CompleteSave();
}

} // namespace quorvel
