#pragma once

#include "platform/Canvas.h"

namespace quorvel {

// A canvas that draws nowhere: texts are measured and placed as on every canvas, at its resolution,
// and nothing is kept. It is the drawing surface of a pass whose output goes elsewhere (an export,
// whose controls hand their texts and shapes to a filter), so that such a pass does not record a
// picture that nobody reads and that would grow with every page.
class TMeasuringCanvas final : public TCanvas {
public:
    using TCanvas::TCanvas;

protected:
    void DoText(const draw::TextCall&, QStringView, std::span<const std::int32_t>, const QRect&) override {}
    void DoLine(QPoint, QPoint) override {}
    void DoShape(ShapeKind, const TRect&, QSize) override {}
    void DoFillRect(const TRect&) override {}
    void DoPoly(std::span<const QPoint>, bool) override {}
    void DoStretchImage(const TRect&, const QImage&) override {}
    void DoStretchPicture(const TRect&, const TMetafile&) override {}
    void DoIntersectClip(const TRect&) override {}
    void DoResetClip() override {}
    void DoSave() override {}
    void DoRestore() override {}
};

} // namespace quorvel
