#pragma once

#include "platform/Dialogs.h"
#include "report/pagestore/QrprntrPrinter.h"

namespace quorvel {

// The system's print dialog for the shared printer. Accepted, the chosen printer becomes the shared
// printer's selection with the chosen copies, collation, orientation, paper, duplex and colour, and
// the choices can be read back.
class TQRPrintDialog {
public:
    int MinPage = 0;
    int MaxPage = 9999;
    int FromPage = 0;
    int ToPage = 0;
    int Copies = 1;
    TPrinterOrientation Orientation = TPrinterOrientation::poPortrait;

    bool Execute();

    PrintRange Range() const noexcept { return settings_.range; }
    bool Collate() const noexcept { return settings_.collate; }
    bool PrintToFile() const noexcept { return settings_.printToFile; }
    // Read from the shared printer after acceptance.
    const TDeviceMode& DeviceMode() const noexcept { return mode_; }
    // The choices as the preview hands them to a page store.
    TQRPrintChoices Choices() const;

private:
    PrintDialogSettings settings_;
    TDeviceMode mode_;
};

// The system's print-setup dialog for the shared printer; accepted, its choices become current.
class TQRPrinterSetupDialog {
public:
    bool Execute();
};

} // namespace quorvel
