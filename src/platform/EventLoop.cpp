#include "platform/EventLoop.h"

#include <QCoreApplication>
#include <QThread>

namespace quorvel {

void ProcessPendingMessages() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && app->thread() == QThread::currentThread()) QCoreApplication::processEvents();
}

} // namespace quorvel
