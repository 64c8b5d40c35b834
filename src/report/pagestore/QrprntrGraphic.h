#pragma once

#include "platform/Brush.h"
#include "platform/Pen.h"

#include <QImage>
#include <QString>

#include <cstdint>

namespace quorvel {

// A graphic as an export filter receives it (AcceptGraphic): its kind, its size in page-picture
// pixels and what the kind carries. The printable controls describe themselves; the engine describes
// band backgrounds, frames and stretched rules the same way, so a filter never needs to know which
// control drew what.
enum class TExportGraphicKind : std::uint8_t { egShape, egHorizontalRule, egImage, egOther };
enum class TExportShapeType : std::uint8_t {
    esRectangle,
    esCircle,
    esVertLine,
    esHorLine,
    esTopAndBottom,
    esRightAndLeft,
    esRoundRect,
};

struct TExportGraphic {
    TExportGraphicKind Kind = TExportGraphicKind::egShape;
    QString Name;
    int Width = 0; // pixels
    int Height = 0;
    TExportShapeType Shape = TExportShapeType::esRectangle;
    TPen Pen;
    TBrush Brush;
    int VertAdjust = 0;
    // Images: the picture as a bitmap, at the control's size when it stretches, at its own size
    // otherwise; empty when there is nothing to draw (no picture, or a data-bound image without a
    // field).
    QImage Picture;
    bool DataBound = false;
};

// An unnamed shape of the given kind and size: the rectangles and lines of backgrounds, frames and
// rules.
inline TExportGraphic ExportShape(TExportShapeType shape, int width, int height, const TPen& pen,
                                  const TBrush& brush) {
    TExportGraphic graphic;
    graphic.Width = width;
    graphic.Height = height;
    graphic.Shape = shape;
    graphic.Pen = pen;
    graphic.Brush = brush;
    return graphic;
}

} // namespace quorvel
