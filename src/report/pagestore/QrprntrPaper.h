#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace quorvel {

// The paper sizes a report page and a page store know. The ordinal of each size is the driver's
// paper code for it; Default (0) stands for "whatever the printer has" and Custom (69) for a size
// given by width and length.
enum class TQRPaperSize : std::uint8_t {
    Default,
    Letter,
    LetterSmall,
    Tabloid,
    Ledger,
    Legal,
    Statement,
    Executive,
    A3,
    A4,
    A4Small,
    A5,
    B4,
    B5,
    Folio,
    Quarto,
    qr10X14,
    qr11X17,
    Note,
    Env9,
    Env10,
    Env11,
    Env12,
    Env14,
    CSheet,
    DSheet,
    ESheet,
    EnvDL,
    EnvC5,
    EnvC3,
    EnvC4,
    EnvC6,
    EnvC65,
    EnvB4,
    EnvB5,
    EnvB6,
    EnvItaly,
    EnvMonarch,
    EnvPersonal,
    FanfoldUSStd,
    FanfoldGerStd,
    FanfoldGerLegal,
    B4ISO,
    PostcardJap,
    qr9X11,
    qr10X11,
    qr15X11,
    EnvInvite,
    Reserved1,
    Reserved2,
    LetterExtra,
    LegalExtra,
    TabloidExtra,
    A4Extra,
    LetterTrans,
    A4Trans,
    LetterExtraTrans,
    SuperASuperAA4,
    SuperBSuperBA3,
    LetterPlus,
    A4Plus,
    A5Trans,
    B5Trans,
    A3Extra,
    A5Extra,
    B5Extra,
    A2,
    A3Trans,
    A3ExtraTrans,
    Custom,
};

inline constexpr int kQRPaperSizeCount = 70;

// Portrait width and length in millimetres, and the display name, of one paper size. Default and
// Custom have no dimensions of their own (0).
struct TQRPaperMetrics {
    double Width;
    double Length;
    const char* Name;
};

// The paper size table, indexed by ordinal.
extern const std::array<TQRPaperMetrics, kQRPaperSizeCount> cQRPaperSizeMetrics;

// The driver's paper code of each size: the ordinal itself for 0 to 68, and 256 for Custom.
int QRPaperTranslate(TQRPaperSize size) noexcept;
// The size whose driver code this is (the first in table order), or Default for an unknown code.
TQRPaperSize QRPaperFromCode(int code) noexcept;

// The display name of a size ("A4 210 x 297 mm").
QString QRPaperName(TQRPaperSize size);

// Table width and length in tenths of a millimetre (the millimetres times 10, rounded); 0 for
// Default and Custom.
int QRPaperTableWidth(TQRPaperSize size) noexcept;
int QRPaperTableLength(TQRPaperSize size) noexcept;

constexpr int Ordinal(TQRPaperSize size) noexcept {
    return static_cast<int>(size);
}
// The size of an ordinal; values outside 0 to 69 give Default.
TQRPaperSize PaperSizeFromOrdinal(int ordinal) noexcept;

} // namespace quorvel
