#pragma once

#include "platform/CanvasTypes.h"

#include <QFlags>
#include <QFont>
#include <QString>

#include <cstdint>

namespace quorvel {

enum class TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFontStyles)

inline constexpr std::uint8_t ANSI_CHARSET = 0;
inline constexpr std::uint8_t DEFAULT_CHARSET = 1;
inline constexpr std::uint8_t SYMBOL_CHARSET = 2;

// A font description: face name, size in points, style, colour and character set. The face name is
// kept as the caller gave it ("Arial"); the font actually used comes from MappedFontFamily.
class TFont {
public:
    TFont() = default;
    TFont(QString name, int size, TFontStyles style = {}, TColor color = clBlack)
        : name_(std::move(name))
        , size_(size)
        , style_(style)
        , color_(color) {}

    const QString& Name() const noexcept { return name_; }
    void SetName(const QString& name) { name_ = name; }
    int Size() const noexcept { return size_; }
    void SetSize(int points) noexcept { size_ = points; }
    TFontStyles Style() const noexcept { return style_; }
    void SetStyle(TFontStyles style) noexcept { style_ = style; }
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color) noexcept { color_ = color; }
    std::uint8_t Charset() const noexcept { return charset_; }
    void SetCharset(std::uint8_t charset) noexcept { charset_ = charset; }

    // The em height in pixels at a resolution: size × pixels per inch ÷ 72, rounded.
    int PixelHeight(int pixelsPerInch) const noexcept;
    // Sets the size from an em height in pixels at a resolution (the inverse of PixelHeight).
    void SetPixelHeight(int pixels, int pixelsPerInch) noexcept;

    // The Qt font that draws this one at a resolution: mapped family, pixel size, style.
    QFont ToQFont(int pixelsPerInch) const;

    friend bool operator==(const TFont&, const TFont&) = default;

private:
    QString name_ = QStringLiteral("Arial");
    int size_ = 10;
    TFontStyles style_;
    TColor color_ = clBlack;
    std::uint8_t charset_ = DEFAULT_CHARSET;
};

// The installed family that stands in for a face name: Arial, Times New Roman and Courier New map
// to their metric twins Liberation Sans, Serif and Mono, Tahoma to DejaVu Sans; other installed
// families are kept, and a face that is not installed becomes Liberation Sans.
QString MappedFontFamily(const QString& faceName);

// A Qt font for a face name at an em height in pixels, with weight, italic, underline and strike-out.
// Both canvas back-ends and the picture player build their fonts here, so that all of them measure
// and draw text alike.
QFont MakeQFont(const QString& faceName, int pixelHeight, int weight, bool italic, bool underline,
                bool strikeOut);

} // namespace quorvel
