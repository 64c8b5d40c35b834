#include "report/output/QrprevFront.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

namespace quorvel {

void OpenAboveModalDialog(QWidget& window) {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || dialog == &window) return;
    window.setWindowModality(Qt::ApplicationModal);
    // The native window exists from here on, so that the window manager learns whose window it is.
    window.winId();
    if (QWindow* own = window.windowHandle(); own != nullptr && dialog->windowHandle() != nullptr)
        own->setTransientParent(dialog->windowHandle());
}

void BringToFront(QWidget& window) {
    window.raise();
    window.activateWindow();
}

} // namespace quorvel
