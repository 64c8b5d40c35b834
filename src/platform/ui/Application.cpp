#include "platform/ui/Application.h"

#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "platform/ui/QtDialogs.h"

namespace quorvel {

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv) {
    if (CurrentDialogService() == nullptr) {
        ownDialogs_ = std::make_unique<QtDialogService>();
        SetDialogService(ownDialogs_.get());
    }
}

TApplication::~TApplication() {
    if (ownDialogs_ && CurrentDialogService() == ownDialogs_.get()) SetDialogService(nullptr);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    return DispatchGuarded([&] { return QApplication::notify(receiver, event); });
}

void TApplication::ShowEscapedException() noexcept {
    try {
        ShowCurrentException();
    } catch (const std::exception& e) {
        // The display itself failed (no window system, a test script out of answers): log and go on.
        qCritical("error display failed: %s", e.what());
    } catch (...) {
        qCritical("error display failed");
    }
}

} // namespace quorvel
