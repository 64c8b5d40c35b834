#pragma once

#include "platform/Dialogs.h"

#include <deque>
#include <stdexcept>
#include <vector>

namespace quorvel {

// One recorded dialog call. Only the members of its kind are filled.
struct DialogCall {
    enum class Kind { Message, OpenFile, SaveFile, ChooseFolder, Print, PrintSetup, Input };
    Kind kind = Kind::Message;
    QString text;  // message text, the chooser's caption, or the input box's prompt
    QString title; // message title, the file dialog's or the input box's title
    QString value; // the input box's pre-filled value
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
    FileDialogOptions file;
    QString startFolder;
    PrintDialogSettings print;
};

// Raised when a dialog that needs an answer finds none queued: the script and the flow disagree.
class UnscriptedDialog : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// The dialog service for tests: returns queued answers and records every call, in order, so that a
// test can drive any flow headless and check each message's text, title, icon and buttons.
// A message box with only OK needs no answer and takes none from the queue; a Yes/No box takes the
// next queued answer. Choosers and print dialogs take the next answer of their own queue, where an
// empty optional means "cancelled". A call with nothing queued is recorded and then raises
// UnscriptedDialog.
class ScriptedDialogs : public DialogService {
public:
    void QueueAnswer(DialogAnswer answer) { answers_.push_back(answer); }
    void QueueOpenFile(std::optional<QString> file) { openFiles_.push_back(std::move(file)); }
    void QueueSaveFile(std::optional<SaveFileChoice> choice) { saveFiles_.push_back(std::move(choice)); }
    void QueueFolder(std::optional<QString> folder) { folders_.push_back(std::move(folder)); }
    void QueuePrint(std::optional<PrintDialogSettings> choice) { prints_.push_back(std::move(choice)); }
    void QueuePrintSetup(std::optional<PrintDialogSettings> choice) { setups_.push_back(std::move(choice)); }
    // The text typed into the next input box; none is a cancelled box.
    void QueueInput(std::optional<QString> text) { inputs_.push_back(std::move(text)); }

    const std::vector<DialogCall>& Calls() const { return calls_; }
    // The message boxes among the calls, in order.
    std::vector<DialogCall> Messages() const;
    QStringList MessageTexts() const;
    void ClearCalls() { calls_.clear(); }
    // True when every queued answer was used.
    bool Exhausted() const;

    DialogAnswer MessageBox(const QString& text, const QString& title, MessageIcon icon,
                            MessageButtons buttons) override;
    std::optional<QString> OpenFile(const FileDialogOptions& options) override;
    std::optional<SaveFileChoice> SaveFile(const FileDialogOptions& options) override;
    bool PrintDialog(PrintDialogSettings& settings) override;
    bool PrintSetupDialog(PrintDialogSettings& settings) override;
    QString InputBox(const QString& caption, const QString& prompt, const QString& value) override;

protected:
    std::optional<QString> ChooseFolder(const QString& caption, const QString& startFolder) override;

private:
    std::vector<DialogCall> calls_;
    std::deque<DialogAnswer> answers_;
    std::deque<std::optional<QString>> openFiles_;
    std::deque<std::optional<SaveFileChoice>> saveFiles_;
    std::deque<std::optional<QString>> folders_;
    std::deque<std::optional<PrintDialogSettings>> prints_;
    std::deque<std::optional<PrintDialogSettings>> setups_;
    std::deque<std::optional<QString>> inputs_;
};

} // namespace quorvel
