#pragma once

#include "platform/Exceptions.h"

#include <QString>

#include <functional>

namespace quorvel {

// The standard error display: what the program shows for an exception that no handler caught. It is a
// message box with the stop icon and an OK button, shown through the current dialog service, titled
// with the application's display name.

// The text shown for e: its message, or for a coded store error (whose message is empty) "Erro " and
// its numeric code.
QString ErrorDisplayText(const Exception& e);

// Shows e, except EAbort, which shows nothing.
void ShowException(const Exception& e);

// To be called inside a catch block: shows the exception being handled. One that is not an Exception
// is shown as an Exception with an empty message.
void ShowCurrentException();

// Runs body and shows whatever escapes it. True when body finished without an exception (EAbort
// included in the false case).
bool RunGuarded(const std::function<void()>& body);

// A slot for a toolkit signal that runs handler and shows whatever escapes it right there. An
// exception must not unwind through the toolkit's own frames (a button's click, a signal's emission):
// they are built without cleanups for it, so the guards they hold would never be released.
template <typename Handler> auto GuardedSlot(Handler handler) {
    return [handler = std::move(handler)] { RunGuarded(handler); };
}

} // namespace quorvel
