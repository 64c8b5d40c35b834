#include "platform/CanvasPainter.h"

#include "platform/BoundedDrawing.h"
#include "platform/Metafile.h"
#include "platform/MetafileFormat.h"

#include <QPainter>

namespace quorvel {

TPainterCanvas::TPainterCanvas(QPainter& painter, int pixelsPerInch)
    : TCanvas(pixelsPerInch)
    , painter_(painter)
    , hadClipping_(painter.hasClipping())
    , initialClip_(painter.hasClipping() ? painter.clipRegion() : QRegion()) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

TPainterCanvas::~TPainterCanvas() = default;

void TPainterCanvas::UsePenAndBrush() {
    painter_.setPen(draw::MakePen(std::uint32_t(Pen().Style()), Pen().Width(), Pen().Color()));
    painter_.setBrush(
        draw::MakeBrush(draw::BrushStyleCode(Brush().Style()), Brush().Color(),
                        std::uint32_t(Brush().Style()) - std::uint32_t(TBrushStyle::bsHorizontal)));
}

void TPainterCanvas::DoText(const draw::TextCall& call, QStringView text,
                            std::span<const std::int32_t> advances, const QRect&) {
    draw::DrawText(painter_, Shaper(), call, text, advances);
}

void TPainterCanvas::DoLine(QPoint from, QPoint to) {
    UsePenAndBrush();
    draw::DrawLine(painter_, from, to);
}

void TPainterCanvas::DoShape(ShapeKind kind, const TRect& r, QSize corner) {
    UsePenAndBrush();
    const QRectF shape = draw::ShapeRect(r.Left, r.Top, r.Right, r.Bottom);
    switch (kind) {
    case ShapeKind::Rectangle:
        draw::DrawRect(painter_, shape);
        break;
    case ShapeKind::Ellipse:
        draw::DrawEllipse(painter_, shape);
        break;
    case ShapeKind::RoundRect:
        draw::DrawRoundedRect(painter_, shape, std::abs(corner.width()) / 2.0,
                              std::abs(corner.height()) / 2.0);
        break;
    }
}

void TPainterCanvas::DoFillRect(const TRect& rect) {
    UsePenAndBrush();
    painter_.fillRect(rect.ToQRect(), painter_.brush());
}

void TPainterCanvas::DoPoly(std::span<const QPoint> points, bool closed) {
    UsePenAndBrush();
    if (closed)
        draw::DrawPolygon(painter_, points, Qt::OddEvenFill);
    else
        draw::DrawPolyline(painter_, points);
}

void TPainterCanvas::DoStretchImage(const TRect& rect, const QImage& image) {
    painter_.drawImage(QRectF(rect.ToQRect()), image);
}

void TPainterCanvas::DoStretchPicture(const TRect& rect, const TMetafile& picture) {
    picture.Play(painter_, QRectF(rect.ToQRect()));
}

void TPainterCanvas::DoIntersectClip(const TRect& rect) {
    painter_.setClipRect(rect.ToQRect(), Qt::IntersectClip);
}

void TPainterCanvas::DoResetClip() {
    if (hadClipping_)
        painter_.setClipRegion(initialClip_, Qt::ReplaceClip);
    else
        painter_.setClipping(false);
}

void TPainterCanvas::DoSave() {
    painter_.save();
}

void TPainterCanvas::DoRestore() {
    painter_.restore();
}

} // namespace quorvel
