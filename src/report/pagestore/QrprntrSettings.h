#pragma once

#include "platform/Printer.h"
#include "report/pagestore/QrprntrPaper.h"

#include <QString>

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>

namespace quorvel {

class TQRPrinter;
struct PrintDialogSettings;

// The paper bins a report may ask for.
enum class TQRBin : std::uint8_t {
    First,
    Upper,
    Lower,
    Middle,
    Manual,
    Envelope,
    EnvManual,
    Auto,
    Tractor,
    SmallFormat,
    LargeFormat,
    LargeCapacity,
    Cassette,
    Last
};

inline constexpr int kQRBinCount = 14;

// The driver's bin code of each bin, indexed by ordinal.
inline constexpr std::array<int, kQRBinCount> cQRBinTranslate = {1, 1, 2, 3,  4,  5,  6,
                                                                 7, 8, 9, 10, 11, 14, 14};

// The first bin whose code this is, or none.
constexpr std::optional<TQRBin> QRBinFromCode(int code) noexcept {
    for (int ordinal = 0; ordinal < kQRBinCount; ++ordinal)
        if (cQRBinTranslate[static_cast<std::size_t>(ordinal)] == code) return static_cast<TQRBin>(ordinal);
    return std::nullopt;
}

class TPrinterSettings;

// Called before settings are read from or handed to the printer; setting cancel stops that.
using TQRPrinterSettingsEvent =
    std::function<void(TPrinterSettings& sender, bool& cancel, TDeviceMode& mode)>;

// The live settings of the printer behind one page store: read from the printer when it is bound
// (GetPrinterSettings) and handed to it before a job (ApplySettings). A setting the printer does
// not support is not taken: SetCopies, SetOrientation, SetDuplex and SetOutputBin store their
// value only when the matching field is supported, SetPaperSize only Default or a listed paper.
class TPrinterSettings {
public:
    TPrinterSettings();

    TPrinter* Printer() const noexcept { return printer_; }
    // Binds the printer object and reads its settings when it lists at least one queue.
    void SetPrinter(TPrinter* printer);
    void GetPrinterSettings();
    void ApplySettings();

    // True when a printer and its settings record exist and the record's fields hold every bit
    // of flag.
    bool Supported(std::uint32_t flag) const;
    // Adds bits to the record's fields.
    void SetField(std::uint32_t flag);
    bool GetPaperSizeSupported(TQRPaperSize size) const;

    // Paper width and length in tenths of a millimetre: the table size for the sizes of the table,
    // the stored PaperWidth / PaperLength for Default and Custom. Orientation plays no part.
    int GetPaperWidth() const;
    int GetPaperLength() const;

    const QString& Device() const noexcept { return device_; }
    const QString& Driver() const noexcept { return driver_; }
    const QString& Port() const noexcept { return port_; }
    const TDeviceMode& DeviceMode() const noexcept { return deviceMode_; }
    bool HasDeviceMode() const noexcept { return hasDeviceMode_; }

    TQRPaperSize PaperSize() const noexcept { return paperSize_; }
    void SetPaperSize(TQRPaperSize size);
    // Takes the paper of pages read from a saved report as it is, whatever the printer lists: it
    // describes pages that exist.
    void SetLoadedPaper(TQRPaperSize size, TPrinterOrientation orientation) noexcept {
        paperSize_ = size;
        orientation_ = orientation;
    }
    int PaperWidth() const noexcept { return paperWidth_; }
    void SetPaperWidth(int value) noexcept { paperWidth_ = value; }
    int PaperLength() const noexcept { return paperLength_; }
    void SetPaperLength(int value) noexcept { paperLength_ = value; }
    TPrinterOrientation Orientation() const noexcept { return orientation_; }
    void SetOrientation(TPrinterOrientation value);
    int Copies() const noexcept { return copies_; }
    void SetCopies(int value);
    TQRBin OutputBin() const noexcept { return outputBin_; }
    void SetOutputBin(TQRBin value);
    bool Duplex() const noexcept { return duplex_; }
    void SetDuplex(bool value);
    int ExtendedDuplex() const noexcept { return extendedDuplex_; }
    void SetExtendedDuplex(int value) noexcept { extendedDuplex_ = value; }
    bool UseExtendedDuplex() const noexcept { return useExtendedDuplex_; }
    void SetUseExtendedDuplex(bool value) noexcept { useExtendedDuplex_ = value; }
    int CustomBinCode() const noexcept { return customBinCode_; }
    void SetCustomBinCode(int value) noexcept { customBinCode_ = value; }
    bool UseCustomBinCode() const noexcept { return useCustomBinCode_; }
    void SetUseCustomBinCode(bool value) noexcept { useCustomBinCode_ = value; }
    int CustomPaperCode() const noexcept { return customPaperCode_; }
    void SetCustomPaperCode(int value) noexcept { customPaperCode_ = value; }
    bool UseCustomPaperCode() const noexcept { return useCustomPaperCode_; }
    void SetUseCustomPaperCode(bool value) noexcept { useCustomPaperCode_ = value; }
    int PixelsPerX() const noexcept { return pixelsPerX_; }
    int PixelsPerY() const noexcept { return pixelsPerY_; }
    int LeftOffset() const noexcept { return leftOffset_; }
    int TopOffset() const noexcept { return topOffset_; }
    int PrintQuality() const noexcept { return printQuality_; }
    void SetPrintQuality(int value) noexcept { printQuality_ = value; }
    int Collate() const noexcept { return collate_; }
    void SetCollate(int value) noexcept { collate_ = value; }
    int ColorOption() const noexcept { return colorOption_; }
    void SetColorOption(int value) noexcept { colorOption_ = value; }
    int MemoryLimit() const noexcept { return memoryLimit_; }
    void SetMemoryLimit(int value) noexcept { memoryLimit_ = value; }
    bool UseStandardPrinter() const noexcept { return useStandardPrinter_; }
    void SetUseStandardPrinter(bool value) noexcept { useStandardPrinter_ = value; }
    bool PrintMetafile() const noexcept { return printMetafile_; }
    void SetPrintMetafile(bool value) noexcept { printMetafile_ = value; }
    const QString& Title() const noexcept { return title_; }
    void SetTitle(const QString& value) { title_ = value; }

