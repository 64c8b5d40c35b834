#pragma once

#include "platform/CanvasTypes.h"

#include <cstdint>

namespace quorvel {

// Line styles, numbered as a metafile pen stores them.
enum class TPenStyle : std::uint8_t {
    psSolid = 0,
    psDash = 1,
    psDot = 2,
    psDashDot = 3,
    psDashDotDot = 4,
    psClear = 5,
    psInsideFrame = 6,
};

// The pen of a canvas: colour, width in pixels (0 and 1 both draw one pixel wide) and style.
class TPen {
public:
    TPen() = default;
    TPen(TColor color, int width, TPenStyle style = TPenStyle::psSolid)
        : color_(color)
        , width_(width)
        , style_(style) {}

    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color) noexcept { color_ = color; }
    int Width() const noexcept { return width_; }
    void SetWidth(int width) noexcept { width_ = width < 0 ? 0 : width; }
    TPenStyle Style() const noexcept { return style_; }
    void SetStyle(TPenStyle style) noexcept { style_ = style; }

    friend bool operator==(const TPen&, const TPen&) = default;

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = TPenStyle::psSolid;
};

} // namespace quorvel
