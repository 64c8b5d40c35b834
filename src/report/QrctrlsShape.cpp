// Shapes, and frames as the export filters receive them.

#include "report/Qrctrls.h"

#include "platform/Canvas.h"
#include "report/QrprntrFilter.h"
#include "report/QuickrptReport.h"

namespace quorvel {

TQRShape::TQRShape(TComponent* owner)
    : TQRPrintable(owner) {
    SetBounds(Left(), Top(), 65, 65);
}

std::unique_ptr<TQRShape> TQRShape::ForExport(TQRShapeType shape, int width, int height, const TPen& pen,
                                              const TBrush& brush) {
    auto made = std::make_unique<TQRShape>(nullptr);
    made->SetShape(shape);
    made->SetPen(pen);
    made->SetBrush(brush);
    made->SetBounds(0, 0, width, height);
    return made;
}

void TQRShape::Print(int ofsX, int ofsY) {
    TCustomQuickRep* report = ParentReport();
    TQRPrinter* store = QRPrinter();
    if (!report || !store) return;
    const TQRPrintableSize& size = Size();
    const double left = size.NativeValue(TQRPrintableSize::iLeft) + ofsX;
    const double top = size.NativeValue(TQRPrintableSize::iTop) + ofsY;
    const int l = store->XPos(left);
    const int t = store->YPos(top);
    const int r = store->XPos(left + size.NativeValue(TQRPrintableSize::iWidth));
    const int b = store->YPos(top + size.NativeValue(TQRPrintableSize::iHeight));
    if (TQRExportFilter* filter = report->ExportFilter()) {
        // The filter gets the box the page picture draws in: the design size in pixels may be a pixel
        // off it, and a line through its middle would then miss the page picture's row.
        const auto shown = ForExport(shape_, r - l, b - t, pen_, brush_);
        shown->SetName(Name());
        shown->SetVertAdjust(vertAdjust_);
        shown->SetRoundFactor(roundFactor_);
        filter->AcceptGraphic(l, t, *shown);
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

void QRPaintFrame(const TQRFrame& frame, TCustomQuickRep& report, const TRect& rect,
                  const TColor* background) {
    if (!frame.AnyFrame()) return;
    TQRPrinter* store = report.PageStore();
    if (!store) return;
    if (report.DrawToCanvas() && store->HasCanvas())
        frame.PaintIt(store->Canvas(), rect, store->YFactor(), store->XFactor());
    TQRExportFilter* filter = report.ExportFilter();
    if (!filter) return;
    const int ty = frame.Thickness(store->YFactor());
    const int tx = frame.Thickness(store->XFactor());
    const auto [l, t, r, b] = rect;
    const auto send = [&](TQRShapeType shape, int x, int y, int width, int height, const TBrush& brush,
                          const TPen& pen) {
        const auto made = TQRShape::ForExport(shape, width, height, pen, brush);
        filter->AcceptGraphic(x, y, *made);
    };
    const TPen line(frame.Color, tx, TPenStyle::psSolid);
    const TBrush solid(frame.Color, TBrushStyle::bsSolid);
    if (background)
        send(TQRShapeType::qrsRectangle, l, t, r - l, b - t, TBrush(*background, TBrushStyle::bsSolid),
             TPen(*background, 1, TPenStyle::psClear));
    if (frame.AllSides()) {
        send(TQRShapeType::qrsRectangle, l, t, r - l, b - t, TBrush(frame.Color, TBrushStyle::bsClear), line);
        return;
    }
    if (frame.DrawTop) send(TQRShapeType::qrsHorLine, l, t, r - l, ty, solid, line);
    if (frame.DrawBottom) send(TQRShapeType::qrsHorLine, l, b - ty, r - l, ty, solid, line);
    if (frame.DrawLeft) send(TQRShapeType::qrsVertLine, l, t, tx, b - t, solid, line);
    if (frame.DrawRight) send(TQRShapeType::qrsVertLine, r - tx, t, tx, b - t, solid, line);
}

} // namespace quorvel
