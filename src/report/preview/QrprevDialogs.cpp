#include "report/preview/QrprevDialogs.h"

#include <QPageSize>

namespace quorvel {

namespace {

PrintDialogSettings StartingSettings() {
    TPrinter& printer = Printer();
    PrintDialogSettings settings;
    settings.printerName = printer.DeviceName();
    const TDeviceMode mode = printer.DeviceMode();
    settings.copies = std::max(1, mode.Copies);
    settings.collate = mode.Collate != 0;
    settings.orientation =
        mode.Orientation == DMORIENT_LANDSCAPE ? PrintOrientation::Landscape : PrintOrientation::Portrait;
    if (mode.PaperSize > 0 && mode.PaperSize != DMPAPER_USER)
        settings.pageSize = QPageSize(QPageSize::id(mode.PaperSize));
    settings.duplexCode = mode.Duplex;
    settings.resolution = mode.PrintQuality;
    settings.color = mode.Color != DMCOLOR_MONOCHROME;
    return settings;
}

// Makes the accepted choices the shared printer's.
void MakeCurrent(const PrintDialogSettings& settings) {
    TPrinter& printer = Printer();
    const int index = printer.Printers().indexOf(settings.printerName);
    if (index >= 0 && index != printer.PrinterIndex()) printer.SetPrinterIndex(index);
    TDeviceMode mode = printer.DeviceMode();
    mode.Fields =
        DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_COLLATE | DM_DUPLEX | DM_COLOR | DM_PRINTQUALITY;
    mode.Orientation =
        settings.orientation == PrintOrientation::Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    mode.PaperSize = settings.pageSize.windowsId();
    mode.Copies = settings.copies;
    mode.Collate = settings.collate ? 1 : 0;
    mode.Duplex = settings.duplexCode;
    mode.Color = settings.color ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
    mode.PrintQuality = settings.resolution;
    printer.SetDeviceMode(mode);
}

} // namespace

bool TQRPrintDialog::Execute() {
    settings_ = StartingSettings();
    settings_.minPage = MinPage;
    settings_.maxPage = MaxPage;
    settings_.fromPage = FromPage;
    settings_.toPage = ToPage;
    settings_.copies = std::max(1, Copies);
    settings_.orientation = Orientation == TPrinterOrientation::poLandscape ? PrintOrientation::Landscape
                                                                            : PrintOrientation::Portrait;
    if (!Dialogs().PrintDialog(settings_)) return false;
    MakeCurrent(settings_);
    mode_ = Printer().DeviceMode();
    FromPage = settings_.fromPage;
    ToPage = settings_.toPage;
    // A dialog that reports one copy leaves the count to the print system.
    Copies = settings_.copies == 1 ? std::max(1, mode_.Copies) : settings_.copies;
    Orientation = mode_.Orientation == DMORIENT_LANDSCAPE ? TPrinterOrientation::poLandscape
                                                          : TPrinterOrientation::poPortrait;
    return true;
}

TQRPrintChoices TQRPrintDialog::Choices() const {
    TQRPrintChoices choices;
    choices.PrinterIndex = Printer().PrinterIndex();
    if (const auto bin = QRBinFromCode(mode_.DefaultSource)) choices.OutputBin = *bin;
    choices.Collate = mode_.Collate;
    choices.ColorOption = mode_.Color;
    choices.PrintQuality = mode_.PrintQuality;
    choices.Copies = Copies;
    choices.Duplex = mode_.Duplex != DMDUP_SIMPLEX;
    choices.ExtendedDuplex = mode_.Duplex;
    if (settings_.range == PrintRange::Pages) {
        choices.FirstPage = FromPage;
        choices.LastPage = ToPage;
    }
    return choices;
}

bool TQRPrinterSetupDialog::Execute() {
    PrintDialogSettings settings = StartingSettings();
    if (!Dialogs().PrintSetupDialog(settings)) return false;
    MakeCurrent(settings);
    return true;
}

} // namespace quorvel
