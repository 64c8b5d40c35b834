#include "platform/ScriptedDialogs.h"

namespace quorvel {
namespace {

template <typename T> T TakeNext(std::deque<T>& queue, const char* what) {
    if (queue.empty()) throw UnscriptedDialog(std::string("no scripted answer for ") + what);
    T next = std::move(queue.front());
    queue.pop_front();
    return next;
}

bool RunPrintDialog(std::deque<std::optional<PrintDialogSettings>>& queue, PrintDialogSettings& settings,
                    const char* what) {
    const std::optional<PrintDialogSettings> choice = TakeNext(queue, what);
    if (!choice) return false;
    settings = *choice;
    return true;
}

} // namespace

std::vector<DialogCall> ScriptedDialogs::Messages() const {
    std::vector<DialogCall> result;
    for (const DialogCall& call : calls_)
        if (call.kind == DialogCall::Kind::Message) result.push_back(call);
    return result;
}

QStringList ScriptedDialogs::MessageTexts() const {
    QStringList result;
    for (const DialogCall& call : calls_)
        if (call.kind == DialogCall::Kind::Message) result.push_back(call.text);
    return result;
}

bool ScriptedDialogs::Exhausted() const {
    return answers_.empty() && openFiles_.empty() && saveFiles_.empty() && folders_.empty() &&
           prints_.empty() && setups_.empty() && inputs_.empty();
}

DialogAnswer ScriptedDialogs::MessageBox(const QString& text, const QString& title, MessageIcon icon,
                                         MessageButtons buttons) {
    DialogCall call;
    call.kind = DialogCall::Kind::Message;
    call.text = text;
    call.title = title;
    call.icon = icon;
    call.buttons = buttons;
    calls_.push_back(call);
    if (buttons == MessageButtons::Ok) return DialogAnswer::Ok;
    const DialogAnswer answer = TakeNext(answers_, "a Yes/No message box");
    if (answer == DialogAnswer::Ok) throw UnscriptedDialog("OK queued as the answer to a Yes/No message box");
    return answer;
}

std::optional<QString> ScriptedDialogs::OpenFile(const FileDialogOptions& options) {
    DialogCall call;
    call.kind = DialogCall::Kind::OpenFile;
    call.title = options.title;
    call.file = options;
    calls_.push_back(call);
    return TakeNext(openFiles_, "the file open dialog");
}

std::optional<SaveFileChoice> ScriptedDialogs::SaveFile(const FileDialogOptions& options) {
    DialogCall call;
    call.kind = DialogCall::Kind::SaveFile;
    call.title = options.title;
    call.file = options;
    calls_.push_back(call);
    return TakeNext(saveFiles_, "the file save dialog");
}

std::optional<QString> ScriptedDialogs::ChooseFolder(const QString& caption, const QString& startFolder) {
    DialogCall call;
    call.kind = DialogCall::Kind::ChooseFolder;
    call.text = caption;
    call.startFolder = startFolder;
    calls_.push_back(call);
    return TakeNext(folders_, "the folder chooser");
}

bool ScriptedDialogs::PrintDialog(PrintDialogSettings& settings) {
    DialogCall call;
    call.kind = DialogCall::Kind::Print;
    call.print = settings;
    calls_.push_back(call);
    return RunPrintDialog(prints_, settings, "the print dialog");
}

bool ScriptedDialogs::PrintSetupDialog(PrintDialogSettings& settings) {
    DialogCall call;
    call.kind = DialogCall::Kind::PrintSetup;
    call.print = settings;
    calls_.push_back(call);
    return RunPrintDialog(setups_, settings, "the print-setup dialog");
}

QString ScriptedDialogs::InputBox(const QString& caption, const QString& prompt, const QString& value) {
    DialogCall call;
    call.kind = DialogCall::Kind::Input;
    call.title = caption;
    call.text = prompt;
    call.value = value;
    calls_.push_back(call);
    return TakeNext(inputs_, "an input box").value_or(value);
}

} // namespace quorvel
