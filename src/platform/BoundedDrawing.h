#pragma once

#include <QPoint>
#include <QRectF>

#include <span>

class QPainter;

namespace quorvel::draw {

// A dash pattern that would repeat more often than this along one figure is drawn solid: no page at
// any printer resolution shows that many dashes of one line, and the painter's dash stroker takes
// memory and time in proportion to their number.
inline constexpr double kMaxDashes = 16384;

// Lines and shapes drawn with the painter's pen and brush, bounded before they reach it. A figure
// that lies within the device, widened by the pen, and whose dashes are few goes to the painter as it
// is. Otherwise it is cut at the device's edges widened by the pen, so that coordinates far outside
// the page cost nothing; dashes keep their phase across the cut, and too many dashes become a solid
// line. What shows on the device is the same either way.
void DrawLine(QPainter& painter, QPoint from, QPoint to);
void DrawPolyline(QPainter& painter, std::span<const QPoint> points);
void DrawPolygon(QPainter& painter, std::span<const QPoint> points, Qt::FillRule fillRule);
void DrawRect(QPainter& painter, const QRectF& rect);
void DrawEllipse(QPainter& painter, const QRectF& rect);
void DrawRoundedRect(QPainter& painter, const QRectF& rect, double xRadius, double yRadius);

} // namespace quorvel::draw
