// Playing pictures whose figures lie far outside the page: what reaches the paint engine stays near
// the page, with few dashes, and the page shows what the far figures would show on it.
#include "CanvasTestPage.h"

#include "platform/BoundedDrawing.h"
#include "platform/CanvasPainter.h"
#include "platform/Metafile.h"

#include <QFile>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace quorvel {
namespace {

using namespace quorvel::testing;

TMetafile Picture(const char* name) {
    QFile file(QStringLiteral(QUORVEL_TEST_DATA "/metafile/") + QString::fromUtf8(name));
    TMetafile picture;
    if (file.open(QIODevice::ReadOnly)) picture.LoadFromBytes(file.readAll());
    return picture;
}

QImage Played(const TMetafile& picture) {
    QImage image = BlankPage();
    QPainter painter(&image);
    picture.Play(painter, QRectF(0, 0, kPageWidth, kPageHeight));
    return image;
}

// One figure as the paint engine received it, in device pixels.
struct Figure {
    std::vector<QPointF> points;
    double penWidth = 0;   // device pixels; 1 for a cosmetic pen
    double dashLength = 0; // one dash pattern, device pixels; 0 for a solid pen or none
};

// A paint engine that keeps what it is asked to draw. It claims every feature, so the painter hands it
// figures as the caller made them, with the pen and transform in its state.
class RecordingEngine : public QPaintEngine {
public:
    RecordingEngine()
        : QPaintEngine(AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& state) override {
        if (state.state() & DirtyPen) pen_ = state.pen();
        if (state.state() & DirtyTransform) transform_ = state.transform();
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
        Figure figure;
        for (int i = 0; i < count; ++i)
            figure.points.push_back(transform_.map(points[i]));
        Describe(figure);
        figures.push_back(std::move(figure));
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        std::vector<QPointF> exact(points, points + count);
        drawPolygon(exact.data(), count, mode);
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            const QPointF ends[] = {lines[i].p1(), lines[i].p2()};
            drawPolygon(ends, 2, PolylineMode);
        }
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            const QPointF ends[] = {lines[i].p1(), lines[i].p2()};
            drawPolygon(ends, 2, PolylineMode);
        }
    }
    void drawPath(const QPainterPath& path) override {
        for (const QPolygonF& polygon : path.toSubpathPolygons())
            drawPolygon(polygon.constData(), int(polygon.size()), OddEvenMode);
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF&, const QTextItem&) override {}

    std::vector<Figure> figures;

private:
    void Describe(Figure& figure) const {
        if (pen_.style() == Qt::NoPen) return;
        const double scale = std::sqrt(std::abs(transform_.determinant()));
        figure.penWidth = pen_.isCosmetic() || pen_.widthF() == 0 ? 1 : pen_.widthF() * scale;
        if (pen_.style() == Qt::SolidLine) return;
        for (const qreal d : pen_.dashPattern())
            figure.dashLength += d * figure.penWidth;
    }
    QPen pen_;
    QTransform transform_;
};

class RecordingPage : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine; }
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return kPageWidth;
        case PdmHeight:
            return kPageHeight;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 1000;
        }
    }
    mutable RecordingEngine engine;
};

