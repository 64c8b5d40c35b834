#include "platform/BoundedDrawing.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace quorvel::draw {
namespace {

// What the painter can show, in its logical coordinates, and how its pen's dashes are measured.
struct Reach {
    bool visible = false;      // false without a device or under a transform that flattens everything
    QRectF rect;               // the device widened by the pen, in logical coordinates
    QRectF area;               // the device, in logical coordinates: what a fill can cover
    QTransform toDevice;       // logical to device coordinates
    bool stroke = false;       // the pen draws
    bool dashed = false;       // with a dash pattern
    bool deviceDashes = false; // a cosmetic pen: its dashes are measured in device pixels
    double dashUnit = 1;       // the length one pattern unit takes (the pen's width)
    double patternLength = 0;  // the whole pattern, in units
};

Reach ReachOf(const QPainter& painter) {
    Reach r;
    const QPaintDevice* device = painter.device();
    if (device == nullptr) return r;
    r.toDevice = painter.combinedTransform();
    bool invertible = false;
    const QTransform toLogical = r.toDevice.inverted(&invertible);
    if (!invertible) return r;
    const QPen pen = painter.pen();
    r.stroke = pen.style() != Qt::NoPen;
    const bool cosmetic = pen.isCosmetic() || pen.widthF() == 0;
    const double width = cosmetic ? 0 : pen.widthF();
    // Caps reach half the width past an end, miter joins up to the miter limit times half the width.
    const double margin = r.stroke ? width * std::max(1.0, pen.miterLimit()) + 1 : 1;
    // A device that does not tell its size (a picture being recorded) takes everything.
    const bool sized = device->width() > 0 && device->height() > 0;
    const QRectF deviceRect = sized ? QRectF(-2, -2, device->width() + 4.0, device->height() + 4.0)
                                    : QRectF(-1e15, -1e15, 2e15, 2e15);
    r.area = toLogical.mapRect(deviceRect);
    r.rect = r.area.adjusted(-margin, -margin, margin, margin);
    r.visible = true;
    if (r.stroke && pen.style() != Qt::SolidLine) {
        for (const qreal d : pen.dashPattern())
            r.patternLength += d;
        r.dashed = r.patternLength > 0;
        r.deviceDashes = cosmetic;
        r.dashUnit = cosmetic ? std::max<double>(1, pen.widthF()) : width;
    }
    return r;
}

double Distance(QPointF a, QPointF b) {
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

// Length along which the pen lays its dashes: logical for a pen with a width, device for a cosmetic one.
double DashDistance(const Reach& r, QPointF a, QPointF b) {
    return r.deviceDashes ? Distance(r.toDevice.map(a), r.toDevice.map(b)) : Distance(a, b);
}

bool TooManyDashes(const Reach& r, double length) {
    return r.dashed && length / (r.dashUnit * r.patternLength) > kMaxDashes;
}

// How a figure reaches the painter: as it is, as it is but with a solid pen (all of it within reach,
// with too many dashes), or cut to the reach.
enum class Fit { AsItIs, Solid, Cut };

template <class Point> Fit FitOf(const Reach& r, std::span<const Point> points, bool closed) {
    for (const Point& p : points)
        if (!r.rect.contains(QPointF(p))) return Fit::Cut;
    if (!r.dashed || points.empty()) return Fit::AsItIs;
    double length = 0;
    for (std::size_t i = 1; i < points.size(); ++i)
        length += DashDistance(r, QPointF(points[i - 1]), QPointF(points[i]));
    if (closed) length += DashDistance(r, QPointF(points.back()), QPointF(points.front()));
    return TooManyDashes(r, length) ? Fit::Solid : Fit::AsItIs;
}

// Draws the figure as it is, with the pen made solid when asked.
template <class Fn> void DrawWith(QPainter& painter, Fit fit, Fn&& draw) {
    if (fit == Fit::AsItIs) {
        draw();
        return;
    }
    painter.save();
    QPen pen = painter.pen();
    pen.setStyle(Qt::SolidLine);
    painter.setPen(pen);
    draw();
    painter.restore();
}

// The part of segment a-b inside the rectangle, as parameters t0 <= t1 along it; false when none.
bool ClipSegment(const QRectF& rect, QPointF a, QPointF b, double& t0, double& t1) {
    t0 = 0;
    t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - rect.left(), rect.right() - a.x(), a.y() - rect.top(),
                         rect.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    return true;
}

QPointF At(QPointF a, QPointF b, double t) {
    return a + (b - a) * t;
}

// Strokes the open polyline through the points with the painter's pen, cut to the reach. Each piece
// starts its dashes where the whole line would be at that point; `along` is how far the pattern had
// come at the first point.
void StrokeCut(QPainter& painter, const Reach& r, const std::vector<QPointF>& points, double along = 0) {
    struct Piece {
        std::vector<QPointF> points;
        double start = 0; // dash distance from the beginning of the line
    };
    std::vector<Piece> pieces;
    double inside = 0;
    bool open = false;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const QPointF a = points[i - 1], b = points[i];
        const double length = DashDistance(r, a, b);
        double t0 = 0, t1 = 0;
        if (!ClipSegment(r.rect, a, b, t0, t1)) {
            open = false;
        } else {
            if (!open || t0 > 0) {
                pieces.push_back({{At(a, b, t0)}, along + t0 * length});
                open = true;
            }
            pieces.back().points.push_back(At(a, b, t1));
            inside += (t1 - t0) * length;
            open = t1 >= 1;
        }
        along += length;
    }
    if (pieces.empty()) return;
    QPen pen = painter.pen();
    const double offset = pen.dashOffset();
    const bool solid = TooManyDashes(r, inside);
    if (solid) pen.setStyle(Qt::SolidLine);
    painter.save();
    for (const Piece& piece : pieces) {
        if (r.dashed && !solid) {
            pen.setDashOffset(std::fmod(offset + piece.start / r.dashUnit, r.patternLength));
        }
        painter.setPen(pen);
        painter.drawPolyline(piece.points.data(), static_cast<int>(piece.points.size()));
    }
    painter.restore();
}

// The polygon cut to the rectangle, one side at a time. Inside the rectangle it covers what the
// polygon covers, under either fill rule.
std::vector<QPointF> CutPolygon(std::vector<QPointF> polygon, const QRectF& rect) {
    const auto cut = [&](auto inside, auto cross) {
        std::vector<QPointF> out;
        for (std::size_t i = 0; i < polygon.size(); ++i) {
            const QPointF cur = polygon[i], prev = polygon[(i + polygon.size() - 1) % polygon.size()];
            const bool in = inside(cur), prevIn = inside(prev);
            if (in != prevIn) out.push_back(cross(prev, cur));
            if (in) out.push_back(cur);
        }
        polygon = std::move(out);
    };
    const double left = rect.left(), right = rect.right(), top = rect.top(), bottom = rect.bottom();
    const auto atX = [](QPointF a, QPointF b, double x) { return At(a, b, (x - a.x()) / (b.x() - a.x())); };
    const auto atY = [](QPointF a, QPointF b, double y) { return At(a, b, (y - a.y()) / (b.y() - a.y())); };
    cut([&](QPointF p) { return p.x() >= left; }, [&](QPointF a, QPointF b) { return atX(a, b, left); });
    cut([&](QPointF p) { return p.x() <= right; }, [&](QPointF a, QPointF b) { return atX(a, b, right); });
    cut([&](QPointF p) { return p.y() >= top; }, [&](QPointF a, QPointF b) { return atY(a, b, top); });
    cut([&](QPointF p) { return p.y() <= bottom; }, [&](QPointF a, QPointF b) { return atY(a, b, bottom); });
    return polygon;
}

// Fills the cut polygon with the brush and strokes its outline cut to the reach. The outline starts
// at a corner out of reach, so that no visible corner loses its join, with its dashes where they
// would be had it started at the first corner.
void DrawCutPolygon(QPainter& painter, const Reach& r, std::vector<QPointF> points, Qt::FillRule fillRule) {
    if (points.size() < 2) return;
    if (painter.brush().style() != Qt::NoBrush) {
        const std::vector<QPointF> area = CutPolygon(points, r.area);
        if (area.size() >= 3) {
            painter.save();
            painter.setPen(Qt::NoPen);
            painter.drawPolygon(area.data(), static_cast<int>(area.size()), fillRule);
            painter.restore();
        }
    }
    if (!r.stroke) return;
    const auto away =
        std::find_if(points.begin(), points.end(), [&](QPointF p) { return !r.rect.contains(p); });
    double along = 0;
    for (auto p = points.begin(); p != away && p + 1 != points.end(); ++p)
        along += DashDistance(r, *p, *(p + 1));
    if (away != points.end()) std::rotate(points.begin(), away, points.end());
    points.push_back(points.front());
    StrokeCut(painter, r, points, along);
}

template <class Point> std::vector<QPointF> ToPointsF(std::span<const Point> points) {
    return std::vector<QPointF>(points.begin(), points.end());
}

// Points around an ellipse quarter by quarter, close enough that no chord strays a quarter of a
// device pixel from the curve, and never more than a fixed number however large the ellipse.
int StepsPerQuarter(const Reach& r, double xRadius, double yRadius) {
    const QRectF box = r.toDevice.mapRect(QRectF(0, 0, std::abs(xRadius), std::abs(yRadius)));
    const double radius = std::max(box.width(), box.height());
    const double steps = std::numbers::pi / 4 * std::sqrt(2 * std::max(radius, 1.0));
    return static_cast<int>(std::clamp(steps, 4.0, 16384.0));
}

void AddArc(std::vector<QPointF>& out, QPointF centre, double rx, double ry, double from, int steps) {
    for (int i = 0; i <= steps; ++i) {
        const double angle = from + std::numbers::pi / 2 * i / steps;
        out.emplace_back(centre.x() + rx * std::cos(angle), centre.y() + ry * std::sin(angle));
    }
}

} // namespace

