#include "app/UQuorvel.h"

#include "ui_UQuorvel.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

namespace quorvel {

TFormQuorvel::TFormQuorvel(QWidget* parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::FormQuorvel>()) {
    ui->setupUi(this);
    // System menu and minimize only: the window can be resized but not maximized.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    ui->Panel4->setVisible(false);
    QPalette memoPalette = ui->DBMemo1->palette();
    memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::ToolTipBase));
    ui->DBMemo1->setPalette(memoPalette);
    FormCreate();
}

TFormQuorvel::~TFormQuorvel() = default;

void TFormQuorvel::FormCreate() {}

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

} // namespace quorvel