// The far, wide, dashed figures of a 1.9 KB picture took 17 s and 330 MB to play. What the engine
// receives now lies within the page widened by the pen, and no figure carries many dashes.
TEST(MetafileLimits, FarFiguresReachThePainterCutToThePage) {
    const TMetafile picture = Picture("far-wide-dashed-figures.emf");
    ASSERT_FALSE(picture.Empty());
    RecordingPage page;
    {
        QPainter painter(&page);
        picture.Play(painter, QRectF(0, 0, kPageWidth, kPageHeight));
    }
    const std::vector<Figure>& figures = page.engine.figures;
    ASSERT_GE(figures.size(), 6u);
    for (const Figure& figure : figures) {
        // Caps and miter joins reach up to the pen's width past a figure.
        const double margin = 2 * figure.penWidth + 4;
        double length = 0;
        for (std::size_t i = 0; i < figure.points.size(); ++i) {
            const QPointF p = figure.points[i];
            EXPECT_TRUE(p.x() >= -margin && p.x() <= kPageWidth + margin && p.y() >= -margin &&
                        p.y() <= kPageHeight + margin)
                << p.x() << ", " << p.y() << " with a pen " << figure.penWidth << " wide";
            if (i > 0)
                length += std::hypot(p.x() - figure.points[i - 1].x(), p.y() - figure.points[i - 1].y());
        }
        if (figure.dashLength > 0) {
            EXPECT_LE(length / figure.dashLength, draw::kMaxDashes);
        }
    }
}

// A dashed line whose pattern repeats more often than any page can show goes to the painter solid.
TEST(MetafileLimits, DenseDashesAreDrawnSolid) {
    RecordingPage page;
    {
        QPainter painter(&page);
        // A pen 2 units wide at a scale of 1/100000: each dash is far below a pixel.
        painter.scale(1e-5, 1e-5);
        QPen pen(Qt::black, 2, Qt::DashLine);
        painter.setPen(pen);
        draw::DrawLine(painter, QPoint(0, 5000000), QPoint(70000000, 5000000));
        draw::DrawRect(painter, QRectF(0, 0, 70000000, 100000000));
        // A dashed line of ordinary size keeps its dashes.
        painter.resetTransform();
        painter.setPen(QPen(Qt::black, 2, Qt::DashLine));
        draw::DrawLine(painter, QPoint(10, 10), QPoint(700, 10));
    }
    const std::vector<Figure>& figures = page.engine.figures;
    ASSERT_EQ(figures.size(), 3u);
    EXPECT_EQ(figures[0].dashLength, 0);
    EXPECT_EQ(figures[1].dashLength, 0);
    EXPECT_DOUBLE_EQ(figures[2].dashLength, 12);
}

// Each pair of pictures draws the same on the page: one with figures running far past the page, one
// with the same figures ending just beyond its edges. Dashes fall alike, so the cut kept their phase.
TEST(MetafileLimits, FarFiguresShowOnThePageAsNearOnesDo) {
    for (const auto& [far, near] :
         {std::pair{"solid-far.emf", "solid-near.emf"}, std::pair{"dashes-far.emf", "dashes-near.emf"}}) {
        const TMetafile farPicture = Picture(far), nearPicture = Picture(near);
        ASSERT_FALSE(farPicture.Empty() || nearPicture.Empty()) << far;
        const QImage farImage = Played(farPicture), nearImage = Played(nearPicture);
        EXPECT_EQ(DifferingPixels(farImage, nearImage, 0), 0) << far;
        EXPECT_GT(DifferingPixels(farImage, BlankPage(), 0), 2000) << far;
    }

    // The canvas that paints report pages straight onto a printer cuts alike. The pen's pattern is
    // 36 pixels long and both reaches are whole patterns, so the outline's dashes fall alike too.
    QImage farImage = BlankPage(), nearImage = BlankPage();
    for (QImage* image : {&farImage, &nearImage}) {
        const int reach = image == &farImage ? 36 * 1666667 : 36 * 28;
        QPainter painter(image);
        TPainterCanvas canvas(painter, 96);
        canvas.Pen().SetWidth(6);
        canvas.Pen().SetStyle(TPenStyle::psDash);
        canvas.Brush().SetColor(clYellow);
        canvas.Rectangle(-reach, 200, reach, 400);
        const QPoint line[] = {QPoint(-2 * reach, 600), QPoint(reach, 600)};
        canvas.Polyline(line);
    }
    EXPECT_EQ(DifferingPixels(farImage, nearImage, 0), 0);
    EXPECT_GT(DifferingPixels(farImage, BlankPage(), 0), 2000);
}

} // namespace
} // namespace quorvel