void DrawLine(QPainter& painter, QPoint from, QPoint to) {
    const Reach r = ReachOf(painter);
    if (!r.visible) return;
    const QPoint points[] = {from, to};
    const Fit fit = FitOf(r, std::span<const QPoint>(points), false);
    if (fit == Fit::Cut) {
        if (r.stroke) StrokeCut(painter, r, ToPointsF(std::span<const QPoint>(points)));
        return;
    }
    DrawWith(painter, fit, [&] { painter.drawLine(from, to); });
}

void DrawPolyline(QPainter& painter, std::span<const QPoint> points) {
    const Reach r = ReachOf(painter);
    if (!r.visible || points.empty()) return;
    const Fit fit = FitOf(r, points, false);
    if (fit == Fit::Cut) {
        if (r.stroke) StrokeCut(painter, r, ToPointsF(points));
        return;
    }
    DrawWith(painter, fit, [&] { painter.drawPolyline(points.data(), static_cast<int>(points.size())); });
}

void DrawPolygon(QPainter& painter, std::span<const QPoint> points, Qt::FillRule fillRule) {
    const Reach r = ReachOf(painter);
    if (!r.visible || points.empty()) return;
    const Fit fit = FitOf(r, points, true);
    if (fit == Fit::Cut) {
        DrawCutPolygon(painter, r, ToPointsF(points), fillRule);
        return;
    }
    DrawWith(painter, fit,
             [&] { painter.drawPolygon(points.data(), static_cast<int>(points.size()), fillRule); });
}

