#include "platform/ErrorDisplay.h"

#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <exception>

namespace quorvel {

QString ErrorDisplayText(const Exception& e) {
    if (const auto* coded = dynamic_cast<const EStoreError*>(&e); coded != nullptr && e.Message().isEmpty())
        return QStringLiteral("Erro %1").arg(coded->ErrorCode());
    return e.Message();
}

void ShowException(const Exception& e) {
    if (dynamic_cast<const EAbort*>(&e) != nullptr) return;
    const QString title = QGuiApplication::applicationDisplayName();
    if (CurrentDialogService() == nullptr) { // too early or too late for windows: the log is all there is
        qWarning("%s", qUtf8Printable(ErrorDisplayText(e)));
        return;
    }
    Dialogs().MessageBox(ErrorDisplayText(e), title, MessageIcon::Stop, MessageButtons::Ok);
}

void ShowCurrentException() {
    try {
        throw;
    } catch (const Exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(Exception(QString()));
    }
}

bool RunGuarded(const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (...) {
        ShowCurrentException();
        return false;
    }
}

} // namespace quorvel
