// Graphic controls described for the export filters.

#include "report/export/ExportReport.h"

#include "report/controls/Qrctrls.h"
#include "report/export/QrexportGrid.h"

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

TExportGraphic ExportGraphicOf(const TQRPrintable& control) {
    TExportGraphic graphic;
    graphic.Name = control.Name();
    graphic.Width = control.Width();
    graphic.Height = control.Height();
    if (const auto* shape = dynamic_cast<const TQRShape*>(&control)) {
        graphic.Kind = TExportGraphicKind::egShape;
        graphic.Shape = ExportShapeType(shape->Shape());
        graphic.Pen = shape->Pen();
        graphic.Brush = shape->Brush();
        graphic.VertAdjust = shape->VertAdjust();
        return graphic;
    }
    if (const auto* image = dynamic_cast<const TQRImage*>(&control)) {
        graphic.Kind = TExportGraphicKind::egImage;
        const auto* bound = dynamic_cast<const TQRDBImage*>(&control);
        graphic.DataBound = bound != nullptr;
        // A data-bound image without a field has nothing to show, whatever picture it last held.
        if (!bound || !bound->DataField().isEmpty()) graphic.Picture = image->ExportBitmap();
        return graphic;
    }
    graphic.Kind = TExportGraphicKind::egOther;
    return graphic;
}

void TQRGraphicExportFilter::AcceptGraphic(double xoff, double yoff, const TQRPrintable& graphicControl) {
    AcceptShape(xoff, yoff, ExportGraphicOf(graphicControl));
}

void TQRGraphicExportFilter::AcceptBand(const TQRCustomBand&, double, double, double) {
    FlushBandGraphics();
}

} // namespace quorvel
