#pragma once

#include "platform/Canvas.h"

#include <QRegion>

namespace quorvel {

// Draws straight onto a painter whose device pixels are the canvas pixels (a printer page, a
// window or an image), at the given resolution for font sizes.
class TPainterCanvas : public TCanvas {
public:
    TPainterCanvas(QPainter& painter, int pixelsPerInch);
    ~TPainterCanvas() override;

protected:
    void DoText(const draw::TextCall& call, QStringView text, std::span<const std::int32_t> advances,
                const QRect& box) override;
    void DoLine(QPoint from, QPoint to) override;
    void DoShape(ShapeKind kind, const TRect& rect, QSize corner) override;
    void DoFillRect(const TRect& rect) override;
    void DoPoly(std::span<const QPoint> points, bool closed) override;
    void DoStretchImage(const TRect& rect, const QImage& image) override;
    void DoStretchPicture(const TRect& rect, const TMetafile& picture) override;
    void DoIntersectClip(const TRect& rect) override;
    void DoResetClip() override;
    void DoSave() override;
    void DoRestore() override;

private:
    void UsePenAndBrush();

    QPainter& painter_;
    bool hadClipping_;
    QRegion initialClip_;
};

} // namespace quorvel
