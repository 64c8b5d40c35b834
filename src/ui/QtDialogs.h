#pragma once

#include "platform/Dialogs.h"

#include <QStringList>

class QPrinter;

namespace quorvel {

// The dialog service of the running program, on Qt's message boxes, file dialogs and print dialogs.
// Dialogs are modal and parented to the active window. The file dialogs remember the last folder and
// name chosen, and start from them when the caller gives none.
class QtDialogService : public DialogService {
public:
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
    void Remember(const QString& fileName);

    QString lastFolder_;
    QString lastName_;
};

// Qt's name filters ("PDF document (*.PDF)") for a "|"-separated filter text, in the same order, so
// that filter index i of the one is entry i - 1 of the other.
QStringList QtNameFilters(const QString& filter);

// Moves print-dialog settings onto a printer and back; the print dialogs use them around QPrinter.
void ApplyToPrinter(const PrintDialogSettings& settings, QPrinter& printer);
void ReadFromPrinter(const QPrinter& printer, PrintDialogSettings& settings);

} // namespace quorvel
