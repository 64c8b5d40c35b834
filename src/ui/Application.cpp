#include "ui/Application.h"

#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "platform/FormatSettings.h"
#include "ui/QtDialogs.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quorvel {

bool LoadQtTranslation(QTranslator& translator) {
    return translator.load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"),
                           QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
    , qtTranslation_(std::make_unique<QTranslator>()) {
    UseProgramLocale();
    if (LoadQtTranslation(*qtTranslation_))
        installTranslator(qtTranslation_.get());
    else
        qWarning("Qt's pt_BR translation is not installed; standard dialogs stay in English");
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
