#pragma once

#include <QFlags>
#include <QString>

#include <cstdint>
#include <functional>

namespace quorvel {

// The unit in which a report's lengths are read and written through its properties. Stored lengths
// are always tenths of a millimetre (Native).
enum class TQRUnit : std::uint8_t { MM, Inches, Pixels, Characters, Native };

// What a band is for, and so when the engine prints it.
enum class TQRBandType : std::uint8_t {
    rbTitle,
    rbPageHeader,
    rbDetail,
    rbPageFooter,
    rbSummary,
    rbGroupHeader,
    rbGroupFooter,
    rbSubDetail,
    rbColumnHeader,
    rbOverlay,
    rbChild,
};
inline constexpr int kQRBandTypeCount = 11;

// A report's Tag as its runs set it: after the print-setup dialog, kReportTagAccepted or
// kReportTagCancelled; during a composite run, kReportTagLastPart on the last report of the list,
// the one whose pass finishes the last page.
inline constexpr int kReportTagAccepted = 0;
inline constexpr int kReportTagCancelled = 1;
inline constexpr int kReportTagLastPart = 999;

// The type name the designer shows ("Page Header") and the base that names new bands
// ("PageHeaderBand").
QString QRBandTypeName(TQRBandType type);
QString QRBandComponentName(TQRBandType type);

// The order in which a multi-column page is filled.
enum class TQRPrintOrder : std::uint8_t { ColByCol, RowByRow };

enum class TTessalyOption : std::uint8_t { FirstPageHeader = 1, LastPageFooter = 2, Compression = 4 };
Q_DECLARE_FLAGS(TTessalyOptions, TTessalyOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TTessalyOptions)

// What a controller or band tells the printables that asked to hear of it.
enum class TQRNotifyOperation : std::uint8_t { qrMasterDataAdvance, qrBandPrinted, qrBandSizeChange };

// An event property: the handler and, when a layout bound it, the name of the form's handler it
// was bound to (written back when the layout is saved).
template <class Signature> struct TQREvent {
    QString Name;
    std::function<Signature> Handler;

    explicit operator bool() const noexcept { return static_cast<bool>(Handler); }
    template <class... Args> void operator()(Args&&... args) const { Handler(std::forward<Args>(args)...); }
    TQREvent& operator=(std::function<Signature> handler) {
        Handler = std::move(handler);
        Name.clear();
        return *this;
    }
    void Bind(const QString& name, std::function<Signature> handler) {
        Name = name;
        Handler = std::move(handler);
    }
    void Clear() {
        Name.clear();
        Handler = nullptr;
    }
};

} // namespace quorvel
