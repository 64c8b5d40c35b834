// Frames as the page and the export filters receive them.

#include "report/engine/QuickrptPaint.h"

#include "report/engine/QuickrptFrame.h"
#include "report/engine/QuickrptReport.h"
#include "report/pagestore/QrprntrFilter.h"
#include "report/pagestore/QrprntrPrinter.h"

namespace quorvel {

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
    const auto send = [&](TExportShapeType shape, int x, int y, int width, int height, const TBrush& brush,
                          const TPen& pen) {
        filter->AcceptGraphic(x, y, ExportShape(shape, width, height, pen, brush));
    };
    const TPen line(frame.Color, tx, TPenStyle::psSolid);
    const TBrush solid(frame.Color, TBrushStyle::bsSolid);
    if (background)
        send(TExportShapeType::esRectangle, l, t, r - l, b - t, TBrush(*background, TBrushStyle::bsSolid),
             TPen(*background, 1, TPenStyle::psClear));
    if (frame.AllSides()) {
        send(TExportShapeType::esRectangle, l, t, r - l, b - t, TBrush(frame.Color, TBrushStyle::bsClear),
             line);
        return;
    }
    if (frame.DrawTop) send(TExportShapeType::esHorLine, l, t, r - l, ty, solid, line);
    if (frame.DrawBottom) send(TExportShapeType::esHorLine, l, b - ty, r - l, ty, solid, line);
    if (frame.DrawLeft) send(TExportShapeType::esVertLine, l, t, tx, b - t, solid, line);
    if (frame.DrawRight) send(TExportShapeType::esVertLine, r - tx, t, tx, b - t, solid, line);
}

} // namespace quorvel
