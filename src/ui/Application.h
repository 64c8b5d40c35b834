#pragma once

#include <QApplication>

#include <memory>

class QTranslator;

namespace quorvel {

class DialogService;

// Loads Qt's own Brazilian Portuguese texts (standard dialogs, message-box buttons) into translator.
// False when Qt's translation files are not installed: those dialogs then stay in English.
bool LoadQtTranslation(QTranslator& translator);

// The program's application object. On construction it settles the locale (ProgramLocale) and
// makes Qt's standard dialogs speak Brazilian Portuguese, the program's language. Its event dispatch catches
// every exception that escapes an event handler and shows it in the standard error display (EAbort shows
// nothing); the event is then taken as handled and the program goes on. On construction it installs the Qt
// dialog service as the process-wide one, unless a service is already installed (a test's scripted one).
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // The dispatch of notify, for any callable that delivers an event: runs deliver and returns its
    // result; an exception escaping it is shown and the result is false.
    template <typename Deliver> static bool DispatchGuarded(Deliver&& deliver);

private:
    static void ShowEscapedException() noexcept;

    std::unique_ptr<DialogService> ownDialogs_;
    std::unique_ptr<QTranslator> qtTranslation_;
};

template <typename Deliver> bool TApplication::DispatchGuarded(Deliver&& deliver) {
    try {
        return deliver();
    } catch (...) {
        ShowEscapedException();
        return false;
    }
}

} // namespace quorvel
