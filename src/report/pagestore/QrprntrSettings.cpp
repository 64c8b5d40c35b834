#include "report/pagestore/QrprntrSettings.h"

#include "platform/Dialogs.h"
#include "platform/EventLoop.h"
#include "platform/Rounding.h"
#include "report/pagestore/QrprntrPrinter.h"

#include <QCoreApplication>

namespace quorvel {

namespace {

// Device pixels at a resolution to tenths of a millimetre.
int DeviceToTenths(int pixels, int dpi) {
    return dpi > 0 ? RoundHalfEven(pixels * 254.0 / dpi) : 0;
}

} // namespace

TPrinterSettings::TPrinterSettings() {
    supportedPapers_.set();
}

void TPrinterSettings::SetPrinter(TPrinter* printer) {
    printer_ = printer;
    if (printer_ && !printer_->Printers().isEmpty()) GetPrinterSettings();
}

void TPrinterSettings::ReadPrinterNames() {
    device_ = printer_->DeviceName();
    driver_ = printer_->DriverName();
    port_ = printer_->Port();
}

void TPrinterSettings::GetPrinterSettings() {
    if (!printer_) return;
    ProcessPendingMessages();
    ReadPrinterNames();
    hasDeviceMode_ = printer_->HasPrinter();
    if (!hasDeviceMode_) return;
    deviceMode_ = printer_->DeviceMode();
    bool cancel = false;
    if (OnGetPrinterSettings) OnGetPrinterSettings(*this, cancel, deviceMode_);
    if (cancel) return;

    pixelsPerX_ = printer_->XDpi();
    pixelsPerY_ = printer_->YDpi();
    copies_ = Supported(DM_COPIES) ? deviceMode_.Copies : 1;
    outputBin_ = TQRBin::First;
    if (Supported(DM_DEFAULTSOURCE))
        if (const auto bin = QRBinFromCode(deviceMode_.DefaultSource)) outputBin_ = *bin;
    if (Supported(DM_DUPLEX)) {
        duplex_ = deviceMode_.Duplex != DMDUP_SIMPLEX;
        extendedDuplex_ = deviceMode_.Duplex;
    }
    const QPoint offset = printer_->PhysicalOffset();
    leftOffset_ = DeviceToTenths(offset.x(), pixelsPerX_);
    topOffset_ = DeviceToTenths(offset.y(), pixelsPerY_);
    paperSize_ = TQRPaperSize::Default;
    if (Supported(DM_PAPERSIZE)) {
        for (int ordinal = 0; ordinal < kQRPaperSizeCount; ++ordinal) {
            const TQRPaperSize size = PaperSizeFromOrdinal(ordinal);
            if (QRPaperTranslate(size) == deviceMode_.PaperSize) {
                paperSize_ = size;
                break;
            }
        }
    }
    const QSize physical = printer_->PhysicalSize();
    paperWidth_ = DeviceToTenths(physical.width(), pixelsPerX_);
    paperLength_ = DeviceToTenths(physical.height(), pixelsPerY_);
    const QList<int> codes = printer_->PaperCodes();
    if (!codes.isEmpty()) {
        supportedPapers_.reset();
        for (int ordinal = 1; ordinal < kQRPaperSizeCount; ++ordinal)
            supportedPapers_[static_cast<std::size_t>(ordinal)] =
                codes.contains(QRPaperTranslate(PaperSizeFromOrdinal(ordinal)));
    }
    printQuality_ = deviceMode_.PrintQuality;
    collate_ = deviceMode_.Collate;
    colorOption_ = deviceMode_.Color;
}

void TPrinterSettings::ApplySettings() {
    if (!printer_ || !printer_->HasPrinter()) return;
    ReadPrinterNames();
    deviceMode_ = printer_->DeviceMode();
    hasDeviceMode_ = true;
    TDeviceMode& mode = deviceMode_;

    SetField(DM_PAPERLENGTH | DM_PAPERWIDTH);
    mode.PaperLength = GetPaperLength();
    mode.PaperWidth = GetPaperWidth();
    if (Supported(DM_PAPERSIZE) && paperSize_ != TQRPaperSize::Default) {
        SetField(DM_PAPERSIZE);
        mode.PaperSize = useCustomPaperCode_ ? customPaperCode_ : QRPaperTranslate(paperSize_);
    }
    SetField(DM_COPIES);
    mode.Copies = copies_;
    if (Supported(DM_DUPLEX)) {
        SetField(DM_DUPLEX);
        mode.Duplex = extendedDuplex_ != 0 ? extendedDuplex_ : duplex_ ? DMDUP_HORIZONTAL : DMDUP_SIMPLEX;
    }
    SetField(DM_DEFAULTSOURCE);
    mode.DefaultSource =
        useCustomBinCode_ ? customBinCode_ : cQRBinTranslate[static_cast<std::size_t>(outputBin_)];
    SetField(DM_ORIENTATION);
    mode.Orientation =
        orientation_ == TPrinterOrientation::poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    if (Supported(DM_COLLATE)) mode.Collate = collate_;

    bool cancel = false;
    if (OnApplyPrinterSettings) OnApplyPrinterSettings(*this, cancel, mode);
    if (!cancel) printer_->SetDeviceMode(mode);
}

bool TPrinterSettings::Supported(std::uint32_t flag) const {
    return printer_ != nullptr && hasDeviceMode_ && (deviceMode_.Fields & flag) == flag;
}

void TPrinterSettings::SetField(std::uint32_t flag) {
    deviceMode_.Fields |= flag;
}

bool TPrinterSettings::GetPaperSizeSupported(TQRPaperSize size) const {
    return supportedPapers_[static_cast<std::size_t>(Ordinal(size))];
}

int TPrinterSettings::GetPaperWidth() const {
    if (paperSize_ == TQRPaperSize::Default || paperSize_ == TQRPaperSize::Custom) return paperWidth_;
    return QRPaperTableWidth(paperSize_);
}

int TPrinterSettings::GetPaperLength() const {
    if (paperSize_ == TQRPaperSize::Default || paperSize_ == TQRPaperSize::Custom) return paperLength_;
    return QRPaperTableLength(paperSize_);
}

// Without any printer there is no driver to refuse a setting, so every value is taken; a preview
// on such a machine still shows the report's own paper and orientation.
void TPrinterSettings::SetPaperSize(TQRPaperSize size) {
    if (size == TQRPaperSize::Default || GetPaperSizeSupported(size)) paperSize_ = size;
}

void TPrinterSettings::SetOrientation(TPrinterOrientation value) {
    if (!hasDeviceMode_ || Supported(DM_ORIENTATION)) orientation_ = value;
}

void TPrinterSettings::SetCopies(int value) {
    if (!hasDeviceMode_ || Supported(DM_COPIES)) copies_ = value;
}

void TPrinterSettings::SetOutputBin(TQRBin value) {
    if (!hasDeviceMode_ || Supported(DM_DEFAULTSOURCE)) outputBin_ = value;
}

void TPrinterSettings::SetDuplex(bool value) {
    if (!hasDeviceMode_ || Supported(DM_DUPLEX)) duplex_ = value;
}

void TQRPrinterSettings::ApplySettings(TQRPrinter& pageStore) const {
    pageStore.SetPrinterIndex(printerIndex_);
    pageStore.SetPaperSize(paperSize_);
    pageStore.SetCopies(copies_);
    pageStore.SetDuplex(duplex_);
    pageStore.SetOrientation(orientation_);
    pageStore.SetBin(outputBin_);
    pageStore.SetTitle(title_);
}

void TQRPrinterSettings::SetPrintedRange(const PrintDialogSettings& dialog) {
    const bool pages = dialog.range == PrintRange::Pages;
    firstPage_ = pages ? dialog.fromPage : 0;
    lastPage_ = pages ? dialog.toPage : 0;
}

void OfferPageRange(PrintDialogSettings& dialog, const TQRPrinter& pageStore) {
    if (pageStore.Status() == TQRPrinterStatus::mpFinished) {
        dialog.minPage = 1;
        dialog.maxPage = pageStore.PageCount();
        dialog.fromPage = 1;
        dialog.toPage = pageStore.PageCount();
    } else {
        dialog.minPage = 0;
        dialog.maxPage = 9999;
    }
}

} // namespace quorvel
