#pragma once

#include <QApplication>

#include <memory>

namespace quorvel {

class DialogService;

// The program's application object. Its event dispatch catches every exception that escapes an event
// handler and shows it in the standard error display (EAbort shows nothing); the event is then taken
// as handled and the program goes on. On construction it installs the Qt dialog service as the
// process-wide one, unless a service is already installed (a test's scripted one).
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