namespace {

// A shape's box as four corners, clockwise from the top left: its outline for a rectangle, and a
// longer one than its own for an ellipse or rounded rectangle, so that dashes are counted high.
std::vector<QPointF> BoxCorners(const QRectF& rect) {
    const QRectF box = rect.normalized();
    return {box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()};
}

} // namespace

void DrawRect(QPainter& painter, const QRectF& rect) {
    const Reach r = ReachOf(painter);
    if (!r.visible) return;
    std::vector<QPointF> corners = BoxCorners(rect);
    const Fit fit = FitOf(r, std::span<const QPointF>(corners), true);
    if (fit == Fit::Cut)
        DrawCutPolygon(painter, r, std::move(corners), Qt::OddEvenFill);
    else
        DrawWith(painter, fit, [&] { painter.drawRect(rect); });
}

void DrawEllipse(QPainter& painter, const QRectF& rect) {
    const Reach r = ReachOf(painter);
    if (!r.visible) return;
    const std::vector<QPointF> corners = BoxCorners(rect);
    const Fit fit = FitOf(r, std::span<const QPointF>(corners), true);
    if (fit != Fit::Cut) {
        DrawWith(painter, fit, [&] { painter.drawEllipse(rect); });
        return;
    }
    const QRectF box = rect.normalized();
    const double rx = box.width() / 2, ry = box.height() / 2;
    const int steps = StepsPerQuarter(r, rx, ry);
    std::vector<QPointF> points;
    for (int quarter = 0; quarter < 4; ++quarter) {
        AddArc(points, box.center(), rx, ry, quarter * std::numbers::pi / 2, steps);
        points.pop_back();
    }
    DrawCutPolygon(painter, r, std::move(points), Qt::OddEvenFill);
}

void DrawRoundedRect(QPainter& painter, const QRectF& rect, double xRadius, double yRadius) {
    const Reach r = ReachOf(painter);
    if (!r.visible) return;
    const std::vector<QPointF> corners = BoxCorners(rect);
    const Fit fit = FitOf(r, std::span<const QPointF>(corners), true);
    if (fit != Fit::Cut) {
        DrawWith(painter, fit, [&] { painter.drawRoundedRect(rect, xRadius, yRadius); });
        return;
    }
    const QRectF box = rect.normalized();
    const double rx = std::min(std::abs(xRadius), box.width() / 2);
    const double ry = std::min(std::abs(yRadius), box.height() / 2);
    const int steps = StepsPerQuarter(r, rx, ry);
    const double pi = std::numbers::pi;
    std::vector<QPointF> points;
    AddArc(points, QPointF(box.right() - rx, box.bottom() - ry), rx, ry, 0, steps);
    AddArc(points, QPointF(box.left() + rx, box.bottom() - ry), rx, ry, pi / 2, steps);
    AddArc(points, QPointF(box.left() + rx, box.top() + ry), rx, ry, pi, steps);
    AddArc(points, QPointF(box.right() - rx, box.top() + ry), rx, ry, 3 * pi / 2, steps);
    DrawCutPolygon(painter, r, std::move(points), Qt::OddEvenFill);
}

} // namespace quorvel::draw