    TQRPrinterSettingsEvent OnApplyPrinterSettings;
    TQRPrinterSettingsEvent OnGetPrinterSettings;

private:
    void ReadPrinterNames();

    TPrinter* printer_ = nullptr;
    QString device_;
    QString driver_;
    QString port_;
    TDeviceMode deviceMode_;
    bool hasDeviceMode_ = false;
    TQRPaperSize paperSize_ = TQRPaperSize::A4;
    int paperWidth_ = 0;
    int paperLength_ = 0;
    TPrinterOrientation orientation_ = TPrinterOrientation::poPortrait;
    int copies_ = 1;
    TQRBin outputBin_ = TQRBin::First;
    bool duplex_ = false;
    int extendedDuplex_ = 0;
    bool useExtendedDuplex_ = false;
    int customBinCode_ = 0;
    bool useCustomBinCode_ = false;
    int customPaperCode_ = 0;
    bool useCustomPaperCode_ = false;
    int pixelsPerX_ = 0;
    int pixelsPerY_ = 0;
    int leftOffset_ = 0;
    int topOffset_ = 0;
    int printQuality_ = 0;
    int collate_ = 0;
    int colorOption_ = 0;
    std::bitset<kQRPaperSizeCount> supportedPapers_; // by ordinal; 0 (Default) is never listed
    int memoryLimit_ = 250000;
    bool useStandardPrinter_ = false;
    bool printMetafile_ = false;
    QString title_;
};

// The stored printer choices of a report, which it hands to each page store it makes. The
// report's PrinterSettings derives from it and adds the driver-level switches.
class TQRPrinterSettings {
public:
    TQRPrinterSettings() = default;
    virtual ~TQRPrinterSettings() = default;
    TQRPrinterSettings(const TQRPrinterSettings&) = default;
    TQRPrinterSettings& operator=(const TQRPrinterSettings&) = default;

    // Copies printer index, paper size, copies, duplex, orientation, output bin and title onto a
    // page store, in that order.
    void ApplySettings(TQRPrinter& pageStore) const;
    // The page range a print dialog was answered with: the pages chosen, or 0 and 0 for all.
    void SetPrintedRange(const PrintDialogSettings& dialog);

    TQRPaperSize PaperSize() const noexcept { return paperSize_; }
    void SetPaperSize(TQRPaperSize value) noexcept { paperSize_ = value; }
    int Copies() const noexcept { return copies_; }
    void SetCopies(int value) noexcept { copies_ = value; }
    bool Duplex() const noexcept { return duplex_; }
    void SetDuplex(bool value) noexcept { duplex_ = value; }
    const QString& Title() const noexcept { return title_; }
    void SetTitle(const QString& value) { title_ = value; }
    int FirstPage() const noexcept { return firstPage_; }
    void SetFirstPage(int value) noexcept { firstPage_ = value; }
    int LastPage() const noexcept { return lastPage_; }
    void SetLastPage(int value) noexcept { lastPage_ = value; }
    // -1 is the default printer.
    int PrinterIndex() const noexcept { return printerIndex_; }
    void SetPrinterIndex(int value) noexcept { printerIndex_ = value; }
    TQRBin OutputBin() const noexcept { return outputBin_; }
    void SetOutputBin(TQRBin value) noexcept { outputBin_ = value; }
    int MemoryLimit() const noexcept { return memoryLimit_; }
    void SetMemoryLimit(int value) noexcept { memoryLimit_ = value; }
    TPrinterOrientation Orientation() const noexcept { return orientation_; }
    void SetOrientation(TPrinterOrientation value) noexcept { orientation_ = value; }

private:
    TQRPaperSize paperSize_ = TQRPaperSize::Letter;
    int copies_ = 1;
    bool duplex_ = false;
    QString title_;
    int firstPage_ = 0;
    int lastPage_ = 0;
    int printerIndex_ = -1;
    TQRBin outputBin_ = TQRBin::Auto;
    int memoryLimit_ = 250000;
    TPrinterOrientation orientation_ = TPrinterOrientation::poPortrait;
};

// The pages a print dialog offers: those of a finished page store, all chosen; before the report
// has run, any page up to 9999.
void OfferPageRange(PrintDialogSettings& dialog, const TQRPrinter& pageStore);

} // namespace quorvel
