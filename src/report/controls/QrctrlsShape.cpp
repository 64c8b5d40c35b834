// Shapes.

#include "report/controls/Qrctrls.h"

#include "platform/Canvas.h"
#include "report/engine/QuickrptReport.h"
#include "report/pagestore/QrprntrFilter.h"

namespace quorvel {

namespace {

TExportShapeType ExportShapeType(TQRShapeType shape) {
    switch (shape) {
    case TQRShapeType::qrsRectangle:
        return TExportShapeType::esRectangle;
    case TQRShapeType::qrsCircle:
        return TExportShapeType::esCircle;
    case TQRShapeType::qrsVertLine:
        return TExportShapeType::esVertLine;
    case TQRShapeType::qrsHorLine:
        return TExportShapeType::esHorLine;
    case TQRShapeType::qrsTopAndBottom:
        return TExportShapeType::esTopAndBottom;
    case TQRShapeType::qrsRightAndLeft:
        return TExportShapeType::esRightAndLeft;
    case TQRShapeType::qrsRoundRect:
        return TExportShapeType::esRoundRect;
    }
    return TExportShapeType::esRectangle;
}

} // namespace

TQRShape::TQRShape(TComponent* owner)
    : TQRPrintable(owner) {
    SetBounds(Left(), Top(), 65, 65);
}

TExportGraphic TQRShape::ExportGraphic() const {
    TExportGraphic graphic = TQRPrintable::ExportGraphic();
    graphic.Kind = TExportGraphicKind::egShape;
    graphic.Shape = ExportShapeType(shape_);
    graphic.Pen = pen_;
    graphic.Brush = brush_;
    graphic.VertAdjust = vertAdjust_;
    return graphic;
}

void TQRShape::Print(int ofsX, int ofsY) {
    TCustomQuickRep* report = ParentReport();
    TQRPrinter* store = QRPrinter();
    if (!report || !store) return;
    const auto [l, t, r, b] = PageBox(*store, ofsX, ofsY);
    if (TQRExportFilter* filter = report->ExportFilter()) {
        // The filter gets the box the page picture draws in: the design size in pixels may be a pixel
        // off it, and a line through its middle would then miss the page picture's row.
        TExportGraphic shown = ExportGraphic();
        shown.Width = r - l;
        shown.Height = b - t;
        filter->AcceptGraphic(l, t, shown);
    }
    if (!report->DrawToCanvas() || !IsEnabled() || !store->HasCanvas()) return;
    TCanvas& canvas = store->Canvas();
    canvas.SetBrush(brush_);
    canvas.SetPen(pen_);
    // Lines along an edge stay inside the box, as the rectangle's outline does.
    const int lastX = std::max(l, r - 1);
    const int lastY = std::max(t, b - 1);
    switch (shape_) {
    case TQRShapeType::qrsRectangle:
        canvas.Rectangle(l, t, r, b);
        break;
    case TQRShapeType::qrsCircle:
        canvas.Ellipse(l, t, r, b);
        break;
    case TQRShapeType::qrsVertLine:
        canvas.MoveTo((l + r) / 2, t);
        canvas.LineTo((l + r) / 2, b);
        break;
    case TQRShapeType::qrsHorLine:
        canvas.MoveTo(l, (t + b) / 2);
        canvas.LineTo(r, (t + b) / 2);
        break;
    case TQRShapeType::qrsTopAndBottom:
        canvas.MoveTo(l, t);
        canvas.LineTo(r, t);
        canvas.MoveTo(l, lastY);
        canvas.LineTo(r, lastY);
        break;
    case TQRShapeType::qrsRightAndLeft:
        canvas.MoveTo(l, t);
        canvas.LineTo(l, b);
        canvas.MoveTo(lastX, t);
        canvas.LineTo(lastX, b);
        break;
    case TQRShapeType::qrsRoundRect: {
        const int corner = int(Width() * roundFactor_);
        canvas.RoundRect(l, t, r, b, corner, corner);
        break;
    }
    }
}

} // namespace quorvel
