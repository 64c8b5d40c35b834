#pragma once

#include "platform/CanvasTypes.h"

#include <cstdint>

namespace quorvel {

// Fill styles. The hatched ones follow the metafile hatch numbers (horizontal 0 … diagonal cross 5).
enum class TBrushStyle : std::uint8_t {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross,
};

// The brush of a canvas: fill colour and style; bsClear fills nothing and makes text transparent.
class TBrush {
public:
    TBrush() = default;
    explicit TBrush(TColor color, TBrushStyle style = TBrushStyle::bsSolid)
        : color_(color)
        , style_(style) {}

    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color) noexcept { color_ = color; }
    TBrushStyle Style() const noexcept { return style_; }
    void SetStyle(TBrushStyle style) noexcept { style_ = style; }

    friend bool operator==(const TBrush&, const TBrush&) = default;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = TBrushStyle::bsSolid;
};

} // namespace quorvel
