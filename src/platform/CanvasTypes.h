#pragma once

#include <QColor>
#include <QRect>

#include <cstdint>

namespace quorvel {

// A colour as the drawing layer stores it: 0x00BBGGRR, the byte order of a metafile colour
// reference (red in the low byte). clNone marks "no colour" and draws as nothing.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor RGBColor(int red, int green, int blue) noexcept {
    return TColor(red & 0xFF) | TColor(green & 0xFF) << 8 | TColor(blue & 0xFF) << 16;
}
inline QColor ToQColor(TColor color) {
    return QColor(int(color & 0xFF), int(color >> 8 & 0xFF), int(color >> 16 & 0xFF));
}
inline TColor FromQColor(const QColor& color) {
    return RGBColor(color.red(), color.green(), color.blue());
}

// A rectangle in device pixels with exclusive right and bottom edges, as drawing calls take it:
// Rectangle(0, 0, 10, 5) covers the pixels 0..9 across and 0..4 down.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr int Width() const noexcept { return Right - Left; }
    constexpr int Height() const noexcept { return Bottom - Top; }
    constexpr bool IsEmpty() const noexcept { return Right <= Left || Bottom <= Top; }
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TRect FromQRect(const QRect& r) {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

// Text alignment of a canvas: which point of the text box the position of a text call names.
// Horizontal and vertical parts combine with |; decode with the masks, never single bits.
inline constexpr std::uint32_t TA_LEFT = 0x0000;
inline constexpr std::uint32_t TA_RIGHT = 0x0002;
inline constexpr std::uint32_t TA_CENTER = 0x0006;
inline constexpr std::uint32_t TA_TOP = 0x0000;
inline constexpr std::uint32_t TA_BOTTOM = 0x0008;
inline constexpr std::uint32_t TA_BASELINE = 0x0018;
inline constexpr std::uint32_t TA_RTLREADING = 0x0100;
inline constexpr std::uint32_t TA_HORIZONTAL_MASK = 0x0006;
inline constexpr std::uint32_t TA_VERTICAL_MASK = 0x0018;

} // namespace quorvel
